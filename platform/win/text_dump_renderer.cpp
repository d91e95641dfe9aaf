// The text dump of a display list (see text_dump_renderer.h).
#include "platform/win/text_dump_renderer.h"

#include <cstdio>

#include "platform/win/bitmap.h"
#include "platform/win/windows_gdi.h"

namespace {

std::string colour(COLORREF c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return buf;
}

std::string rect(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

const char* penStyle(int s) {
  static const char* const kNames[] = {"solid", "dash", "dot", "dashdot", "dashdotdot", "null", "insideframe"};
  return s >= 0 && s <= 6 ? kNames[s] : "?";
}

std::string pen(const PenSpec& p) {
  if (p.style == PS_NULL) return "pen null";
  return std::string("pen ") + penStyle(p.style) + " " + std::to_string(p.width) + " " + colour(p.color);
}

std::string brush(const BrushSpec& b) {
  if (b.style == BS_NULL) return "brush hollow";
  if (b.style == BS_HATCHED) return "brush hatch" + std::to_string(b.hatch) + " " + colour(b.color);
  return "brush solid " + colour(b.color);
}

std::string points(const std::vector<POINT>& pts) {
  std::string s = "[";
  for (std::size_t i = 0; i < pts.size(); ++i) {
    if (i != 0) s += ' ';
    s += std::to_string(pts[i].x) + "," + std::to_string(pts[i].y);
  }
  return s + "]";
}

}  // namespace

std::string TextDumpRenderer::line(const DrawCommand& c, int width, int height) {
  std::string s = drawOpName(c.op);
  const std::string rop = std::string(" rop ") + ropName(c.rop);
  switch (c.op) {
    case DrawOp::Rectangle:
    case DrawOp::Ellipse: s += " " + rect(c.rect) + " " + pen(c.pen) + " " + brush(c.brush) + rop; break;
    case DrawOp::RoundRect:
      s += " " + rect(c.rect) + " corner " + std::to_string(c.corner.cx) + "x" +
           std::to_string(c.corner.cy) + " " + pen(c.pen) + " " + brush(c.brush) + rop;
      break;
    case DrawOp::Polygon:
      s += " " + points(c.points) + (c.fillMode == WINDING ? " winding " : " alternate ") + pen(c.pen) +
           " " + brush(c.brush) + rop;
      break;
    case DrawOp::Polyline: s += " " + points(c.points) + " " + pen(c.pen) + rop; break;
    case DrawOp::FillRect: s += " " + rect(c.rect) + " " + brush(c.brush) + rop; break;
    case DrawOp::FocusRect: s += " " + rect(c.rect); break;
    case DrawOp::Text:
      s += " (" + std::to_string(c.rect.left) + "," + std::to_string(c.baseline) + ") \"" + c.text +
           "\" font " + c.font.face + " " + std::to_string(c.font.emHeight) + "px " +
           std::to_string(c.font.weight) + (c.font.italic ? " italic" : "") +
           (c.font.underline ? " underline" : "") + " width " +
           std::to_string(c.rect.right - c.rect.left) + " colour " + colour(c.textColor) +
           (c.bkMode == OPAQUE ? " opaque " + colour(c.bkColor) : "");
      break;
    case DrawOp::Image: {
      s += " " + rect(c.rect) + " from " + rect(c.source);
      if (c.mirrorX) s += " mirrored across";
      if (c.mirrorY) s += " mirrored down";
      if (c.image) {
        char digest[16];
        std::snprintf(digest, sizeof digest, "%08X", bitmapDigest(*c.image));
        s += " of " + std::to_string(c.image->width) + "x" + std::to_string(c.image->height) + " bitmap " + digest;
      }
      s += " rop " + rop3Name(c.rop3);
      const unsigned code = (c.rop3 >> 16) & 0xFF;
      if (((code >> 4) & 0x0F) != (code & 0x0F)) s += " " + brush(c.brush);  // the pattern matters
      if (c.smooth) s += " smooth";
      break;
    }
    case DrawOp::Mapping:
      s += std::string(" ") + mappingCallName(c.call);
      if (c.call == MappingCall::MapMode || c.call == MappingCall::Restore) {
        s += " " + std::to_string(c.args.x);
      } else if (c.call != MappingCall::Save) {
        s += " " + std::to_string(c.args.x) + "," + std::to_string(c.args.y);
      }
      return s;  // a mapping call draws nothing, so it has no clip
  }
  if (c.clipRects) {
    s += " clip " + rect(c.clip) + " in " + std::to_string(c.clipRects->size()) + " rectangles";
  } else if (c.clip.left > 0 || c.clip.top > 0 || c.clip.right < width || c.clip.bottom < height) {
    s += " clip " + rect(c.clip);
  }
  return s;
}

std::string TextDumpRenderer::render(const DisplayList& list) {
  std::string out;
  for (const DrawCommand& c : list.commands()) {
    out += line(c, list.width(), list.height());
    out += '\n';
  }
  return out;
}
