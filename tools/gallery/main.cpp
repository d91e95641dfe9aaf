// gallery: draws every glyph shape, the bevelled boxes and the text blocks in
// the shape gallery (tools/gallery/shape_gallery.h) on the headless screen and
// writes the page as SVG, PNG and PDF.
//
// Usage: gallery <output folder>
// Writes <folder>/gallery.svg, .png and .pdf; exit status 0 when all three
// were written.
#include <cstdio>
#include <string>

#include "platform/owl/t_window.h"
#include "platform/render/headless_host.h"
#include "tools/gallery/shape_gallery.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gallery <output folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int w = ShapeGallery::pageWidth(), h = ShapeGallery::pageHeight();
  HeadlessHost host(w + 40, h + 60);
  HWND frameH = host.makeTopLevel(w, h, "Shapes and their join points", 10, 10);
  TWindow frame(frameH);
  ShapeGallery gallery(&frame);
  if (!gallery.Create()) {
    std::fprintf(stderr, "gallery: cannot create the window\n");
    return 1;
  }
  host.run();
  int failures = 0;
  for (const char* ext : {".svg", ".png", ".pdf"}) {
    const std::string path = folder + "/gallery" + ext;
    if (host.render(gallery.HWindow, path)) {
      std::printf("%s\n", path.c_str());
    } else {
      std::fprintf(stderr, "gallery: cannot write %s\n", path.c_str());
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}
