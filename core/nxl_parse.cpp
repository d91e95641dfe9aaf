// NXL link files: the body and link productions over the shared header ones.
#include "core/nxl_parse.h"

#include <memory>

NXLParse::NXLParse(const char* appTag, const char* path)
    : KMFileInfo(appTag), GenericFileInfo(appTag), NXLFileInfo(appTag),
      GenericParse(appTag, path) {}

NXLParse::NXLParse(const char* appTag, std::istream* in)
    : KMFileInfo(appTag), GenericFileInfo(appTag), NXLFileInfo(appTag),
      GenericParse(appTag, in) {}

NXLParse::NXLParse(const char* appTag)
    : KMFileInfo(appTag), GenericFileInfo(appTag), NXLFileInfo(appTag), GenericParse(appTag) {}

NXLParse::~NXLParse() = default;

int NXLParse::CMLinkObject(NXL_Link&) { return 0; }

LONG NXLParse::readFile() {
  if (status_ < 0) return status_;
  if (!lex) return status(NO_INPUT);
  readSignatureLine();
  readBody();
  return status_;
}

LONG NXLParse::readBody() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('B')) return status_;
  if (!headerRead) readFileHeader();
  expectComma();
  readLinkSection();
  clearOptional();
  expectClose();
  if (status_ >= 0) status(SUCCESS);
  return status_;
}

LONG NXLParse::readLinkSection() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('L')) return status(OPTIONAL_ABSENT);
  linkSectionVersion = readInt(EXPECTED_INTEGER);
  expectComma();
  readOptInt();  // the object count: written for other readers, not needed here
  expectComma();
  std::unique_ptr<char[]> name;
  if (readOptString(name)) linkSectionName = std::move(name);
  expectComma();
  // Each object consumes at least its "(l"; the first token that opens none
  // ends the run.
  while (status_ >= 0 && peekOpenTag() == 'l') readLinkObject();
  expectClose();
  return status_;
}

LONG NXLParse::readLinkObject() {
  if (status_ < 0) return status_;
  if (!nextIsOpen('l')) return status(OPTIONAL_ABSENT);
  NXL_Link link;
  link.version = linkSectionVersion;
  link.id = readInt(EXPECTED_INTEGER);
  expectComma();
  std::unique_ptr<char[]> text1;
  readOptString(text1);
  expectComma();
  link.number1 = readOptInt();
  expectComma();
  std::unique_ptr<char[]> text2;
  readOptString(text2);
  expectComma();
  link.number2 = readOptInt();
  expectClose();
  if (status_ < 0) return status_;
  link.text1 = text1.get();
  link.text2 = text2.get();
  CMLinkObject(link);
  return status_;
}
