// Reader target: NXL link files. The input is read as a whole link file
// through the reader and through a translator on the same bytes, which then
// writes the file back with the header it kept.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "core/nxl_parse.h"
#include "core/nxl_translator.h"

namespace {

const char kTag[] = "Nexil";

class TouchingParse : public NXLParse {
 public:
  explicit TouchingParse(std::istream* in) : KMFileInfo(kTag), GenericFileInfo(kTag), NXLFileInfo(kTag), NXLParse(kTag, in) {}
  unsigned long sum = 0;
  int CMLinkObject(NXL_Link& link) override {
    // Texts are NUL-terminated and live during the call.
    if (link.text1 != nullptr) sum += std::string(link.text1).size();
    if (link.text2 != nullptr) sum += std::string(link.text2).size();
    sum += static_cast<ULONG>(link.id) + static_cast<ULONG>(link.number1) +
           static_cast<ULONG>(link.number2);
    return 0;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  {
    std::istringstream in(input);
    TouchingParse parse(&in);
    parse.readFile();
    char message[300];
    parse.errorText(message, sizeof message);
    parse.attach(nullptr);
  }
  {
    std::stringstream s(input);
    NXLTranslator translator(kTag, &s);
    translator.readFile();
    std::stringstream out;
    translator.attach(&out);
    translator.saveInternal();
    translator.closeStream();
  }
  return 0;
}
