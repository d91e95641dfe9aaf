// Telling what a record's bytes hold (see record_content.h for the forms).
#include "core/record_content.h"

#include <cstring>
#include <sstream>

#include "core/attr_translator.h"
#include "core/attr_value_list.h"
#include "core/map_text_check.h"

namespace {

const std::size_t MaxEntryText = 256;
const std::size_t MaxPageRef = 787;
const std::size_t MaxLinkRef = 561;
const char MapTextSignature[] = "#CM&^#";
const std::size_t SignatureLength = sizeof MapTextSignature - 1;

bool decimal(const std::string& digits, ULONG* value) {
  if (digits.empty() || digits.size() > 10 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long long v = std::stoull(digits);
  if (v > 0xFFFFFFFFull) return false;
  *value = static_cast<ULONG>(v);
  return true;
}

bool hasSignature(const std::string& bytes) {
  return bytes.size() >= SignatureLength &&
         std::memcmp(bytes.data(), MapTextSignature, SignatureLength) == 0;
}

}  // namespace

bool RecordContent::entryHeader(const std::string& h, std::string* name, std::string* type,
                                ULONG* flags) {
  const std::size_t n1 = h.find('\0');
  if (n1 == std::string::npos || n1 > MaxEntryText) return false;
  const std::size_t n2 = h.find('\0', n1 + 1);
  if (n2 == std::string::npos || n2 - n1 - 1 > MaxEntryText) return false;
  ULONG f = 0;
  if (!decimal(h.substr(n2 + 1), &f)) return false;
  if (name) *name = h.substr(0, n1);
  if (type) *type = h.substr(n1 + 1, n2 - n1 - 1);
  if (flags) *flags = f;
  return true;
}

bool RecordContent::pageBody(const std::string& bytes) {
  std::string why;
  return hasSignature(bytes) && MapTextCheck::parses(bytes, &why);
}

bool RecordContent::linkRecord(const std::string& rec) {
  std::size_t at = 0, items = 0;
  // Bounded by the record's length: each item consumes at least three bytes.
  while (at < rec.size()) {
    std::size_t d = at;
    if (rec[d] == '-' || rec[d] == '+') ++d;
    const std::size_t digits = d;
    while (d < rec.size() && d - digits < 11 && rec[d] >= '0' && rec[d] <= '9') ++d;
    if (d == digits || d >= rec.size() || rec[d] != '\0') return false;
    const std::size_t nul = rec.find('\0', d + 1);
    if (nul == std::string::npos || nul - d - 1 > MaxPageRef) return false;
    ++items;
    at = nul + 1;
  }
  return items >= 2;
}

bool RecordContent::linkList(const std::string& list) {
  if (list.size() < 2 || static_cast<unsigned char>(list.back()) != 0xFF) return false;
  std::size_t at = 0, entries = 0;
  const std::size_t end = list.size() - 1;
  // Bounded by the list's length: each entry consumes at least one byte.
  while (at < end) {
    const std::size_t nul = list.find('\0', at);
    if (nul == std::string::npos || nul >= end || nul - at > MaxLinkRef) return false;
    for (std::size_t i = at; i < nul; ++i)
      if (static_cast<unsigned char>(list[i]) == 0xFF) return false;
    ++entries;
    at = nul + 1;
  }
  return entries >= 1;
}

bool RecordContent::attrList(const std::string& bytes) {
  const std::size_t start = bytes.find_first_not_of(" \t\r\n");
  if (start == std::string::npos || bytes.compare(start, 2, "(V") != 0) return false;
  std::stringstream in(bytes);
  AttrValueList list;
  AttrTranslator reader(&in, list);
  return reader.read() >= 0 && list.count() >= 1;
}

RecordContent::Kind RecordContent::classify(const std::string& bytes, bool signatureIsBody) {
  if (bytes.empty()) return Empty;
  if (signatureIsBody ? hasSignature(bytes) : pageBody(bytes)) return PageBody;
  if (entryHeader(bytes, nullptr, nullptr, nullptr)) return EntryHeader;
  if (linkRecord(bytes)) return LinkRecord;
  if (linkList(bytes)) return LinkList;
  if (attrList(bytes)) return AttrList;
  return Unknown;
}

const char* RecordContent::describe(Kind kind) {
  switch (kind) {
    case Empty:
      return "nothing";
    case EntryHeader:
      return "an entry header";
    case PageBody:
      return "a page body";
    case LinkRecord:
      return "a link record";
    case LinkList:
      return "a link list";
    case AttrList:
      return "an attribute list";
    case Unknown:
      break;
  }
  return "bytes of no known kind";
}
