// Reader target: a whole book file image. The bytes are written to a scratch
// file, opened read-only as a book and read whole (every ID, every facet through
// the streams, entry headers, link records, link lists, attributes and page
// bodies), and checked with the book's integrity check. Any
// outcome is fine except a crash, a hang, a bad memory access, an allocation
// out of proportion to the file, or a book the check finds sound that does not
// read cleanly.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/book_check.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/whole_book_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Books beyond this size add nothing a smaller one cannot reach.
  if (size > (1u << 20)) return 0;
  quietProcess();
  static FuzzNexil* app = new FuzzNexil();  // lives for the whole process
  const std::string path = writeScratchFile("image.tvx", data, size);
  const BookImage image = readWholeBook(*app, path);
  // The integrity check reads the same bytes with its own reader; a book it
  // finds sound must read without a problem.
  const BookCheckReport report =
      BookCheck::checkBytes(std::string(reinterpret_cast<const char*>(data), size));
  if (report.ok() && image.problems > 0) {
    std::fprintf(stderr, "the check found the book sound, reading it met %d problems (last: %s)\n",
                 image.problems, image.lastReport.c_str());
    std::abort();
  }
  return 0;
}
