// Writing NXL link files.
#include "core/nxl_esrap.h"

#include "maptext/km_records.h"
#include "maptext/km_xel.h"

NXLEsrap::NXLEsrap(const char* appTag)
    : KMFileInfo(appTag), GenericFileInfo(appTag), NXLFileInfo(appTag), GenericEsrap(appTag) {}

NXLEsrap::NXLEsrap(const char* appTag, const char* path)
    : KMFileInfo(appTag), GenericFileInfo(appTag), NXLFileInfo(appTag),
      GenericEsrap(appTag, path) {}

NXLEsrap::NXLEsrap(std::ostream* out, const char* appTag)
    : KMFileInfo(appTag), GenericFileInfo(appTag), NXLFileInfo(appTag),
      GenericEsrap(out, appTag) {}

NXLEsrap::~NXLEsrap() {
  if (bodyOpen_ || sectionOpen_) close();
}

void NXLEsrap::resetBody() {
  bodyOpen_ = false;
  sectionOpen_ = false;
  sectionDone_ = false;
  countMark_ = -1;
  count_ = 0;
}

LONG NXLEsrap::open(const char* path) {
  resetBody();
  return GenericEsrap::open(path);
}

LONG NXLEsrap::attach(std::ostream* out) {
  resetBody();
  return GenericEsrap::attach(out);
}

LONG NXLEsrap::writeBody(const char* author, LONG version, std::istream* ext) {
  if (!writing()) return getStatus();
  if (bodyOpen_) return status(BODY_OPEN);
  writer()->writeOpenList('B');
  bodyOpen_ = true;
  writeSectionHeader(author, version, ext);
  if (!writing()) return getStatus();
  writer()->writeSeparator();  // the section header's own closing separator
  closeSectionHeader();
  writer()->writeSeparator();  // between the header and the link section
  return getStatus();
}

LONG NXLEsrap::closeBody() {
  if (!writing() || !bodyOpen_) return getStatus();
  if (sectionOpen_) closeLinkSection();
  writer()->writeCloseList();
  bodyOpen_ = false;
  return getStatus();
}

LONG NXLEsrap::writeLinkSection(const char* name) {
  if (!writing()) return getStatus();
  if (!bodyOpen_) return status(NO_BODY);
  if (sectionDone_) return status(LINKS_DONE);
  KMXel* w = writer();
  w->writeOpenList('L');
  w->write(KM_FILE_VERSION);
  w->writeSeparator();
  w->writeAndMark(0, countMark_);
  w->writeSeparator();
  if (name != nullptr) w->write(name);
  w->writeSeparator();
  sectionOpen_ = true;
  sectionDone_ = true;
  count_ = 0;
  return getStatus();
}

LONG NXLEsrap::closeLinkSection() {
  if (!writing() || !sectionOpen_) return getStatus();
  writer()->writeCloseList();
  if (countMark_ >= 0) writer()->writeAtMark(count_, countMark_);
  sectionOpen_ = false;
  return getStatus();
}

LONG NXLEsrap::writeLinkObject(LONG id, const char* text1, LONG number1, const char* text2,
                               LONG number2) {
  if (!writing()) return getStatus();
  if (!sectionOpen_) return status(NO_LINK_SECTION);
  KMXel* w = writer();
  w->writeOpenList('l');
  w->write(id);
  w->writeSeparator();
  if (text1 != nullptr) w->write(text1);
  w->writeSeparator();
  if (number1 != KM_ABSENT) w->write(number1);
  w->writeSeparator();
  if (text2 != nullptr) w->write(text2);
  w->writeSeparator();
  if (number2 != KM_ABSENT) w->write(number2);
  w->writeCloseList();
  ++count_;
  return getStatus();
}

LONG NXLEsrap::closeLinkObj() { return getStatus(); }

LONG NXLEsrap::close() {
  if (writing() && bodyOpen_) {
    closeBody();
    writer()->flush();
    writer()->writeEOF();
  } else if (writing() && sectionOpen_) {
    closeLinkSection();
  }
  resetBody();
  return closeHeader();
}
