// The display list: recording and merging commands (see display_list.h).
#include "platform/win/display_list.h"

#include <algorithm>

#include "platform/win/bitmap.h"
#include "platform/win/windows_gdi.h"

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

// An inversion is an exclusive-or of the pixels with a constant (white for
// R2_NOT, the colour for R2_XORPEN, its complement for R2_NOTXORPEN): drawing
// it twice restores the pixels, and inversions commute.
bool isInversion(const DrawCommand& c) {
  if (c.op == DrawOp::Text || c.op == DrawOp::Mapping) return false;
  if (c.op == DrawOp::FocusRect) return true;
  return c.rop == R2_NOT || c.rop == R2_XORPEN || c.rop == R2_NOTXORPEN;
}

bool samePoints(const std::vector<POINT>& a, const std::vector<POINT>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
  return true;
}

bool sameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool sameClip(const DrawCommand& a, const DrawCommand& b) {
  if (!sameRect(a.clip, b.clip)) return false;
  if (a.clipRects == b.clipRects) return true;
  if (!a.clipRects || !b.clipRects || a.clipRects->size() != b.clipRects->size()) return false;
  for (std::size_t i = 0; i < a.clipRects->size(); ++i)
    if (!sameRect((*a.clipRects)[i], (*b.clipRects)[i])) return false;
  return true;
}

bool sameFigure(const DrawCommand& a, const DrawCommand& b) {
  return a.op == b.op && a.rop == b.rop && a.pen.style == b.pen.style && a.pen.width == b.pen.width &&
         a.pen.color == b.pen.color && a.brush.style == b.brush.style && a.brush.color == b.brush.color &&
         a.brush.hatch == b.brush.hatch && sameRect(a.rect, b.rect) && sameClip(a, b) &&
         a.corner.cx == b.corner.cx && a.corner.cy == b.corner.cy && a.fillMode == b.fillMode &&
         samePoints(a.points, b.points);
}

// Whether an image's source rectangle lies inside its bitmap, so that every
// pixel of its rectangle is drawn.
bool imageCoversItsSource(const DrawCommand& c) {
  const RECT& s = c.source;
  return s.left >= 0 && s.top >= 0 && s.right <= c.image->width && s.bottom <= c.image->height &&
         s.right > s.left && s.bottom > s.top;
}

}  // namespace

std::size_t DisplayList::cancelInversions() {
  const std::size_t before = commands_.size();
  std::vector<DrawCommand> kept;
  kept.reserve(before);
  // Start of the current run of inversions in `kept`.
  std::size_t runStart = 0;
  for (DrawCommand& c : commands_) {
    if (!isInversion(c)) {
      kept.push_back(std::move(c));
      runStart = kept.size();
      continue;
    }
    // Look back through the run (at most 256 commands, which bounds the work)
    // for an equal inversion; the pair cancels.
    bool cancelled = false;
    const std::size_t lowest = kept.size() > runStart + 256 ? kept.size() - 256 : runStart;
    for (std::size_t i = kept.size(); i > lowest; --i) {
      if (sameFigure(kept[i - 1], c)) {
        kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(i - 1));
        cancelled = true;
        break;
      }
    }
    if (!cancelled) kept.push_back(std::move(c));
  }
  commands_ = std::move(kept);
  return before - commands_.size();
}

bool DisplayList::hides(const DrawCommand& command) const {
  // A copy fill, or a copied image, of the whole surface hides everything before it.
  if (!(width_ > 0 && height_ > 0 && covers(command.rect, width_, height_) && covers(command.clip, width_, height_) &&
        !command.clipRects))
    return false;
  if (command.op == DrawOp::FillRect) return command.rop == R2_COPYPEN && command.brush.style == BS_SOLID;
  if (command.op == DrawOp::Image) {
    return ((command.rop3 >> 16) & 0xFF) == ((SRCCOPY >> 16) & 0xFF) && command.image != nullptr &&
           imageCoversItsSource(command);
  }
  return false;
}

bool DisplayList::add(const DrawCommand& command) {
  const bool hidden = hides(command);
  if (hidden) commands_.clear();
  commands_.push_back(command);
  if (commands_.size() > compactAt_) {
    cancelInversions();
    compactAt_ = std::max<std::size_t>(4096, 2 * commands_.size());
  }
  return hidden;
}

void DisplayList::append(const DisplayList& other, int dx, int dy, const RECT& clip) {
  // Commands drawn under one clip region share it, and share its moved copy.
  const std::vector<RECT>* lastSource = nullptr;
  std::shared_ptr<const std::vector<RECT>> lastMoved;
  for (DrawCommand c : other.commands()) {
    offset(c.rect, dx, dy);
    offset(c.clip, dx, dy);
    c.clip = intersect(c.clip, clip);
    if (c.clipRects) {
      if (c.clipRects.get() != lastSource) {
        lastSource = c.clipRects.get();
        auto moved = std::make_shared<std::vector<RECT>>();
        moved->reserve(c.clipRects->size());
        for (RECT r : *c.clipRects) {
          offset(r, dx, dy);
          r = intersect(r, clip);
          if (r.right > r.left && r.bottom > r.top) moved->push_back(r);
        }
        lastMoved = std::move(moved);
      }
      c.clipRects = lastMoved;
    }
    c.baseline += dy;
    c.anchor.x += dx;
    c.anchor.y += dy;
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
    case DrawOp::Mapping: return "mapping";
    case DrawOp::Image: return "image";
  }
  return "?";
}

const char* mappingCallName(MappingCall call) {
  switch (call) {
    case MappingCall::MapMode: return "mapmode";
    case MappingCall::WindowOrg: return "windoworg";
    case MappingCall::WindowExt: return "windowext";
    case MappingCall::ViewportOrg: return "viewportorg";
    case MappingCall::ViewportExt: return "viewportext";
    case MappingCall::Save: return "save";
    case MappingCall::Restore: return "restore";
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
