// The attribute list reader and writer.
#include "core/attr_translator.h"

#include <ostream>

#include "maptext/km_esrap.h"

AttrTranslator::AttrTranslator(std::iostream* stream, AttrValueList& list)
    : KMFileInfo("Nexil"), KMTranslator("Nexil", stream), list_(list) {}

AttrTranslator::~AttrTranslator() = default;

LONG AttrTranslator::read() { return readAttrs(); }

int AttrTranslator::CMAttr(char* name, char* value) {
  list_.add(name != nullptr ? name : "", value);
  return 0;
}

int AttrTranslator::write(std::ostream* stream, const AttrValueList& list) {
  if (stream == nullptr) return 1;
  KMEsrap writer(stream, "Nexil");
  int rc = 0;
  for (const AttrValue* v = list.first(); v != nullptr; v = AttrValueList::next(v)) {
    if (writer.writePair(v->name().c_str(), v->value() != nullptr ? v->value()->c_str() : nullptr) <
        0)
      rc = 1;
  }
  if (writer.writer() != nullptr) writer.writer()->writeBytes(")\n");
  writer.writer()->flush();
  if (stream->fail()) rc = 1;
  return rc;
}
