// KMFileInfo: the header information shared by the map text parser and writer.
#include "maptext/km_file_info.h"

#include <cstring>

#include "maptext/km_esrap.h"
#include "maptext/km_records.h"

namespace {

// A new in-memory stream holding the whole contents of `from`, or null for null.
// The source's read position is left where it was.
std::unique_ptr<std::stringstream> copyStream(const std::unique_ptr<std::stringstream>& from) {
  if (!from) return nullptr;
  std::unique_ptr<std::stringstream> to(new std::stringstream);
  *to << from->str();
  return to;
}

}  // namespace

KMFileInfo::KMFileInfo(const char* tag)
    : fileVersion(0),
      cmVersion(0),
      typesVersion(0),
      nodesVersion(0),
      linksVersion(0),
      annotationsVersion(0),
      appTag(copyText(tag)),
      majorAuthorVersion1(0),
      majorAuthorVersion2(1),
      thisAppVersion1(0),
      thisAppVersion2(1) {}

KMFileInfo::KMFileInfo(const KMFileInfo& other) : KMFileInfo(static_cast<const char*>(nullptr)) {
  *this = other;
}

KMFileInfo::~KMFileInfo() { clear(); }

void KMFileInfo::clear() {
  extensions.reset();
  names.reset();
  authors.reset();
  comments.reset();
  cmName.reset();
  majorAuthor.reset();
  appTag.reset();
}

KMFileInfo& KMFileInfo::operator=(const KMFileInfo& other) {
  if (this == &other) return *this;
  clear();
  fileVersion = other.fileVersion;
  cmVersion = other.cmVersion;
  typesVersion = other.typesVersion;
  nodesVersion = other.nodesVersion;
  linksVersion = other.linksVersion;
  annotationsVersion = other.annotationsVersion;
  extensions = copyStream(other.extensions);
  names = copyStream(other.names);
  authors = copyStream(other.authors);
  comments = copyStream(other.comments);
  cmName = copyText(other.cmName.get());
  majorAuthor = copyText(other.majorAuthor.get());
  appTag = copyText(other.appTag.get());
  majorAuthorVersion1 = other.majorAuthorVersion1;
  majorAuthorVersion2 = other.majorAuthorVersion2;
  thisAppVersion1 = other.thisAppVersion1;
  thisAppVersion2 = other.thisAppVersion2;
  return *this;
}

bool KMFileInfo::saveOn(KMEsrap& w) {
  LONG result;
  if (majorAuthor) {
    result = w.writeFile(majorAuthor.get(), majorAuthorVersion1, nullptr);
  } else {
    result = w.writeFile(appTag.get(), thisAppVersion1, nullptr);
  }
  return result < 0;
}

void KMFileInfo::setCMName(const char* text) { cmName = copyText(text); }
void KMFileInfo::setMajorAuthor(const char* text) { majorAuthor = copyText(text); }
void KMFileInfo::setAppTag(const char* text) { appTag = copyText(text); }

std::stringstream& KMFileInfo::makeStream(std::unique_ptr<std::stringstream>& s) {
  if (!s) s.reset(new std::stringstream);
  return *s;
}

std::unique_ptr<char[]> KMFileInfo::copyText(const char* text) {
  if (text == nullptr) return nullptr;
  size_t n = std::strlen(text);
  std::unique_ptr<char[]> copy(new char[n + 1]);
  std::memcpy(copy.get(), text, n + 1);
  return copy;
}

bool KMFileInfo::classInvarient(const char*, int) const {
  // Each collected stream, when it exists, is usable for reading back.
  for (const auto* s : {&extensions, &names, &authors, &comments}) {
    if (*s && (*s)->bad()) return false;
  }
  return true;
}
