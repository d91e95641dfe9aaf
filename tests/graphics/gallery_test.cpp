// The shape gallery as the three renderers write it: the SVG places every
// character and every polygon point where the display list has them, the PDF
// draws the same characters, each run starting at a character of the display
// list, and the PNG shows each text in its colour; and the labels drawn in the
// gallery are centred lines one text height apart.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/labeled_shape.h"
#include "platform/owl/t_window.h"
#include "platform/render/cairo_renderer.h"
#include "platform/render/headless_host.h"
#include "platform/render/svg_renderer.h"
#include "tools/gallery/shape_gallery.h"

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The page content of a PDF written by the renderer, inflated.
std::string pdfContent(const std::string& pdf) {
  const std::size_t at = pdf.find("stream");
  if (at == std::string::npos) return "";
  std::size_t begin = pdf.find('\n', at) + 1;
  std::size_t end = pdf.find("endstream", begin);
  std::string out(64u << 20, '\0');
  uLongf size = static_cast<uLongf>(out.size());
  if (uncompress(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(pdf.data() + begin),
                 static_cast<uLong>(end - begin)) != Z_OK)
    return "";
  out.resize(size);
  return out;
}

struct Glyph {
  double x, y;
  char c;
};

class GalleryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<HeadlessHost>(ShapeGallery::pageWidth() + 40, ShapeGallery::pageHeight() + 60);
    frame = std::make_unique<TWindow>(host->makeTopLevel(ShapeGallery::pageWidth(), ShapeGallery::pageHeight(), "Shapes"));
    gallery = std::make_unique<ShapeGallery>(frame.get());
    ASSERT_TRUE(gallery->Create());
    host->run();
    list = host->picture(gallery->HWindow);
    for (const DrawCommand& c : list.commands()) {
      if (c.op != DrawOp::Text) continue;
      double x = c.rect.left;
      for (std::size_t i = 0; i < c.text.size(); ++i) {
        glyphs.push_back({x, static_cast<double>(c.baseline), c.text[i]});
        x += c.advances[i];
      }
    }
  }
  std::unique_ptr<HeadlessHost> host;
  std::unique_ptr<TWindow> frame;
  std::unique_ptr<ShapeGallery> gallery;
  DisplayList list;
  std::vector<Glyph> glyphs;
};

TEST_F(GalleryTest, SvgPlacesEveryCharacterAndPolygonAsTheDisplayList) {
  ASSERT_GT(glyphs.size(), 1000u);
  const std::string svg = SvgRenderer::render(list);
  std::vector<Glyph> placed;
  const std::regex text("<text x=\"([-0-9. ]+)\" y=\"([-0-9.]+)\"[^>]*>([^<]*)</text>");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), text); it != std::sregex_iterator(); ++it) {
    std::stringstream xs((*it)[1].str());
    const double y = std::stod((*it)[2].str());
    std::string chars = std::regex_replace((*it)[3].str(), std::regex("&amp;"), "&");
    chars = std::regex_replace(chars, std::regex("&apos;|&#39;"), "'");
    double x;
    std::size_t i = 0;
    while (xs >> x) placed.push_back({x, y, i < chars.size() ? chars[i++] : '?'});
  }
  ASSERT_EQ(placed.size(), glyphs.size());
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    EXPECT_EQ(placed[i].x, glyphs[i].x) << "character " << i << " '" << glyphs[i].c << "'";
    EXPECT_EQ(placed[i].y, glyphs[i].y) << "character " << i;
  }
  // Each polygon's points, moved onto pixel centres, in the order drawn (its
  // fill and its outline may be two elements).
  std::size_t polygons = 0, at = 0;
  for (const DrawCommand& c : list.commands()) {
    if (c.op != DrawOp::Polygon) continue;
    ++polygons;
    std::ostringstream points;
    for (std::size_t i = 0; i < c.points.size(); ++i)
      points << (i ? " " : "") << c.points[i].x << ".5," << c.points[i].y << ".5";
    const std::size_t found = svg.find("<polygon points=\"" + points.str() + "\"", at);
    ASSERT_NE(found, std::string::npos) << "polygon " << polygons << ": " << points.str();
    at = found;
  }
  EXPECT_GT(polygons, 60u) << "six polygon glyphs in eleven columns, and the bevels";
}

TEST_F(GalleryTest, PdfDrawsTheSameCharactersFromTheSamePlaces) {
  const std::string path = "gallery_test.pdf";
  ASSERT_TRUE(CairoRenderer::writePdf({&list}, path));
  const std::string content = pdfContent(slurp(path));
  std::remove(path.c_str());
  ASSERT_FALSE(content.empty());
  // Walk the text operators: Tm sets the line start, Td moves it (in text
  // space), each TJ or Tj shows its strings from there. Points are 3/4 pixel.
  std::istringstream in(content);
  std::vector<double> operands;
  std::string token, shown;
  double a = 1, d = 1, lineX = 0, lineY = 0;
  std::vector<std::pair<double, double>> runStarts;
  while (in >> token) {
    if (token[0] == '[' || token[0] == '(') {
      // A TJ array or a string: read up to its operator, keeping the characters.
      std::string rest = token, more;
      while (rest.find("TJ") == std::string::npos && rest.find("Tj") == std::string::npos && in >> more) rest += " " + more;
      for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '(') continue;
        for (++i; i < rest.size() && rest[i] != ')'; ++i) {
          if (rest[i] == '\\') ++i;
          shown.push_back(rest[i]);
        }
      }
      runStarts.emplace_back(lineX / 0.75, lineY / 0.75);
      operands.clear();
    } else if (token == "Tm" && operands.size() >= 6) {
      const std::size_t n = operands.size();
      a = operands[n - 6];
      d = operands[n - 3];
      lineX = operands[n - 2];
      lineY = operands[n - 1];
      operands.clear();
    } else if (token == "Td" && operands.size() >= 2) {
      lineX += operands[operands.size() - 2] * a;
      lineY += operands[operands.size() - 1] * d;
      operands.clear();
    } else {
      char* end = nullptr;
      const double v = std::strtod(token.c_str(), &end);
      if (end != nullptr && *end == '\0') operands.push_back(v);
      else operands.clear();
    }
  }
  // A blank may be written as a move rather than a glyph: compare the others.
  std::string drawn;
  for (const Glyph& g : glyphs) {
    if (g.c != ' ') drawn.push_back(g.c);
  }
  shown.erase(std::remove(shown.begin(), shown.end(), ' '), shown.end());
  EXPECT_EQ(shown, drawn) << "the same characters in the same order";
  ASSERT_GT(runStarts.size(), 200u) << "a run for every label line at least";
  std::size_t matched = 0;
  for (const auto& s : runStarts) {
    for (const Glyph& g : glyphs) {
      if (std::fabs(g.x - s.first) < 0.5 && std::fabs(g.y - s.second) < 0.5) {
        ++matched;
        break;
      }
    }
  }
  EXPECT_EQ(matched, runStarts.size()) << "every run starts at a character of the display list";
}

TEST_F(GalleryTest, PngShowsEveryTextInItsColourAndLabelsAreCentred) {
  const std::vector<uint32_t> pixels = CairoRenderer::renderPixels(list);
  ASSERT_EQ(pixels.size(), static_cast<std::size_t>(list.width()) * list.height());
  for (const DrawCommand& c : list.commands()) {
    if (c.op != DrawOp::Text || c.text.find_first_not_of(' ') == std::string::npos) continue;
    const int r = GetRValue(c.textColor), g = GetGValue(c.textColor), b = GetBValue(c.textColor);
    int best = 1 << 30;
    for (int y = std::max<int>(c.rect.top, 0); y < std::min<int>(c.rect.bottom, list.height()); ++y) {
      for (int x = std::max<int>(c.rect.left, 0); x < std::min<int>(c.rect.right, list.width()); ++x) {
        const uint32_t p = pixels[static_cast<std::size_t>(y) * list.width() + x];
        best = std::min(best, std::abs(static_cast<int>(p >> 16 & 0xFF) - r) + std::abs(static_cast<int>(p >> 8 & 0xFF) - g) +
                                  std::abs(static_cast<int>(p & 0xFF) - b));
      }
    }
    EXPECT_LT(best, 90) << "'" << c.text << "' at " << c.rect.left << "," << c.rect.top;
  }
  // The long labels: four lines, each centred on the label, 15 pixels apart.
  int longLabels = 0;
  for (Shape* s : gallery->shapes()) {
    auto* l = dynamic_cast<LabeledShape*>(s);
    if (l == nullptr || l->label().lineCount() != 4) continue;
    ++longLabels;
    RECT shape, label;
    l->rect(shape);
    label = {shape.left + l->labelOffset().x, shape.top + l->labelOffset().y, 0, 0};
    const int width = l->label().width(nullptr);
    std::vector<const DrawCommand*> lines;
    for (const DrawCommand& c : list.commands()) {
      if (c.op == DrawOp::Text && c.rect.top >= label.top && c.rect.left >= label.left &&
          c.rect.right <= label.left + width && c.rect.top < label.top + l->label().height(nullptr))
        lines.push_back(&c);
    }
    ASSERT_EQ(lines.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(lines[i]->text, l->label().line(static_cast<int>(i)));
      EXPECT_EQ(lines[i]->rect.top, label.top + static_cast<LONG>(15 * i));
      const LONG w = lines[i]->rect.right - lines[i]->rect.left;
      EXPECT_EQ(lines[i]->rect.left, label.left + (width - w) / 2) << lines[i]->text;
    }
  }
  EXPECT_EQ(longLabels, 20);
}

}  // namespace
