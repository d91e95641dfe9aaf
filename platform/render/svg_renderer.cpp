// Display lists as SVG (see svg_renderer.h).
#include "platform/render/svg_renderer.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "platform/render/cairo_renderer.h"
#include "platform/render/render_style.h"
#include "platform/win/bitmap.h"
#include "platform/win/windows_gdi.h"

namespace {

using render_style::Blend;

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  std::string s(buf);
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

std::string escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

class Writer {
 public:
  Writer(const DisplayList& list, const SvgDocument& document) : list_(list), document_(document) {}

  std::string run() {
    std::ostringstream body;
    for (const DrawCommand& c : list_.commands()) command(body, c);
    std::ostringstream out;
    const bool areas = !document_.areas.empty();
    if (!document_.fragment) out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << list_.width() << "\" height=\""
        << list_.height() << "\" viewBox=\"0 0 " << list_.width() << " " << list_.height() << "\"";
    if (areas) out << " role=\"group\" aria-label=\"" << escape(document_.title) << "\"";
    out << ">\n";
    out << "<defs>\n" << defs_.str() << "</defs>\n";
    out << "<g style=\"isolation:isolate\"" << (areas ? " aria-hidden=\"true\"" : "") << ">\n";
    out << "<rect x=\"0\" y=\"0\" width=\"" << list_.width() << "\" height=\"" << list_.height()
        << "\" fill=\"" << render_style::hex(list_.background()) << "\"/>\n";
    out << body.str() << "</g>\n";
    if (areas) writeAreas(out);
    out << "</svg>\n";
    return out.str();
  }

 private:
  std::string clipRef(const DrawCommand& c) {
    if (c.clipRects) return regionRef(c.clipRects);
    const RECT& r = c.clip;
    if (r.left <= 0 && r.top <= 0 && r.right >= list_.width() && r.bottom >= list_.height()) return "";
    auto key = std::make_tuple(r.left, r.top, r.right, r.bottom);
    auto it = clips_.find(key);
    if (it == clips_.end()) {
      std::string id = "c" + std::to_string(clips_.size());
      defs_ << "<clipPath id=\"" << id << "\"><rect x=\"" << r.left << "\" y=\"" << r.top
            << "\" width=\"" << std::max<LONG>(0, r.right - r.left) << "\" height=\""
            << std::max<LONG>(0, r.bottom - r.top) << "\"/></clipPath>\n";
      it = clips_.emplace(key, id).first;
    }
    return " clip-path=\"url(#" + it->second + ")\"";
  }

  // A clip region: a clip path of its rectangles, one per region shared by commands.
  std::string regionRef(const std::shared_ptr<const std::vector<RECT>>& rects) {
    auto it = regions_.find(rects.get());
    if (it == regions_.end()) {
      std::string id = "r" + std::to_string(regions_.size());
      defs_ << "<clipPath id=\"" << id << "\">";
      for (const RECT& r : *rects) {
        defs_ << "<rect x=\"" << r.left << "\" y=\"" << r.top << "\" width=\"" << (r.right - r.left)
              << "\" height=\"" << (r.bottom - r.top) << "\"/>";
      }
      defs_ << "</clipPath>\n";
      it = regions_.emplace(rects.get(), id).first;
      keep_.push_back(rects);
    }
    return " clip-path=\"url(#" + it->second + ")\"";
  }

  std::string hatchRef(const BrushSpec& b, COLORREF colour) {
    auto key = std::make_pair(b.hatch, colour);
    auto it = hatches_.find(key);
    if (it == hatches_.end()) {
      std::string id = "h" + std::to_string(hatches_.size());
      static const char* const kLines[] = {"M0 4.5H8", "M4.5 0V8", "M0 0L8 8", "M0 8L8 0",
                                           "M0 4.5H8M4.5 0V8", "M0 0L8 8M0 8L8 0"};
      int h = b.hatch >= 0 && b.hatch <= 5 ? b.hatch : 0;
      defs_ << "<pattern id=\"" << id << "\" width=\"8\" height=\"8\" patternUnits=\"userSpaceOnUse\">"
            << "<path d=\"" << kLines[h] << "\" stroke=\"" << render_style::hex(colour)
            << "\" stroke-width=\"1\"/></pattern>\n";
      it = hatches_.emplace(key, id).first;
    }
    return "url(#" + it->second + ")";
  }

  static std::string blendAttr(Blend b) {
    switch (b) {
      case Blend::Difference: return " style=\"mix-blend-mode:difference\"";
      case Blend::Multiply: return " style=\"mix-blend-mode:multiply\"";
      case Blend::Screen: return " style=\"mix-blend-mode:screen\"";
      default: return "";
    }
  }

  std::string shape(const DrawCommand& c, const BoxF& box) {
    std::ostringstream s;
    double w = std::max(0.0, box.r - box.l), h = std::max(0.0, box.b - box.t);
    switch (c.op) {
      case DrawOp::Ellipse:
        s << "<ellipse cx=\"" << num(box.l + w / 2) << "\" cy=\"" << num(box.t + h / 2) << "\" rx=\""
          << num(w / 2) << "\" ry=\"" << num(h / 2) << "\"";
        break;
      case DrawOp::RoundRect:
        s << "<rect x=\"" << num(box.l) << "\" y=\"" << num(box.t) << "\" width=\"" << num(w)
          << "\" height=\"" << num(h) << "\" rx=\"" << num(std::min(w, double(c.corner.cx)) / 2)
          << "\" ry=\"" << num(std::min(h, double(c.corner.cy)) / 2) << "\"";
        break;
      case DrawOp::Polygon:
      case DrawOp::Polyline: {
        s << (c.op == DrawOp::Polygon ? "<polygon" : "<polyline") << " points=\"";
        for (std::size_t i = 0; i < c.points.size(); ++i) {
          s << (i != 0 ? " " : "") << num(c.points[i].x + 0.5) << "," << num(c.points[i].y + 0.5);
        }
        s << "\"";
        if (c.op == DrawOp::Polygon) s << " fill-rule=\"" << (c.fillMode == WINDING ? "nonzero" : "evenodd") << "\"";
        break;
      }
      default:
        s << "<rect x=\"" << num(box.l) << "\" y=\"" << num(box.t) << "\" width=\"" << num(w)
          << "\" height=\"" << num(h) << "\"";
        break;
    }
    return s.str();
  }

  void command(std::ostream& out, const DrawCommand& c) {
    if (c.op == DrawOp::Mapping) return;  // a metafile's mapping call draws nothing
    const std::string clip = clipRef(c);
    if (c.op == DrawOp::Text) {
      text(out, c, clip);
      return;
    }
    if (c.op == DrawOp::Image) {
      image(out, c, clip);
      return;
    }
    if (c.op == DrawOp::FocusRect) {
      BoxF b = {c.rect.left + 0.5, c.rect.top + 0.5, c.rect.right - 0.5, c.rect.bottom - 0.5};
      out << "<rect x=\"" << num(b.l) << "\" y=\"" << num(b.t) << "\" width=\"" << num(b.r - b.l)
          << "\" height=\"" << num(b.b - b.t) << "\" fill=\"none\" stroke=\"#FFFFFF\" stroke-width=\"1\""
          << " stroke-dasharray=\"1,1\"" << blendAttr(Blend::Difference) << clip << "/>\n";
      return;
    }
    if (render_style::hasBrush(c)) part(out, c, true, c.brush.color, clip);
    if (render_style::hasPen(c)) part(out, c, false, c.pen.color, clip);
  }

  // The fill or the outline of a figure: one element per blend of the raster
  // operation, and a comment where the blends only approximate the operation.
  void part(std::ostream& out, const DrawCommand& c, bool fill, COLORREF colour, const std::string& clip) {
    if (!render_style::vectorExact(c.rop, colour)) {
      out << "<!-- raster operation " << ropName(c.rop) << " with " << render_style::hex(colour)
          << " is approximated by blending -->\n";
    }
    for (const render_style::Step& step : render_style::vectorSteps(c.rop, colour)) {
      if (fill) {
        std::string paint = c.brush.style == BS_HATCHED ? hatchRef(c.brush, step.colour) : render_style::hex(step.colour);
        out << shape(c, render_style::fillBox(c)) << " fill=\"" << paint << "\" stroke=\"none\""
            << blendAttr(step.blend) << clip << "/>\n";
        continue;
      }
      const bool thinPolyline = c.op == DrawOp::Polyline && render_style::isThinLine(c);
      if (thinPolyline) {
        // One pixel wide, flat ends, half a pixel before the last point (render_style.h).
        out << "<polyline points=\"";
        const std::vector<std::pair<double, double>> pts = render_style::thinPolylinePath(c);
        for (std::size_t i = 0; i < pts.size(); ++i) out << (i != 0 ? " " : "") << num(pts[i].first) << "," << num(pts[i].second);
        out << "\"";
      } else {
        out << shape(c, render_style::outlineBox(c));
      }
      out << " fill=\"none\" stroke=\"" << render_style::hex(step.colour) << "\" stroke-width=\"" << c.pen.width << "\"";
      std::vector<double> d = render_style::dashes(c.pen.style);
      if (!d.empty()) {
        out << " stroke-dasharray=\"";
        for (std::size_t i = 0; i < d.size(); ++i) out << (i != 0 ? "," : "") << num(d[i]);
        out << "\"";
      }
      if (thinPolyline) out << " stroke-linecap=\"butt\"";
      else if (render_style::roundPen(c)) out << " stroke-linecap=\"round\" stroke-linejoin=\"round\"";
      else out << " stroke-linecap=\"square\"";
      out << blendAttr(step.blend) << clip << "/>\n";
    }
  }

  // An image: its source's pixels as an embedded PNG picture stretched over its
  // rectangle, the raster operation as render_style::imageStep blends it.
  void image(std::ostream& out, const DrawCommand& c, const std::string& clip) {
    if (!c.image) return;
    const render_style::ImageStep step = render_style::imageStep(c.rop3);
    if (!step.exact) {
      out << "<!-- raster operation " << rop3Name(c.rop3) << " is "
          << (step.blend == Blend::Normal ? "drawn as a copy" : "approximated by blending") << " -->\n";
    }
    int w = 0, h = 0;
    std::vector<uint32_t> px = CairoRenderer::imagePixels(c, step.invertSource, &w, &h);
    if (px.empty()) return;
    std::string style = c.smooth ? "" : "image-rendering:pixelated";
    std::string mix = blendAttr(step.blend);  // " style=\"mix-blend-mode:...\"" or empty
    if (!mix.empty()) {
      const std::string mode = mix.substr(8, mix.size() - 9);
      style += (style.empty() ? "" : ";") + mode;
    }
    out << "<image x=\"" << c.rect.left << "\" y=\"" << c.rect.top << "\" width=\"" << (c.rect.right - c.rect.left)
        << "\" height=\"" << (c.rect.bottom - c.rect.top) << "\" preserveAspectRatio=\"none\"";
    if (!style.empty()) out << " style=\"" << style << "\"";
    out << " href=\"data:image/png;base64," << base64(CairoRenderer::encodePng(px, w, h)) << "\"" << clip << "/>\n";
  }

  static std::string base64(const std::string& bytes) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
      const unsigned a = static_cast<unsigned char>(bytes[i]);
      const unsigned b = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
      const unsigned c = i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0;
      const unsigned v = (a << 16) | (b << 8) | c;
      out += kDigits[(v >> 18) & 63];
      out += kDigits[(v >> 12) & 63];
      out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
      out += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
    }
    return out;
  }

  void text(std::ostream& out, const DrawCommand& c, const std::string& clip) {
    if (c.bkMode == OPAQUE) {
      out << "<rect x=\"" << c.rect.left << "\" y=\"" << c.rect.top << "\" width=\""
          << (c.rect.right - c.rect.left) << "\" height=\"" << (c.rect.bottom - c.rect.top)
          << "\" fill=\"" << render_style::hex(c.bkColor) << "\"" << clip << "/>\n";
    }
    std::vector<std::string> chars = render_style::utf8Characters(c.text);
    std::ostringstream xs, content;
    int x = c.rect.left;
    for (std::size_t i = 0; i < chars.size(); ++i) {
      xs << (i != 0 ? " " : "") << x;
      x += i < c.advances.size() ? c.advances[i] : 0;
      content << escape(chars[i] == " " ? "\xC2\xA0" : chars[i]);
    }
    out << "<text x=\"" << xs.str() << "\" y=\"" << c.baseline << "\" font-family=\""
        << render_style::fontFamily() << ", Arial, sans-serif\" font-size=\"" << c.font.emHeight
        << "\" fill=\"" << render_style::hex(c.textColor) << "\"";
    if (c.font.weight >= 600) out << " font-weight=\"bold\"";
    if (c.font.italic) out << " font-style=\"italic\"";
    if (c.font.underline || c.font.strikeOut) {
      out << " text-decoration=\"" << (c.font.underline ? "underline" : "")
          << (c.font.underline && c.font.strikeOut ? " " : "") << (c.font.strikeOut ? "line-through" : "") << "\"";
    }
    out << clip << ">" << content.str() << "</text>\n";
  }

  // The areas over the drawing, in the document's order: a link is an <a>
  // holding its tooltip and a transparent rectangle; a region is a group with
  // its role.
  void writeAreas(std::ostream& out) const {
    out << "<g class=\"areas\">\n";
    for (const SvgArea& a : document_.areas) {
      const std::string label = escape(a.label);
      if (!a.href.empty()) {
        out << "<a href=\"" << escape(a.href) << "\" aria-label=\"" << label << "\"";
        if (a.external) out << " target=\"_blank\" rel=\"noopener\"";
        out << ">";
      } else {
        out << "<g role=\"" << escape(a.role) << "\" aria-label=\"" << label << "\">";
      }
      out << "<title>" << label << "</title><rect x=\"" << a.rect.left << "\" y=\"" << a.rect.top
          << "\" width=\"" << std::max(0LL, static_cast<long long>(a.rect.right) - a.rect.left) << "\" height=\""
          << std::max(0LL, static_cast<long long>(a.rect.bottom) - a.rect.top) << "\" fill=\"transparent\"/>"
          << (a.href.empty() ? "</g>\n" : "</a>\n");
    }
    out << "</g>\n";
  }

  const DisplayList& list_;
  const SvgDocument& document_;
  std::ostringstream defs_;
  std::map<std::tuple<LONG, LONG, LONG, LONG>, std::string> clips_;
  std::map<std::pair<int, COLORREF>, std::string> hatches_;
  std::map<const std::vector<RECT>*, std::string> regions_;
  std::vector<std::shared_ptr<const std::vector<RECT>>> keep_;  // keeps the keys alive
};

}  // namespace

std::string SvgRenderer::render(const DisplayList& list) { return render(list, SvgDocument()); }

std::string SvgRenderer::render(const DisplayList& list, const SvgDocument& document) {
  return Writer(list, document).run();
}

bool SvgRenderer::writeFile(const DisplayList& list, const std::string& path) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) return false;
  f << render(list);
  f.close();
  return static_cast<bool>(f);
}
