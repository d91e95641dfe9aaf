// Reader target: a whole book file image. The bytes are written to a scratch
// file, opened read-only as a book and read whole (every ID, every facet through
// the streams, entry headers, link records, link lists, attributes and page
// bodies). Any outcome is fine except a crash, a hang, a bad memory access or an
// allocation out of proportion to the file.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "fuzz/whole_book_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Books beyond this size add nothing a smaller one cannot reach.
  if (size > (1u << 20)) return 0;
  quietProcess();
  static FuzzNexil* app = new FuzzNexil();  // lives for the whole process
  const std::string path = writeScratchFile("image.tvx", data, size);
  readWholeBook(*app, path);
  return 0;
}
