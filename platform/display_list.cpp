// The display list: recording and merging commands (see display_list.h).
#include "platform/display_list.h"

#include <algorithm>

#include "platform/windows_gdi.h"

namespace {

bool covers(const RECT& outer, int width, int height) {
  return outer.left <= 0 && outer.top <= 0 && outer.right >= width && outer.bottom >= height;
}

RECT intersect(const RECT& a, const RECT& b) {
  RECT r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

void offset(RECT& r, int dx, int dy) {
  r.left += dx;
  r.right += dx;
  r.top += dy;
  r.bottom += dy;
}

}  // namespace

void DisplayList::add(const DrawCommand& command) {
  // A copy fill of the whole surface hides everything before it.
  if (command.op == DrawOp::FillRect && command.rop == R2_COPYPEN &&
      command.brush.style == BS_SOLID && width_ > 0 && height_ > 0 &&
      covers(command.rect, width_, height_) && covers(command.clip, width_, height_)) {
    commands_.clear();
  }
  commands_.push_back(command);
}

void DisplayList::append(const DisplayList& other, int dx, int dy, const RECT& clip) {
  for (DrawCommand c : other.commands()) {
    offset(c.rect, dx, dy);
    offset(c.clip, dx, dy);
    c.clip = intersect(c.clip, clip);
    c.baseline += dy;
    for (POINT& p : c.points) {
      p.x += dx;
      p.y += dy;
    }
    commands_.push_back(std::move(c));
  }
}

const char* drawOpName(DrawOp op) {
  switch (op) {
    case DrawOp::Rectangle: return "rectangle";
    case DrawOp::RoundRect: return "roundrect";
    case DrawOp::Ellipse: return "ellipse";
    case DrawOp::Polygon: return "polygon";
    case DrawOp::Polyline: return "polyline";
    case DrawOp::FillRect: return "fillrect";
    case DrawOp::FocusRect: return "focusrect";
    case DrawOp::Text: return "text";
  }
  return "?";
}

const char* ropName(int rop) {
  static const char* const kNames[] = {"?",      "black",   "notmergepen", "masknotpen",
                                       "notcopypen", "maskpennot", "not", "xorpen",
                                       "notmaskpen", "maskpen", "notxorpen", "nop",
                                       "mergenotpen", "copy", "mergepennot", "mergepen",
                                       "white"};
  if (rop < 1 || rop > 16) return "?";
  return kNames[rop];
}
