// The shared header writer of the map text family.
#include "core/generic_esrap.h"

GenericEsrap::GenericEsrap(const char* appTag)
    : KMFileInfo(appTag), GenericFileInfo(appTag), KMEsrap(appTag) {}

GenericEsrap::GenericEsrap(const char* appTag, const char* path)
    : KMFileInfo(appTag), GenericFileInfo(appTag), KMEsrap(appTag, path) {}

GenericEsrap::GenericEsrap(std::ostream* out, const char* appTag)
    : KMFileInfo(appTag), GenericFileInfo(appTag), KMEsrap(out, appTag) {}

GenericEsrap::~GenericEsrap() = default;

LONG GenericEsrap::writeFile(const char* author, LONG version, std::istream* ext) {
  if (!writing()) return getStatus();
  if (fileDone_) return status(FILE_DONE);
  writeSignatureLine();
  fileDone_ = true;
  return writeBody(author, version, ext);
}

LONG GenericEsrap::open(const char* path) {
  fileDone_ = false;
  return KMEsrap::open(path);
}

LONG GenericEsrap::attach(std::ostream* out) {
  fileDone_ = false;
  return KMEsrap::attach(out);
}
