// Loading the page window's cursors (see page_cursors.h).
#include "graphics/page_cursors.h"

#include "platform/win/windows_user.h"

namespace {

struct Entry {
  const char* name;
  const char* standIn;
};

const Entry kCursors[PageCursors::Count] = {
    {"Hand_Cursor", IDC_CROSS},   {"Menu_Cursor", IDC_ARROW},    {"LinkTo_Cursor", IDC_SIZEWE},
    {"Expand_Cursor", IDC_SIZEALL}, {"Edit_Cursor", IDC_IBEAM},  {"Goto_Cursor", IDC_UPARROW},
    {"Select_Cursor", IDC_ARROW}, {"Play_Cursor", IDC_UPARROW},  {"Pen_Cursor", IDC_WAIT},
    {"Eraser_Cursor", IDC_WAIT},
};

struct Loaded {
  HCURSOR cursors[PageCursors::Count];
  int missing = 0;
  Loaded() {
    for (int i = 0; i < PageCursors::Count; ++i) {
      cursors[i] = ::LoadCursor(nullptr, kCursors[i].name);
      if (cursors[i] == nullptr) {
        ++missing;
        cursors[i] = ::LoadCursor(nullptr, kCursors[i].standIn);
      }
    }
  }
};

const Loaded& loaded() {
  static const Loaded l;
  return l;
}

}  // namespace

const char* PageCursors::name(Kind kind) { return kind >= 0 && kind < Count ? kCursors[kind].name : ""; }

HCURSOR PageCursors::cursor(Kind kind) {
  return kind >= 0 && kind < Count ? loaded().cursors[kind] : ::LoadCursor(nullptr, IDC_ARROW);
}

int PageCursors::missing() { return loaded().missing; }
