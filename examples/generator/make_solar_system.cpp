// make_solar_system: writes the sources of the example book "The Solar System"
// (examples/solar-system/: book.manifest and one map-text file per page) through
// the map text writer, so that every page body is exactly what the page windows
// would write. The committed sources are its output; the build assembles them
// into a book with "tvx import". Run it only to change the example:
//
//   make_solar_system examples/solar-system
//
// The book: a home page, fifteen pages on the Sun, the planets and the smaller
// bodies, and the type page with the book's node and link types. Each page
// shows idea symbols for the pages it leads to (some of them placeholders for
// pages not written yet), the book's links between those pages, a text box, and
// on the home page a pen stroke. One more page holds an embedded picture: a
// small device-independent bitmap kept as a "PBrush" object in the saved form
// of embedded objects.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "maptext/km_esrap.h"
#include "maptext/km_records.h"
#include "platform/ole/ole_object_stream.h"
#include "tools/tvx/book_manifest.h"

namespace {

const LONG A = KM_ABSENT;
const char kTag[] = "Tavix: Netscape Plugin";

struct PageDef {
  ULONG id;
  const char* name;
  const char* type;
  const char* text;                 // the page's text box
  std::vector<ULONG> shows;         // pages shown as idea symbols around the subject
  std::vector<const char*> ideas;   // placeholders: pages still to be written
  const char* url;                  // the page's "URL" attribute, or null
};

struct LinkDef {
  ULONG id;
  const char* type;
  ULONG from, to;
};

const ULONG kTypePage = 0;
const ULONG kHome = 1;

const std::vector<PageDef> kPages = {
    {1, "The Solar System", "Topic",
     "The Sun and everything bound to it by gravity: eight planets, their moons, the dwarf "
     "planets, the asteroid belt, the Kuiper belt and the comets.",
     {2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 15, 16}, {}, "https://science.nasa.gov/solar-system/"},
    {2, "Sun", "Star",
     "A yellow dwarf star holding 99.8% of the system's mass. Its light takes about eight "
     "minutes to reach the Earth.",
     {3, 4, 5, 7, 8, 9, 10, 11}, {"Solar wind", "Sunspots"}, "https://science.nasa.gov/sun/"},
    {3, "Mercury", "Planet", "The smallest planet and the closest to the Sun; a year lasts 88 days.",
     {2}, {"Caloris Basin"}, nullptr},
    {4, "Venus", "Planet",
     "Nearly the Earth's size, wrapped in thick clouds of sulphuric acid; the hottest planet.",
     {2}, {"Greenhouse effect"}, nullptr},
    {5, "Earth", "Planet", "The only world known to hold life; 71% of its surface is ocean.",
     {2, 6}, {"Atmosphere", "Oceans"}, "https://science.nasa.gov/earth/"},
    {6, "Moon", "Moon", "The Earth's only natural satellite, and the only other world people have walked on.",
     {5}, {"Apollo landings", "Tides"}, nullptr},
    {7, "Mars", "Planet", "The red planet, with the largest volcano known, Olympus Mons.",
     {2, 12}, {"Phobos and Deimos", "Olympus Mons"}, nullptr},
    {8, "Jupiter", "Planet", "The largest planet, a gas giant with a storm larger than the Earth.",
     {2, 12}, {"Great Red Spot", "Galilean moons"}, nullptr},
    {9, "Saturn", "Planet", "A gas giant known for its bright rings of ice and rock.",
     {2}, {"Rings", "Titan"}, nullptr},
    {10, "Uranus", "Planet", "An ice giant that rolls on its side around the Sun.", {2},
     {"Axial tilt"}, nullptr},
    {11, "Neptune", "Planet", "The farthest planet, with the fastest winds measured in the system.",
     {2, 15}, {"Triton"}, nullptr},
    {12, "Asteroid belt", "Region", "Millions of rocky bodies between the orbits of Mars and Jupiter.",
     {7, 8, 13}, {}, nullptr},
    {13, "Ceres", "Dwarf planet", "The largest body of the asteroid belt, counted as a dwarf planet.",
     {12}, {}, nullptr},
    {14, "Pluto", "Dwarf planet", "A dwarf planet of the Kuiper belt, with a heart-shaped plain of nitrogen ice.",
     {15}, {"Charon"}, nullptr},
    {15, "Kuiper belt", "Region", "A wide ring of icy bodies beyond Neptune, home of Pluto and many comets.",
     {11, 14, 16}, {}, nullptr},
    {16, "Comets", "Small body", "Icy bodies that grow tails of gas and dust near the Sun.",
     {2, 15}, {"Halley's Comet"}, nullptr},
};

const std::vector<LinkDef> kLinks = {
    {101, "orbits", 3, 2},  {102, "orbits", 4, 2},   {103, "orbits", 5, 2},
    {104, "orbits", 7, 2},  {105, "orbits", 8, 2},   {106, "orbits", 9, 2},
    {107, "orbits", 10, 2}, {108, "orbits", 11, 2},  {109, "orbits", 6, 5},
    {110, "lies between", 12, 7}, {111, "lies between", 12, 8}, {112, "part of", 13, 12},
    {113, "part of", 14, 15}, {114, "lies beyond", 15, 11}, {115, "comes from", 16, 15},
    {116, "orbits", 16, 2},
};

const PageDef* page(ULONG id) {
  for (const PageDef& p : kPages)
    if (p.id == id) return &p;
  return nullptr;
}

std::string pageRef(ULONG id) { return "<this>#$" + std::to_string(id) + ":" + page(id)->name; }
std::string linkRef(ULONG id) { return "<this>#$" + std::to_string(id); }

// COLORREF values: 0x00BBGGRR.
const LONG kBlack = 0x000000, kNavy = 0x800000, kGold = 0x00D7FF, kSky = 0xEBCE87,
           kGrey = 0xC0C0C0, kSand = 0x8CB4D2, kRed = 0x0000C0, kGreen = 0x008000;

std::string typePage() {
  std::ostringstream out;
  KMEsrap w(&out, "orvane");
  w.setPrettyPrint(1);
  w.setCMName("Types");
  w.writeFile("orvane", 1, nullptr);
  w.writeCMTypes();
  // id, name, parent, shape, fill, -, line, -, -, shape value, text colour.
  struct NT { LONG id; const char* name; LONG parent, shape, fill, line; };
  const NT nodeTypes[] = {
      {1, "Topic", 0, 1, kSky, kNavy},       {2, "Star", 0, 2, kGold, kRed},
      {3, "Planet", 0, 2, kSky, kNavy},      {4, "Moon", 3, 2, kGrey, kBlack},
      {5, "Dwarf planet", 3, 2, kSand, kBlack}, {6, "Region", 0, 1, kSand, kGreen},
      {7, "Small body", 0, 3, kGrey, kNavy},
  };
  for (const NT& t : nodeTypes) {
    w.writeNodeType(t.id, t.name, t.parent, t.shape, t.fill, A, t.line, A, A, A, kBlack, nullptr);
    w.closeNodeOrLinkType();
  }
  struct LT { LONG id; const char* name; LONG from, to, line; };
  const LT linkTypes[] = {
      {1, "orbits", 0, 2, kNavy},       {2, "lies between", 6, 3, kGreen},
      {3, "part of", 0, 6, kBlack},     {4, "lies beyond", 6, 3, kGreen},
      {5, "comes from", 7, 6, kRed},
  };
  for (const LT& t : linkTypes) {
    w.writeLinkType(t.id, t.name, 0, t.from, t.to, kBlack, t.line, A, A, 1, A, A, A, A, A, A, A,
                    A, A, A, A, A, A, A, A, A, nullptr);
    w.closeNodeOrLinkType();
  }
  w.closeCMTypes();
  w.close();
  return out.str();
}

// A polyline drawn freehand: a loose circle around the page's subject.
std::string penStroke(RECT* box) {
  std::vector<POINT> pts;
  const int cx = 60, cy = 40;
  const int dx[] = {0, 21, 38, 50, 55, 50, 38, 21, 0, -21, -38, -50, -55, -50, -38, -21, 2};
  const int dy[] = {-36, -33, -25, -13, 0, 13, 25, 33, 36, 33, 25, 13, 0, -13, -25, -33, -38};
  for (int i = 0; i < 17; ++i) pts.push_back(POINT{cx + dx[i], cy + dy[i]});
  LONG l = pts[0].x, t = pts[0].y, r = l, b = t;
  for (const POINT& p : pts) {
    l = std::min<LONG>(l, p.x), t = std::min<LONG>(t, p.y);
    r = std::max<LONG>(r, p.x), b = std::max<LONG>(b, p.y);
  }
  std::string text = std::to_string(pts.size()) + "," + std::to_string(l) + "," +
                     std::to_string(t) + "," + std::to_string(r + 1) + "," +
                     std::to_string(b + 1) + "," + std::to_string(kRed) + ",2 ";
  for (const POINT& p : pts) text += std::to_string(p.x) + "," + std::to_string(p.y) + " ";
  // On the page: around the subject in the middle, enlarged as the board does
  // (6 and 7).
  *box = RECT{300 - 6, 200 - 6, 300 + (r - l) + 7, 200 + (b - t) + 7};
  return text;
}

std::string pageBody(const PageDef& p) {
  std::ostringstream out;
  KMEsrap w(&out, kTag);
  w.setPrettyPrint(1);
  w.setCMName(p.name);
  w.writeFile(kTag, 1, nullptr);
  RECT bounds{0, 0, 760, 520};
  w.writeConceptMap(&bounds, &bounds, 0);
  w.writeNodeSection();
  // The subject in the middle, the pages it leads to on a circle around it,
  // placeholders along the bottom.
  // A symbol standing for a page with content is saved with its drop shadow
  // (0x1000), as a page window saves it.
  const ULONG kShadow = 0x1000;
  std::map<ULONG, LONG> symbolOf;  // page -> symbol id on this page
  std::map<ULONG, POINT> placeOf;  // page -> its symbol's top-left corner
  LONG next = 1;
  symbolOf[p.id] = next;
  placeOf[p.id] = POINT{330, 230};
  w.writeNodeObject(next++, p.name, A, p.type, 330, 230, A, A, kShadow, A, pageRef(p.id).c_str(), nullptr);
  w.closeNodeObj();
  const int n = static_cast<int>(p.shows.size());
  for (int i = 0; i < n; ++i) {
    const PageDef* q = page(p.shows[i]);
    const double angle = 6.2831853 * i / (n ? n : 1);
    const LONG x = 330 + static_cast<LONG>(250 * std::cos(angle));
    const LONG y = 230 + static_cast<LONG>(170 * std::sin(angle));
    symbolOf[q->id] = next;
    placeOf[q->id] = POINT{x, y};
    w.writeNodeObject(next++, q->name, A, q->type, x, y, A, A, kShadow, A, pageRef(q->id).c_str(), nullptr);
    w.closeNodeObj();
  }
  LONG px = 40;
  for (const char* idea : p.ideas) {
    w.writeNodeObject(next++, idea, A, "Topic", px, 470, A, A, 0, A, nullptr, nullptr);
    w.closeNodeObj();
    px += 170;
  }
  // The book's links between pages shown here, each box near the middle of
  // its two symbols but clear of the subject in the middle and of the boxes
  // placed before it (symbols are taken as about 60 x 24, boxes 40 x 30).
  bool anyLink = false;
  std::vector<POINT> boxes;
  const double cx = 330 + 30, cy = 230 + 12;
  for (const LinkDef& l : kLinks) {
    if (!symbolOf.count(l.from) || !symbolOf.count(l.to)) continue;
    if (!anyLink) w.writeLinkSection();
    anyLink = true;
    const POINT a = placeOf[l.from], b = placeOf[l.to];
    double mx = (a.x + b.x) / 2.0 + 30, my = (a.y + b.y) / 2.0 + 12;
    const double away = std::hypot(mx - cx, my - cy);
    if (away < 75) {
      const double ux = away > 1 ? (mx - cx) / away : 0, uy = away > 1 ? (my - cy) / away : -1;
      mx = cx + ux * 75;
      my = cy + uy * 75;
    }
    POINT box{static_cast<LONG>(mx) - 20, static_cast<LONG>(my) - 15};
    for (int tries = 0; tries < 8; ++tries) {
      const bool clash = std::any_of(boxes.begin(), boxes.end(), [&](const POINT& o) {
        return std::abs(o.x - box.x) < 44 && std::abs(o.y - box.y) < 32;
      }) || std::any_of(placeOf.begin(), placeOf.end(), [&](const std::pair<const ULONG, POINT>& s) {
        return box.x + 40 > s.second.x && box.x < s.second.x + 70 && box.y + 30 > s.second.y &&
               box.y < s.second.y + 38;
      });
      if (!clash) break;
      box.y += 34;
    }
    boxes.push_back(box);
    w.writeLinkObject(next++, A, l.type, symbolOf[l.from], symbolOf[l.to], box.x, box.y, 0, A,
                      linkRef(l.id).c_str(), nullptr);
    w.closeLinkObj();
  }
  w.writeAnnotationSection();
  const std::string text = p.text;
  // The text box in the top right corner, clear of the symbols.
  w.writeAnnotationObject(next++, nullptr, 440, 6, 740, 70, 0, nullptr, 0, 't', text.c_str(),
                          static_cast<ULONG>(text.size() + 1), nullptr, A);
  w.closeAnnoObj();
  if (p.id == kHome) {
    RECT box;
    const std::string stroke = penStroke(&box);
    // A pen stroke's box is hidden (0x2000), as the board makes it.
    w.writeAnnotationObject(next++, nullptr, box.left, box.top, box.right, box.bottom, 0x2000, nullptr,
                            0, 'p', stroke.c_str(), static_cast<ULONG>(stroke.size() + 1), nullptr,
                            A);
    w.closeAnnoObj();
  }
  w.close();
  return out.str();
}

// The picture page.
const ULONG kPicturePage = 117;
const char kPictureName[] = "A picture of the Solar System";
const int kPictureW = 64, kPictureH = 40;  // pixels
const int kPictureScale = 6;               // shown six times as large

// A 24-bit DIB, rows bottom up: the Sun on the left and the planets out to
// Saturn on a dark sky, not to scale.
std::vector<uint8_t> pictureDib() {
  const int stride = (kPictureW * 3 + 3) / 4 * 4;
  std::vector<uint8_t> dib(40 + stride * kPictureH, 0);
  auto put32 = [&](std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put32(0, 40);
  put32(4, kPictureW);
  put32(8, kPictureH);
  dib[12] = 1;
  dib[14] = 24;
  put32(20, stride * kPictureH);
  struct Disc {
    int x, y, r;
    uint32_t rgb;
  };
  const Disc discs[] = {{-2, 20, 14, 0xFFD21E}, {17, 20, 1, 0xB4B4B4}, {22, 20, 2, 0xE6C88C},
                        {28, 20, 2, 0x3C78DC}, {33, 20, 1, 0xC8502D}, {42, 20, 5, 0xD7A064},
                        {55, 20, 4, 0xE6D296}};
  for (int y = 0; y < kPictureH; ++y) {
    for (int x = 0; x < kPictureW; ++x) {
      uint32_t rgb = 0x0A0F2D;  // the night sky
      if ((x * 7 + y * 13) % 97 == 0) rgb = 0xFFFFFF;  // a few stars
      for (const Disc& d : discs)
        if ((x - d.x) * (x - d.x) + (y - d.y) * (y - d.y) <= d.r * d.r) rgb = d.rgb;
      // Saturn's ring.
      if (y == 20 && x >= 49 && x <= 61 && rgb != 0xE6D296) rgb = 0xB49B6E;
      uint8_t* px = &dib[40 + (kPictureH - 1 - y) * stride + x * 3];
      px[0] = static_cast<uint8_t>(rgb), px[1] = static_cast<uint8_t>(rgb >> 8), px[2] = static_cast<uint8_t>(rgb >> 16);
    }
  }
  return dib;
}

// The picture as an embedded object: its native data is the bitmap file the
// painting program keeps, its presentation the same bitmap.
std::vector<uint8_t> pictureObject() {
  const std::vector<uint8_t> dib = pictureDib();
  OleObjectImage o;
  o.className = "PBrush";
  std::vector<uint8_t> file(14, 0);
  const uint32_t total = static_cast<uint32_t>(14 + dib.size());
  file[0] = 'B', file[1] = 'M';
  for (int i = 0; i < 4; ++i) file[2 + i] = static_cast<uint8_t>(total >> (8 * i));
  file[10] = 14 + 40;  // the rows follow the header (no colour table)
  file.insert(file.end(), dib.begin(), dib.end());
  o.native = file;
  o.presentation.kind = OlePresentation::Dib;
  o.presentation.className = "DIB";
  // Hundredths of a millimetre at 96 pixels an inch, as shown.
  o.presentation.width = kPictureW * kPictureScale * 2540 / 96;
  o.presentation.height = kPictureH * kPictureScale * 2540 / 96;
  o.presentation.data = dib;
  std::vector<uint8_t> bytes;
  OleMemoryStream out(&bytes);
  writeOleObject(&out, o);
  return bytes;
}

std::string picturePage() {
  std::ostringstream out;
  KMEsrap w(&out, kTag);
  w.setPrettyPrint(1);
  w.setCMName(kPictureName);
  w.writeFile(kTag, 1, nullptr);
  RECT bounds{0, 0, 760, 520};
  w.writeConceptMap(&bounds, &bounds, 0);
  w.writeNodeSection();
  w.writeNodeObject(1, page(kHome)->name, A, page(kHome)->type, 40, 440, A, A, 0x1000, A,
                    pageRef(kHome).c_str(), nullptr);
  w.closeNodeObj();
  w.writeLinkSection();  // none, as a page window writes it
  w.writeAnnotationSection();
  const std::string text = "An embedded picture: the Sun and the planets out to Saturn, not to scale.";
  w.writeAnnotationObject(2, nullptr, 460, 40, 740, 110, 0, nullptr, 0, 't', text.c_str(),
                          static_cast<ULONG>(text.size() + 1), nullptr, A);
  w.closeAnnoObj();
  // The box fits the picture as "&Auto Size" makes it: 6 around it.
  const std::vector<uint8_t> object = pictureObject();
  const LONG pw = kPictureW * kPictureScale, ph = kPictureH * kPictureScale;
  w.writeAnnotationObject(3, nullptr, 40, 40, 40 + pw + 12, 40 + ph + 12, 0, nullptr, 0, 'o', object.data(),
                          static_cast<ULONG>(object.size()), nullptr, A);
  w.closeAnnoObj();
  w.close();
  return out.str();
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_solar_system DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  ::mkdir(dir.c_str(), 0777);
  ::mkdir((dir + "/pages").c_str(), 0777);

  BookManifest m;
  ManifestEntry types;
  types.id = kTypePage;
  types.kind = 4;
  types.hasHeader = true;
  types.name = "Types";
  types.type = "Type page";
  types.hasBody = true;
  types.bodyFile = "pages/types.map";
  if (!writeFile(dir + "/" + types.bodyFile, typePage())) return 1;
  m.entries.push_back(types);

  for (const PageDef& p : kPages) {
    ManifestEntry e;
    e.id = p.id;
    e.kind = p.id == kHome ? 9 : 1;
    e.hasHeader = true;
    e.name = p.name;
    e.type = p.type;
    e.hasBody = true;
    std::string file;
    for (const char* c = p.name; *c; ++c)
      file += (*c == ' ' || *c == '\'') ? '-' : static_cast<char>(std::tolower(*c));
    e.bodyFile = "pages/" + file + ".map";
    if (!writeFile(dir + "/" + e.bodyFile, pageBody(p))) return 1;
    if (p.url) {
      e.hasAttrs = true;
      e.attrs.push_back(ManifestAttr{"URL", true, p.url});
    }
    for (const LinkDef& l : kLinks)
      if (l.from == p.id || l.to == p.id) e.linkList.push_back(linkRef(l.id));
    e.hasLinkList = !e.linkList.empty();
    m.entries.push_back(e);
  }
  for (const LinkDef& l : kLinks) {
    ManifestEntry e;
    e.id = l.id;
    e.isLink = true;
    e.kind = 2;
    e.hasHeader = true;
    e.type = l.type;
    e.hasRecord = true;
    e.ends.emplace_back(2, pageRef(l.from));
    e.ends.emplace_back(1, pageRef(l.to));
    m.entries.push_back(e);
  }
  // After the links: the manifest lists entries in the order of their ids.
  {
    ManifestEntry e;
    e.id = kPicturePage;
    e.kind = 1;
    e.hasHeader = true;
    e.name = kPictureName;
    e.type = "Topic";
    e.hasBody = true;
    e.bodyFile = "pages/a-picture-of-the-solar-system.map";
    if (!writeFile(dir + "/" + e.bodyFile, picturePage())) return 1;
    m.entries.push_back(e);
  }
  m.nextId = kPicturePage + 1;
  if (!writeFile(dir + "/" + BookManifest::FileName,
                 "# The Solar System: an example book. Assemble it with\n"
                 "#   tvx import examples/solar-system solar-system.tvx\n" +
                     m.write()))
    return 1;
  return 0;
}
