// Reader target: the pen texts. The input is read as a stroke text and as a
// group text (annotations without a window), each then written and read back:
// reading never crashes, hangs or takes room the text cannot fill, and once a
// text has been written and read again, writing it gives the same bytes.
// Anything else is a finding (abort).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "graphics/group_annotation.h"
#include "graphics/pen_stroke.h"

namespace {

// The text of `thing`, or "" when it does not fit its buffer.
std::string written(PenThing& thing, std::size_t size) {
  std::vector<char> buffer(size);
  const int n = thing.serialize(buffer.data(), buffer.size());
  return n < 0 ? std::string() : std::string(buffer.data(), static_cast<std::size_t>(n));
}

template <typename Reader>
void roundTrip(const std::string& input, std::size_t size, Reader read) {
  std::string text = input;
  std::string previous;
  for (int pass = 0; pass < 3; ++pass) {
    const std::string out = read(text, size);
    if (out.empty()) return;
    if (pass == 2 && out != previous) {
      std::fprintf(stderr, "a pen text written twice differs:\n%s\n%s\n", previous.c_str(), out.c_str());
      std::abort();
    }
    previous = out;
    text = out;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReportCounter quiet;
  const std::string input(reinterpret_cast<const char*>(data), size);
  roundTrip(input, PenStroke::BufferSize, [](const std::string& text, std::size_t bytes) {
    PenStroke s(nullptr, 1, 0, 0, 10, 10, nullptr, 0);
    s.DeSerializePoints(text.data(), text.size());
    if (s.points().capacity() > text.size() / 4 + 1) std::abort();
    return written(s, bytes);
  });
  roundTrip(input, GroupAnnotation::BufferSize, [](const std::string& text, std::size_t bytes) {
    GroupAnnotation g(nullptr, 1, 0, 0, 10, 10, text.data(), text.size());
    if (!g.invariantsHold()) std::abort();
    return written(g, bytes);
  });
  return 0;
}
