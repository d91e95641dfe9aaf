// Salvage target: a whole book file image salvaged into a new book
// (tools/blkpack/salvager.h). The bytes are written to a scratch file and
// salvaged; the new book is then opened read-only and read whole. Any outcome
// is fine except a crash, a hang, a bad memory access, an allocation out of
// proportion to the file, a salvage that fails on a readable file (it makes a
// new book from any bytes, keeping what it cannot place in lost+found), or a
// new book that cannot be opened.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/whole_book_reader.h"
#include "tools/blkpack/salvager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Books beyond this size add nothing a smaller one cannot reach.
  if (size > (1u << 20)) return 0;
  quietProcess();
  static FuzzNexil* app = new FuzzNexil();  // lives for the whole process
  const std::string path = writeScratchFile("damaged.tvx", data, size);
  const std::string saved = scratchDir() + "salvaged.tvx";
  ::unlink(saved.c_str());
  SalvageResult result;
  std::string why;
  if (!Salvager::run(path, saved, &result, &why)) {
    std::fprintf(stderr, "the salvage failed: %s\n", why.c_str());
    std::abort();
  }
  const BookImage image = readWholeBook(*app, saved);
  if (!image.opened) {
    std::fprintf(stderr, "the salvaged book does not open\n");
    std::abort();
  }
  ::unlink(saved.c_str());
  return 0;
}
