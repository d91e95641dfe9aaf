// What a find asks for: the text to look for and the option bits that say how
// and where to look. Kept apart from the search's working state
// (TFindParams) so that a find dialog can fill it in and keep it between finds.
//
// Option bits (the flags word):
//   0x1  case-sensitive (otherwise both sides are lower-cased)
//   0x2  whole word (the first occurrence must stand alone)
//   0x4  search page names
//   0x8  search page contents (the texts of the page's graphics)
// With neither 0x4 nor 0x8 a search visits every page and finds nothing.
#ifndef PLUGIN_T_FIND_OPTIONS_H
#define PLUGIN_T_FIND_OPTIONS_H

#include "kit/string.h"
#include "platform/windows_types.h"

class TFindOptions {
 public:
  enum Flag : DWORD {
    CaseSensitive = 0x1,
    WholeWord = 0x2,
    Names = 0x4,
    Contents = 0x8,
  };

  TFindOptions() : findText("") {}

  DWORD flags = 0;
  String findText;
};

#endif  // PLUGIN_T_FIND_OPTIONS_H
