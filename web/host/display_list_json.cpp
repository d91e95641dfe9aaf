// Display lists as JSON for the page's canvas (see display_list_json.h).
#include "web/host/display_list_json.h"

#include <cstdio>
#include <sstream>

#include "platform/render/render_style.h"
#include "platform/win/bitmap.h"
#include "platform/win/windows_gdi.h"

namespace {

using render_style::Blend;

void num(std::ostream& out, double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  std::string s(buf);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  out << (s == "-0" ? "0" : s);
}

void box(std::ostream& out, const BoxF& b) {
  out << "[";
  num(out, b.l);
  out << ",";
  num(out, b.t);
  out << ",";
  num(out, b.r);
  out << ",";
  num(out, b.b);
  out << "]";
}

void rect(std::ostream& out, const RECT& r) {
  out << "[" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "]";
}

void quoted(std::ostream& out, const std::string& s) {
  out << '"';
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') out << '\\' << c;
    else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out << buf;
    } else {
      out << c;
    }
  }
  out << '"';
}

int blendCode(Blend b) {
  switch (b) {
    case Blend::Difference: return 1;
    case Blend::Multiply: return 2;
    case Blend::Screen: return 3;
    default: return 0;
  }
}

void steps(std::ostream& out, int rop, COLORREF colour) {
  out << "[";
  bool first = true;
  for (const render_style::Step& s : render_style::vectorSteps(rop, colour)) {
    out << (first ? "" : ",") << "[" << blendCode(s.blend) << ",\"" << render_style::hex(s.colour) << "\"]";
    first = false;
  }
  out << "]";
}

const char* opName(DrawOp op) {
  switch (op) {
    case DrawOp::Rectangle: return "rect";
    case DrawOp::RoundRect: return "round";
    case DrawOp::Ellipse: return "ellipse";
    case DrawOp::Polygon: return "polygon";
    case DrawOp::Polyline: return "polyline";
    case DrawOp::FillRect: return "rect";
    case DrawOp::FocusRect: return "focus";
    case DrawOp::Text: return "text";
    case DrawOp::Image: return "image";
    default: return "none";
  }
}

void list(std::ostream& out, const DisplayList& l, int depth);

void command(std::ostream& out, const DrawCommand& c, int depth) {
  out << "{\"op\":\"" << opName(c.op) << "\",\"clip\":";
  rect(out, c.clip);
  if (c.clipRects) {
    out << ",\"rects\":[";
    for (std::size_t i = 0; i < c.clipRects->size(); ++i) {
      if (i != 0) out << ",";
      rect(out, (*c.clipRects)[i]);
    }
    out << "]";
  }
  switch (c.op) {
    case DrawOp::Text: {
      out << ",\"s\":";
      std::string s;
      for (const std::string& ch : render_style::utf8Characters(c.text)) s += ch;
      quoted(out, s);
      out << ",\"x\":[";
      int x = c.rect.left;
      const std::size_t n = render_style::utf8Characters(c.text).size();
      for (std::size_t i = 0; i < n; ++i) {
        out << (i != 0 ? "," : "") << x;
        x += i < c.advances.size() ? c.advances[i] : 0;
      }
      out << "],\"base\":" << c.baseline << ",\"size\":" << c.font.emHeight << ",\"color\":\""
          << render_style::hex(c.textColor) << "\",\"box\":";
      rect(out, c.rect);
      if (c.font.weight >= 600) out << ",\"bold\":true";
      if (c.font.italic) out << ",\"italic\":true";
      if (c.font.underline) out << ",\"under\":true";
      if (c.font.strikeOut) out << ",\"strike\":true";
      if (c.bkMode == OPAQUE) out << ",\"bk\":\"" << render_style::hex(c.bkColor) << "\"";
      break;
    }
    case DrawOp::Image: {
      out << ",\"box\":";
      rect(out, c.rect);
      out << ",\"src\":";
      rect(out, c.source);
      if (c.image) {
        const Bitmap& b = *c.image;
        out << ",\"pw\":" << b.width << ",\"ph\":" << b.height << ",\"base\":\""
            << render_style::hex(RGB((b.fill >> 16) & 0xFF, (b.fill >> 8) & 0xFF, b.fill & 0xFF)) << "\"";
        if (depth < Bitmap::kMaxNesting && !b.drawing.empty()) {
          out << ",\"sub\":";
          list(out, b.drawing, depth + 1);
        }
      }
      break;
    }
    case DrawOp::FocusRect: {
      out << ",\"box\":";
      rect(out, c.rect);
      break;
    }
    default: {
      if (render_style::hasBrush(c)) {
        out << ",\"fill\":{\"box\":";
        box(out, render_style::fillBox(c));
        out << ",\"steps\":";
        steps(out, c.rop, c.brush.color);
        if (c.brush.style == BS_HATCHED) out << ",\"hatch\":" << c.brush.hatch;
        out << "}";
      }
      if (render_style::hasPen(c) && c.op != DrawOp::FillRect) {
        out << ",\"stroke\":{\"box\":";
        box(out, render_style::outlineBox(c));
        out << ",\"steps\":";
        steps(out, c.rop, c.pen.color);
        out << ",\"width\":" << c.pen.width;
        const std::vector<double> d = render_style::dashes(c.pen.style);
        if (!d.empty()) {
          out << ",\"dash\":[";
          for (std::size_t i = 0; i < d.size(); ++i) {
            if (i != 0) out << ",";
            num(out, d[i]);
          }
          out << "]";
        }
        const bool thinPolyline = c.op == DrawOp::Polyline && render_style::isThinLine(c);
        out << ",\"cap\":\"" << (thinPolyline ? "butt" : render_style::roundPen(c) ? "round" : "square") << "\"";
        if (thinPolyline) {
          out << ",\"path\":[";
          bool first = true;
          for (const auto& p : render_style::thinPolylinePath(c)) {
            if (!first) out << ",";
            num(out, p.first);
            out << ",";
            num(out, p.second);
            first = false;
          }
          out << "]";
        }
        out << "}";
      }
      if (c.op == DrawOp::RoundRect) out << ",\"corner\":[" << c.corner.cx << "," << c.corner.cy << "]";
      if (c.op == DrawOp::Polygon || c.op == DrawOp::Polyline) {
        out << ",\"points\":[";
        for (std::size_t i = 0; i < c.points.size(); ++i) {
          out << (i != 0 ? "," : "") << c.points[i].x << "," << c.points[i].y;
        }
        out << "],\"even\":" << (c.fillMode == WINDING ? "false" : "true");
      }
      break;
    }
  }
  out << "}";
}

void list(std::ostream& out, const DisplayList& l, int depth) {
  out << "{\"w\":" << l.width() << ",\"h\":" << l.height() << ",\"bg\":\"" << render_style::hex(l.background())
      << "\",\"cmds\":[";
  bool first = true;
  for (const DrawCommand& c : l.commands()) {
    if (c.op == DrawOp::Mapping) continue;
    if (!first) out << ",";
    command(out, c, depth);
    first = false;
  }
  out << "]}";
}

}  // namespace

std::string displayListJson(const DisplayList& l) {
  std::ostringstream out;
  list(out, l, 0);
  return out.str();
}
