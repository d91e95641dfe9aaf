// The NXL link file writer: the shared family header (core/generic_esrap.h) and
// a body with one link section, in the grammar NXLParse reads:
//
//   "#NXL&^# 161" CR LF
//   "(B" "(a" author "," version "," 1 ")" "," {header annotations} "," ","
//     "(L" 161 "," count8 "," [name] ","
//       {"(l" id "," [text] "," [number] "," [text] "," [number] ")"}
//     ")"
//   ")"
//
// count8 is a zero-filled eight-digit hexadecimal object count, written as
// 00000000 when the section opens and overwritten in place when it closes (the
// output must be seekable for it to be right; readers ignore it). Absent values
// (a null text, a number equal to KM_ABSENT) are written as nothing between
// their separators. Link objects are written whole.
//
// Status, besides the shared writer's: -108 link section already written, -114
// no body open, -115 no link section open.
#ifndef CORE_NXL_ESRAP_H
#define CORE_NXL_ESRAP_H

#include <istream>
#include <ostream>

#include "core/generic_esrap.h"
#include "core/nxl_file_info.h"
#include "platform/windows_types.h"

class NXLEsrap : public GenericEsrap, public virtual NXLFileInfo {
 public:
  static constexpr LONG LINKS_DONE = KMEsrap::LINKS_DONE;
  static constexpr LONG NO_BODY = -114;
  static constexpr LONG NO_LINK_SECTION = -115;

  explicit NXLEsrap(const char* appTag);
  NXLEsrap(const char* appTag, const char* path);
  NXLEsrap(std::ostream* out, const char* appTag);
  // Closes what is open.
  ~NXLEsrap() override;

  LONG open(const char* path) override;
  LONG attach(std::ostream* out) override;

  // "(B", the section header, its closing comma and the separator.
  LONG writeBody(const char* author, LONG version, std::istream* ext) override;
  // Closes the link section when open, then the body.
  LONG closeBody();
  LONG writeLinkSection(const char* name);
  LONG closeLinkSection();
  LONG writeLinkObject(LONG id, const char* text1, LONG number1, const char* text2,
                       LONG number2);
  // Link objects are written whole; nothing is left open.
  LONG closeLinkObj();
  // Closes the body (and cuts a file at the end of what was written), or
  // whatever is open, and flushes.
  LONG close();

 private:
  void resetBody();

  bool bodyOpen_ = false;
  bool sectionOpen_ = false;
  bool sectionDone_ = false;
  LONG countMark_ = -1;
  LONG count_ = 0;
};

#endif  // CORE_NXL_ESRAP_H
