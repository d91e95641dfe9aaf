// canvas_export.cpp: a page as a JSON Canvas document (see canvas_export.h).
#include "tools/tvx/canvas_export.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "kit/json_text.h"
#include "tools/tvx/web_text.h"

namespace {

std::string colourHex(COLORREF c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return buf;
}

// "x","y","width","height" of a box, at least one unit wide and high (in 64
// bits: a hostile page's box may span every 32-bit coordinate).
std::string placement(const RECT& r) {
  const long long l = std::min(r.left, r.right), t = std::min(r.top, r.bottom);
  const long long w = std::max(1LL, std::llabs(static_cast<long long>(r.right) - r.left));
  const long long h = std::max(1LL, std::llabs(static_cast<long long>(r.bottom) - r.top));
  return "\"x\":" + std::to_string(l) + ",\"y\":" + std::to_string(t) + ",\"width\":" + std::to_string(w) +
         ",\"height\":" + std::to_string(h);
}

std::string symbolText(const OutlineSymbol& s, const PageFileOf& fileOf) {
  const std::string label = markdownEscape(s.label);
  std::string target;
  if (s.leadsToPage && fileOf) target = fileOf(s.page);
  if (target.empty() && isSafeWebAddress(s.url)) target = s.url;
  if (target.empty()) return label;
  std::string quoted;
  for (char c : target) {
    if (c == '<') quoted += "%3C";
    else if (c == '>') quoted += "%3E";
    else quoted += c;
  }
  return "[" + label + "](<" + quoted + ">)";
}

// The sides an edge leaves `from` and reaches `to` by: those that face each
// other along the axis on which the boxes' centres lie further apart.
void sides(const RECT& from, const RECT& to, const char** out, const char** in) {
  const long long dx = (static_cast<long long>(to.left) + to.right) - (static_cast<long long>(from.left) + from.right);
  const long long dy = (static_cast<long long>(to.top) + to.bottom) - (static_cast<long long>(from.top) + from.bottom);
  if (std::llabs(dx) >= std::llabs(dy)) {
    *out = dx >= 0 ? "right" : "left";
    *in = dx >= 0 ? "left" : "right";
  } else {
    *out = dy >= 0 ? "bottom" : "top";
    *in = dy >= 0 ? "top" : "bottom";
  }
}

}  // namespace

std::string canvasDocument(const PageOutline& page, const PageFileOf& fileOf) {
  std::string out = "{\"nodes\":[";
  bool first = true;
  // A damaged page may give two graphics one id; a canvas's ids are unique.
  std::set<std::string> ids;
  for (const OutlineSymbol& s : page.symbols) {
    if (!ids.insert("s" + std::to_string(s.id)).second) continue;
    out += std::string(first ? "" : ",\n") + "{\"id\":\"s" + std::to_string(s.id) + "\",\"type\":\"text\"," +
           placement(s.rect) + ",\"color\":\"" + colourHex(s.fill) + "\",\"text\":" +
           jsonString(symbolText(s, fileOf)) + "}";
    first = false;
  }
  for (const OutlineNote& n : page.notes) {
    if (!ids.insert("t" + std::to_string(n.id)).second) continue;
    out += std::string(first ? "" : ",\n") + "{\"id\":\"t" + std::to_string(n.id) + "\",\"type\":\"text\"," +
           placement(n.rect) + ",\"text\":" + jsonString(markdownEscape(n.text)) + "}";
    first = false;
  }
  out += "],\n\"edges\":[";
  first = true;
  for (const OutlineLink& l : page.links) {
    const OutlineSymbol* from = page.symbol(l.source);
    if (from == nullptr) continue;
    for (std::size_t k = 0; k < l.destinations.size(); ++k) {
      const OutlineSymbol* to = page.symbol(l.destinations[k]);
      if (to == nullptr) continue;
      const char* fromSide = nullptr;
      const char* toSide = nullptr;
      sides(from->rect, to->rect, &fromSide, &toSide);
      if (!ids.insert("l" + std::to_string(l.id) + "-" + std::to_string(k)).second) continue;
      out += std::string(first ? "" : ",\n") + "{\"id\":\"l" + std::to_string(l.id) + "-" + std::to_string(k) +
             "\",\"fromNode\":\"s" + std::to_string(from->id) + "\",\"fromSide\":\"" + fromSide +
             "\",\"toNode\":\"s" + std::to_string(to->id) + "\",\"toSide\":\"" + toSide +
             "\",\"toEnd\":\"arrow\",\"color\":\"" + colourHex(l.colour) + "\",\"label\":" +
             jsonString(webText(l.type.empty() ? l.label : l.type)) + "}";
      first = false;
    }
  }
  return out + "]}\n";
}
