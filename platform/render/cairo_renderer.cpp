// Display lists drawn with cairo (see cairo_renderer.h).
#include "platform/render/cairo_renderer.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>

#include "platform/render/render_style.h"
#include "platform/win/windows_gdi.h"

namespace {

using render_style::Blend;

// At exit, cairo's font caches and the font configuration they hold are given
// back, so that leak checkers see only what the program itself kept.
struct FontCacheRelease {
  ~FontCacheRelease() {
    cairo_debug_reset_static_data();
    FcFini();
  }
} g_fontCacheRelease;

// Surfaces larger than this on a side are refused: a list's size comes from a
// window or a page, and a picture of that size would not fit in memory.
const int kMaxSide = 16384;

void setColour(cairo_t* cr, COLORREF c) {
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

void setHatch(cairo_t* cr, int hatch, COLORREF c) {
  cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
  cairo_t* t = cairo_create(tile);
  cairo_set_antialias(t, CAIRO_ANTIALIAS_NONE);
  setColour(t, c);
  cairo_set_line_width(t, 1);
  auto line = [t](double x1, double y1, double x2, double y2) {
    cairo_move_to(t, x1, y1);
    cairo_line_to(t, x2, y2);
  };
  switch (hatch) {
    case HS_HORIZONTAL: line(0, 4.5, 8, 4.5); break;
    case HS_VERTICAL: line(4.5, 0, 4.5, 8); break;
    case HS_FDIAGONAL: line(0, 0, 8, 8); break;
    case HS_BDIAGONAL: line(0, 8, 8, 0); break;
    case HS_CROSS: line(0, 4.5, 8, 4.5); line(4.5, 0, 4.5, 8); break;
    default: line(0, 0, 8, 8); line(0, 8, 8, 0); break;
  }
  cairo_stroke(t);
  cairo_destroy(t);
  cairo_pattern_t* p = cairo_pattern_create_for_surface(tile);
  cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
  // Hatch lines stay one pixel wide when a page is scaled.
  cairo_pattern_set_filter(p, CAIRO_FILTER_NEAREST);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
  cairo_surface_destroy(tile);
}

void path(cairo_t* cr, const DrawCommand& c, const BoxF& b) {
  const double w = std::max(0.0, b.r - b.l), h = std::max(0.0, b.b - b.t);
  switch (c.op) {
    case DrawOp::Ellipse:
      if (w <= 0 || h <= 0) return;
      cairo_save(cr);
      cairo_translate(cr, b.l + w / 2, b.t + h / 2);
      cairo_scale(cr, w / 2, h / 2);
      cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
      cairo_restore(cr);
      break;
    case DrawOp::RoundRect: {
      double rx = std::min(w, double(c.corner.cx)) / 2, ry = std::min(h, double(c.corner.cy)) / 2;
      if (rx <= 0 || ry <= 0) {
        cairo_rectangle(cr, b.l, b.t, w, h);
        break;
      }
      cairo_new_sub_path(cr);
      auto corner = [cr, rx, ry](double cx, double cy, double a1, double a2) {
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_scale(cr, rx, ry);
        cairo_arc(cr, 0, 0, 1, a1, a2);
        cairo_restore(cr);
      };
      corner(b.r - rx, b.t + ry, -M_PI / 2, 0);
      corner(b.r - rx, b.b - ry, 0, M_PI / 2);
      corner(b.l + rx, b.b - ry, M_PI / 2, M_PI);
      corner(b.l + rx, b.t + ry, M_PI, 3 * M_PI / 2);
      cairo_close_path(cr);
      break;
    }
    case DrawOp::Polygon:
    case DrawOp::Polyline:
      for (std::size_t i = 0; i < c.points.size(); ++i) {
        double x = c.points[i].x + 0.5, y = c.points[i].y + 0.5;
        if (i == 0) cairo_move_to(cr, x, y);
        else cairo_line_to(cr, x, y);
      }
      if (c.op == DrawOp::Polygon) cairo_close_path(cr);
      break;
    default: cairo_rectangle(cr, b.l, b.t, w, h); break;
  }
}

void blend(cairo_t* cr, Blend b) {
  switch (b) {
    case Blend::Difference: cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE); break;
    case Blend::Multiply: cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY); break;
    case Blend::Screen: cairo_set_operator(cr, CAIRO_OPERATOR_SCREEN); break;
    default: cairo_set_operator(cr, CAIRO_OPERATOR_OVER); break;
  }
}

// Where a picture is drawn: `raster` is the image surface behind `cr` for PNG
// and pixels, null for PDF.
struct Target {
  cairo_t* cr;
  cairo_surface_t* raster;
  int depth;  // how many images deep (a bitmap drawn inside an image is one deeper)
};

void command(const Target& t, const DrawCommand& c);

uint32_t rgbOf(COLORREF c) {
  return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) |
         static_cast<uint32_t>(GetBValue(c));
}

// A bitmap's pixels: its base, with its drawing over it.
cairo_surface_t* bitmapSurface(const Bitmap& b, int depth) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, b.width, b.height);
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < b.height; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    for (int x = 0; x < b.width; ++x) row[x] = b.basePixel(x, y);
  }
  cairo_surface_mark_dirty(s);
  if (!b.drawing.empty()) {
    cairo_t* cr = cairo_create(s);
    const Target t = {cr, s, depth};
    for (const DrawCommand& c : b.drawing.commands()) command(t, c);
    cairo_destroy(cr);
  }
  cairo_surface_flush(s);
  return s;
}

// The source rectangle of an image command as a surface of its own size,
// mirrored as the command says, black outside the bitmap; null when too large.
cairo_surface_t* sourceSurface(const DrawCommand& c, int depth, bool invert) {
  const long long w = static_cast<long long>(c.source.right) - c.source.left;
  const long long h = static_cast<long long>(c.source.bottom) - c.source.top;
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return nullptr;
  cairo_surface_t* whole = bitmapSurface(*c.image, depth);
  const unsigned char* from = cairo_image_surface_get_data(whole);
  const int fromStride = cairo_image_surface_get_stride(whole);
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(w), static_cast<int>(h));
  cairo_surface_flush(out);
  unsigned char* data = cairo_image_surface_get_data(out);
  const int stride = cairo_image_surface_get_stride(out);
  for (long long y = 0; y < h; ++y) {
    const long long sy = c.mirrorY ? c.source.bottom - 1 - y : c.source.top + y;
    uint32_t* row = reinterpret_cast<uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    for (long long x = 0; x < w; ++x) {
      const long long sx = c.mirrorX ? c.source.right - 1 - x : c.source.left + x;
      uint32_t v = 0;
      if (sx >= 0 && sy >= 0 && sx < c.image->width && sy < c.image->height)
        v = reinterpret_cast<const uint32_t*>(from + static_cast<std::size_t>(sy) * fromStride)[sx] & 0xFFFFFFu;
      row[x] = invert ? ~v & 0xFFFFFFu : v;
    }
  }
  cairo_surface_mark_dirty(out);
  cairo_surface_destroy(whole);
  return out;
}

// The parts of a figure, each painted on its own with its colour.
enum class Part { Fill, Outline, FocusOutline };

void clipTo(cairo_t* cr, const DrawCommand& c) {
  cairo_rectangle(cr, c.clip.left, c.clip.top, std::max<LONG>(0, c.clip.right - c.clip.left),
                  std::max<LONG>(0, c.clip.bottom - c.clip.top));
  cairo_clip(cr);
  if (c.clipRects) {
    // A clip region: the union of its rectangles, which never overlap.
    for (const RECT& r : *c.clipRects) cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
    cairo_clip(cr);
  }
}

// Draws one part of a figure with the source already set: fills or strokes it.
void drawPart(cairo_t* cr, const DrawCommand& c, Part part) {
  switch (part) {
    case Part::Fill:
      path(cr, c, render_style::fillBox(c));
      cairo_set_fill_rule(cr, c.fillMode == WINDING ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
      cairo_fill(cr);
      break;
    case Part::Outline: {
      cairo_set_line_width(cr, c.pen.width);
      // Wide pens have round ends and joins; one-pixel polylines end flat, half
      // a pixel before their last point (render_style.h).
      const bool round = render_style::roundPen(c);
      cairo_set_line_cap(cr, round ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_SQUARE);
      cairo_set_line_join(cr, round ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
      std::vector<double> d = render_style::dashes(c.pen.style);
      if (!d.empty()) cairo_set_dash(cr, d.data(), static_cast<int>(d.size()), 0);
      if (c.op == DrawOp::Polyline && render_style::isThinLine(c)) {
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        std::vector<std::pair<double, double>> pts = render_style::thinPolylinePath(c);
        for (std::size_t i = 0; i < pts.size(); ++i) {
          if (i == 0) cairo_move_to(cr, pts[i].first, pts[i].second);
          else cairo_line_to(cr, pts[i].first, pts[i].second);
        }
      } else {
        path(cr, c, render_style::outlineBox(c));
      }
      cairo_stroke(cr);
      cairo_set_dash(cr, nullptr, 0, 0);
      break;
    }
    case Part::FocusOutline: {
      double dash[] = {1, 1};
      cairo_set_dash(cr, dash, 2, 0);
      cairo_set_line_width(cr, 1);
      cairo_rectangle(cr, c.rect.left + 0.5, c.rect.top + 0.5, c.rect.right - c.rect.left - 1.0,
                      c.rect.bottom - c.rect.top - 1.0);
      cairo_stroke(cr);
      cairo_set_dash(cr, nullptr, 0, 0);
      break;
    }
  }
}

void setPartSource(cairo_t* cr, const DrawCommand& c, Part part, COLORREF colour) {
  if (part == Part::Fill && c.brush.style == BS_HATCHED) setHatch(cr, c.brush.hatch, colour);
  else setColour(cr, colour);
}

// The exact raster operation on an image: the part is drawn as a mask over the
// pixels it covers (inside the clip), and each of those pixels becomes the
// operation of the colour and what is there.
void rasterOperation(const Target& t, const DrawCommand& c, Part part, int rop, COLORREF colour) {
  double x1, y1, x2, y2;
  cairo_clip_extents(t.cr, &x1, &y1, &x2, &y2);
  const int width = cairo_image_surface_get_width(t.raster), height = cairo_image_surface_get_height(t.raster);
  const int left = std::max(0, static_cast<int>(std::floor(x1))), top = std::max(0, static_cast<int>(std::floor(y1)));
  const int right = std::min(width, static_cast<int>(std::ceil(x2))), bottom = std::min(height, static_cast<int>(std::ceil(y2)));
  if (right <= left || bottom <= top) return;
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, right - left, bottom - top);
  cairo_t* m = cairo_create(mask);
  cairo_translate(m, -left, -top);
  clipTo(m, c);
  cairo_set_antialias(m, CAIRO_ANTIALIAS_NONE);
  setPartSource(m, c, part, 0);
  drawPart(m, c, part);
  cairo_destroy(m);
  cairo_surface_flush(mask);
  cairo_surface_flush(t.raster);
  const unsigned char* bits = cairo_image_surface_get_data(mask);
  const int maskStride = cairo_image_surface_get_stride(mask);
  unsigned char* data = cairo_image_surface_get_data(t.raster);
  const int stride = cairo_image_surface_get_stride(t.raster);
  const uint32_t pen = (static_cast<uint32_t>(GetRValue(colour)) << 16) |
                       (static_cast<uint32_t>(GetGValue(colour)) << 8) | static_cast<uint32_t>(GetBValue(colour));
  for (int y = top; y < bottom; ++y) {
    const unsigned char* mrow = bits + static_cast<std::size_t>(y - top) * maskStride;
    uint32_t* row = reinterpret_cast<uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    for (int x = left; x < right; ++x)
      if (mrow[x - left] >= 0x80) row[x] = render_style::applyRop2(rop, row[x] & 0xFFFFFFu, pen);
  }
  cairo_surface_mark_dirty_rectangle(t.raster, left, top, right - left, bottom - top);
  cairo_surface_destroy(mask);
}

// Whether a pixel is inside the command's clip.
bool inClip(const DrawCommand& c, long long x, long long y) {
  if (x < c.clip.left || x >= c.clip.right || y < c.clip.top || y >= c.clip.bottom) return false;
  if (!c.clipRects) return true;
  // The bands run top to bottom: the first rectangle whose bottom is below y starts y's band.
  const std::vector<RECT>& rects = *c.clipRects;
  auto it = std::upper_bound(rects.begin(), rects.end(), y, [](long long v, const RECT& r) { return v < r.bottom; });
  for (; it != rects.end() && it->top <= y; ++it)
    if (x >= it->left && x < it->right) return true;
  return false;
}

// A one-pixel line on an image: the pixels Windows sets, each in turn (a pixel
// the line crosses twice is combined twice, as on Windows).
void thinLineRaster(const Target& t, const DrawCommand& c, int rop, COLORREF colour) {
  const int width = cairo_image_surface_get_width(t.raster), height = cairo_image_surface_get_height(t.raster);
  RECT bound = {std::max<LONG>(0, c.clip.left), std::max<LONG>(0, c.clip.top), std::min<LONG>(width, c.clip.right),
                std::min<LONG>(height, c.clip.bottom)};
  if (bound.right <= bound.left || bound.bottom <= bound.top) return;
  std::vector<POINT> pixels;
  render_style::thinLinePixels(c, bound, pixels);
  if (pixels.empty() || rop == R2_NOP) return;
  COLORREF plain = 0;
  const bool isPlain = render_style::isPlainPaint(rop, colour, &plain);
  const COLORREF use = isPlain ? plain : colour;
  const uint32_t pen = (static_cast<uint32_t>(GetRValue(use)) << 16) | (static_cast<uint32_t>(GetGValue(use)) << 8) |
                       static_cast<uint32_t>(GetBValue(use));
  cairo_surface_flush(t.raster);
  unsigned char* data = cairo_image_surface_get_data(t.raster);
  const int stride = cairo_image_surface_get_stride(t.raster);
  for (const POINT& p : pixels) {
    if (!inClip(c, p.x, p.y)) continue;
    uint32_t* px = reinterpret_cast<uint32_t*>(data + static_cast<std::size_t>(p.y) * stride) + p.x;
    *px = isPlain ? pen : render_style::applyRop2(rop, *px & 0xFFFFFFu, pen);
  }
  cairo_surface_mark_dirty(t.raster);
}

// One part of a figure in its colour under the raster operation.
void paintPart(const Target& t, const DrawCommand& c, Part part, int rop, COLORREF colour) {
  if (part == Part::Outline && t.raster != nullptr && render_style::isThinLine(c)) {
    thinLineRaster(t, c, rop, colour);
    return;
  }
  COLORREF plain = 0;
  if (render_style::isPlainPaint(rop, colour, &plain)) {
    cairo_set_operator(t.cr, CAIRO_OPERATOR_OVER);
    setPartSource(t.cr, c, part, plain);
    drawPart(t.cr, c, part);
    return;
  }
  if (rop == R2_NOP) return;
  if (t.raster != nullptr) {
    rasterOperation(t, c, part, rop, colour);
    return;
  }
  // PDF: the blends of render_style, exact where vectorExact says so.
  for (const render_style::Step& step : render_style::vectorSteps(rop, colour)) {
    blend(t.cr, step.blend);
    setPartSource(t.cr, c, part, step.colour);
    drawPart(t.cr, c, part);
  }
  cairo_set_operator(t.cr, CAIRO_OPERATOR_OVER);
}

void text(cairo_t* cr, const DrawCommand& c) {
  if (c.bkMode == OPAQUE) {
    setColour(cr, c.bkColor);
    cairo_rectangle(cr, c.rect.left, c.rect.top, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top);
    cairo_fill(cr);
  }
  cairo_select_font_face(cr, render_style::fontFamily(),
                         c.font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                         c.font.weight >= 600 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, c.font.emHeight);
  setColour(cr, c.textColor);
  std::vector<std::string> chars = render_style::utf8Characters(c.text);
  double x = c.rect.left;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    cairo_move_to(cr, x, c.baseline);
    cairo_show_text(cr, chars[i].c_str());
    x += i < c.advances.size() ? c.advances[i] : 0;
  }
  if (c.font.underline || c.font.strikeOut) {
    double thick = std::max(1.0, std::floor(c.font.emHeight / 14.0));
    if (c.font.underline) cairo_rectangle(cr, c.rect.left, c.baseline + thick, x - c.rect.left, thick);
    if (c.font.strikeOut) cairo_rectangle(cr, c.rect.left, c.baseline - c.font.emHeight * 0.3, x - c.rect.left, thick);
    cairo_fill(cr);
  }
}

// Draws the image's source, stretched into its rectangle, on `cr`.
void paintScaled(cairo_t* cr, const DrawCommand& c, cairo_surface_t* src) {
  const int w = cairo_image_surface_get_width(src), h = cairo_image_surface_get_height(src);
  cairo_save(cr);
  cairo_translate(cr, c.rect.left, c.rect.top);
  cairo_scale(cr, static_cast<double>(c.rect.right - c.rect.left) / w, static_cast<double>(c.rect.bottom - c.rect.top) / h);
  cairo_set_source_surface(cr, src, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), c.smooth ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
  cairo_rectangle(cr, 0, 0, w, h);
  cairo_fill(cr);
  cairo_restore(cr);
}

void image(const Target& t, const DrawCommand& c) {
  if (!c.image || t.depth >= Bitmap::kMaxNesting) return;
  const unsigned code = (c.rop3 >> 16) & 0xFF;
  const render_style::ImageStep step = render_style::imageStep(c.rop3);
  if (t.raster == nullptr || code == 0xCC || code == 0x33) {
    // Copies (and, in PDF, the blend that stands for the operation).
    cairo_surface_t* src = sourceSurface(c, t.depth + 1, step.invertSource);
    if (src == nullptr) return;
    blend(t.cr, step.blend);
    paintScaled(t.cr, c, src);
    cairo_set_operator(t.cr, CAIRO_OPERATOR_OVER);
    cairo_surface_destroy(src);
    return;
  }
  // The exact operation: the stretched source beside the destination, pixel by pixel.
  double x1, y1, x2, y2;
  cairo_clip_extents(t.cr, &x1, &y1, &x2, &y2);
  const int width = cairo_image_surface_get_width(t.raster), height = cairo_image_surface_get_height(t.raster);
  const int left = std::max({0, static_cast<int>(std::floor(x1)), static_cast<int>(c.rect.left)});
  const int top = std::max({0, static_cast<int>(std::floor(y1)), static_cast<int>(c.rect.top)});
  const int right = std::min({width, static_cast<int>(std::ceil(x2)), static_cast<int>(c.rect.right)});
  const int bottom = std::min({height, static_cast<int>(std::ceil(y2)), static_cast<int>(c.rect.bottom)});
  if (right <= left || bottom <= top) return;
  cairo_surface_t* src = sourceSurface(c, t.depth + 1, false);
  if (src == nullptr) return;
  cairo_surface_t* stretched = cairo_image_surface_create(CAIRO_FORMAT_RGB24, right - left, bottom - top);
  cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, right - left, bottom - top);
  cairo_t* s = cairo_create(stretched);
  cairo_translate(s, -left, -top);
  paintScaled(s, c, src);
  cairo_destroy(s);
  cairo_t* m = cairo_create(mask);
  cairo_translate(m, -left, -top);
  clipTo(m, c);
  cairo_rectangle(m, c.rect.left, c.rect.top, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top);
  cairo_fill(m);
  cairo_destroy(m);
  cairo_surface_flush(stretched);
  cairo_surface_flush(mask);
  cairo_surface_flush(t.raster);
  unsigned char* data = cairo_image_surface_get_data(t.raster);
  const int stride = cairo_image_surface_get_stride(t.raster);
  const unsigned char* sdata = cairo_image_surface_get_data(stretched);
  const int sstride = cairo_image_surface_get_stride(stretched);
  const unsigned char* mdata = cairo_image_surface_get_data(mask);
  const int mstride = cairo_image_surface_get_stride(mask);
  const uint32_t pattern = rgbOf(c.brush.color);
  for (int y = top; y < bottom; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    const uint32_t* srow = reinterpret_cast<const uint32_t*>(sdata + static_cast<std::size_t>(y - top) * sstride);
    const unsigned char* mrow = mdata + static_cast<std::size_t>(y - top) * mstride;
    for (int x = left; x < right; ++x)
      if (mrow[x - left] >= 0x80)
        row[x] = render_style::applyRop3(c.rop3, row[x] & 0xFFFFFFu, srow[x - left] & 0xFFFFFFu, pattern);
  }
  cairo_surface_mark_dirty_rectangle(t.raster, left, top, right - left, bottom - top);
  cairo_surface_destroy(mask);
  cairo_surface_destroy(stretched);
  cairo_surface_destroy(src);
}

void command(const Target& t, const DrawCommand& c) {
  if (c.op == DrawOp::Mapping) return;  // a metafile's mapping call draws nothing
  cairo_t* cr = t.cr;
  cairo_save(cr);
  clipTo(cr, c);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  if (c.op == DrawOp::Image) {
    image(t, c);
  } else if (c.op == DrawOp::Text) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    text(cr, c);
  } else if (c.op == DrawOp::FocusRect) {
    paintPart(t, c, Part::FocusOutline, R2_NOT, 0);
  } else {
    if (render_style::hasBrush(c)) paintPart(t, c, Part::Fill, c.rop, c.brush.color);
    if (render_style::hasPen(c)) paintPart(t, c, Part::Outline, c.rop, c.pen.color);
  }
  cairo_restore(cr);
}

void draw(const Target& t, const DisplayList& list) {
  setColour(t.cr, list.background());
  cairo_paint(t.cr);
  for (const DrawCommand& c : list.commands()) command(t, c);
}

bool sizeOk(const DisplayList& list) {
  return list.width() > 0 && list.height() > 0 && list.width() <= kMaxSide && list.height() <= kMaxSide;
}

}  // namespace

bool CairoRenderer::writePng(const DisplayList& list, const std::string& path) {
  if (!sizeOk(list)) return false;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, list.width(), list.height());
  cairo_t* cr = cairo_create(s);
  draw({cr, s, 0}, list);
  cairo_destroy(cr);
  bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return ok;
}

bool CairoRenderer::writePdf(const std::vector<const DisplayList*>& pages, const std::string& path, int dpi) {
  if (pages.empty() || dpi <= 0) return false;
  for (const DisplayList* p : pages)
    if (p == nullptr || !sizeOk(*p)) return false;
  const double scale = 72.0 / dpi;
  cairo_surface_t* s = cairo_pdf_surface_create(path.c_str(), pages[0]->width() * scale, pages[0]->height() * scale);
  cairo_t* cr = cairo_create(s);
  for (const DisplayList* p : pages) {
    cairo_pdf_surface_set_size(s, p->width() * scale, p->height() * scale);
    cairo_save(cr);
    cairo_scale(cr, scale, scale);
    draw({cr, nullptr, 0}, *p);
    cairo_restore(cr);
    cairo_show_page(cr);
  }
  cairo_destroy(cr);
  cairo_surface_finish(s);
  bool ok = cairo_surface_status(s) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return ok;
}

std::vector<uint32_t> CairoRenderer::renderPixels(const DisplayList& list) {
  std::vector<uint32_t> out;
  if (!sizeOk(list)) return out;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, list.width(), list.height());
  cairo_t* cr = cairo_create(s);
  draw({cr, s, 0}, list);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  out.reserve(static_cast<std::size_t>(list.width()) * static_cast<std::size_t>(list.height()));
  for (int y = 0; y < list.height(); ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    for (int x = 0; x < list.width(); ++x) out.push_back(row[x] & 0xFFFFFFu);
  }
  cairo_surface_destroy(s);
  return out;
}

std::vector<uint32_t> CairoRenderer::bitmapPixels(const Bitmap& bitmap) {
  cairo_surface_t* s = bitmapSurface(bitmap, 0);
  std::vector<uint32_t> out;
  out.reserve(static_cast<std::size_t>(bitmap.width) * static_cast<std::size_t>(bitmap.height));
  const unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < bitmap.height; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    for (int x = 0; x < bitmap.width; ++x) out.push_back(row[x] & 0xFFFFFFu);
  }
  cairo_surface_destroy(s);
  return out;
}

std::vector<uint32_t> CairoRenderer::imagePixels(const DrawCommand& image, bool invert, int* width, int* height) {
  std::vector<uint32_t> out;
  *width = *height = 0;
  if (!image.image) return out;
  cairo_surface_t* s = sourceSurface(image, 1, invert);
  if (s == nullptr) return out;
  *width = cairo_image_surface_get_width(s);
  *height = cairo_image_surface_get_height(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < *height; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    for (int x = 0; x < *width; ++x) out.push_back(row[x] & 0xFFFFFFu);
  }
  cairo_surface_destroy(s);
  return out;
}

namespace {

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::string CairoRenderer::encodePng(const std::vector<uint32_t>& pixels, int width, int height) {
  std::string bytes;
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return bytes;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < height; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    for (int x = 0; x < width; ++x) row[x] = pixels[static_cast<std::size_t>(y) * width + x];
  }
  cairo_surface_mark_dirty(s);
  cairo_surface_write_to_png_stream(s, appendBytes, &bytes);
  cairo_surface_destroy(s);
  return bytes;
}
