// The JSON description of a page (see page_description.h).
#include "graphics/page_description.h"

#include <cstdio>
#include <vector>

#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/arrow.h"
#include "graphics/g_relation.h"
#include "graphics/labeled_shape_db.h"
#include "graphics/link_gnode.h"
#include "graphics/node_gnode.h"
#include "graphics/node_gnode_ro.h"
#include "graphics/group_annotation.h"
#include "graphics/ole_box.h"
#include "graphics/pen_stroke.h"
#include "graphics/tether.h"
#include "graphics/text_box.h"
#include "graphics/view_node.h"
#include "kit/json_text.h"

namespace {

std::string point(POINT p) { return "[" + std::to_string(p.x) + "," + std::to_string(p.y) + "]"; }

std::string rectJson(const RECT& r) {
  return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + "]";
}

std::string glyphName(int glyph) {
  int i = glyph - 1;
  const char* name = LabeledShapeDB::nextGlyphShapeName(i);
  return name != nullptr ? name : "";
}

std::string labelLines(const LabeledShape& shape) {
  const GraphicTextBlock& label = shape.label();
  std::string out = "[";
  if (label.lineCount() == 0) {
    if (!label.text().empty()) out += jsonString(label.text());
  } else {
    for (int i = 0; i < label.lineCount(); ++i) out += (i ? "," : "") + jsonString(label.line(i));
  }
  return out + "]";
}

std::string symbolJson(NodeGNode& s) {
  std::string out = std::string("\"kind\":") + (s.hasValidRef() ? "\"idea\"" : "\"placeholder\"");
  if (LabeledShape* shape = s.shape()) {
    out += ",\"glyph\":" + jsonString(glyphName(shape->glyphNumber())) + ",\"label\":" + labelLines(*shape);
  }
  out += ",\"type\":" + jsonString(s.typeName());
  if (s.hasValidRef()) {
    out += ",\"page\":{\"id\":" + std::to_string(s.nodeRef()->uid()) + ",\"name\":" + jsonString(s.displayName()) + "}";
  } else {
    out += ",\"name\":" + jsonString(s.displayName());
  }
  if (auto* ro = dynamic_cast<NodeGNodeRO*>(&s)) {
    const std::string url = NodeGNodeRO::addressOf(ro->findURL());
    if (!url.empty()) out += ",\"url\":" + jsonString(url);
  }
  return out;
}

void collectDestination(NodeGNode* d, void* arg) { static_cast<std::vector<LONG>*>(arg)->push_back(d->id()); }

std::string boxJson(LinkGNode& b) {
  std::string out = "\"kind\":\"link\"";
  if (LabeledShape* shape = b.shape()) {
    out += ",\"glyph\":" + jsonString(glyphName(shape->glyphNumber())) + ",\"label\":" + labelLines(*shape);
  }
  out += ",\"type\":" + jsonString(b.typeName());
  if (NodeGNode* source = b.getSource()) out += ",\"source\":" + std::to_string(source->id());
  std::vector<LONG> ends;
  b.forEachDestination(collectDestination, &ends);
  out += ",\"destinations\":[";
  for (std::size_t i = 0; i < ends.size(); ++i) out += (i ? "," : "") + std::to_string(ends[i]);
  return out + "]";
}

LONG endId(RelationableGraphic* g) {
  auto* s = dynamic_cast<SensitiveGraphic*>(g);
  return s != nullptr ? s->id() : -1;
}

std::string relationJson(GRelation& r) {
  auto* line = dynamic_cast<Line*>(r.visual());
  if (line == nullptr) return std::string();
  POINT start, end;
  line->endPoints(start, end);
  std::string kind = "line";
  if (dynamic_cast<Arrow*>(line) != nullptr) kind = "arrow";
  if (dynamic_cast<Tether*>(line) != nullptr) kind = "tether";
  std::string out = "{\"kind\":\"" + kind + "\",\"from\":" + std::to_string(endId(r.from())) +
                    ",\"to\":" + std::to_string(endId(r.to())) + ",\"start\":" + point(start) +
                    ",\"end\":" + point(end);
  POINT w1, w2;
  if (kind == "arrow" && Arrow::headWings(start, end, w1, w2)) {
    out += ",\"head\":[" + point(end) + "," + point(w1) + "," + point(w2) + "]";
  }
  if (auto* t = dynamic_cast<Tether*>(line)) out += ",\"base\":[" + point(t->base1()) + "," + point(t->base2()) + "]";
  return out + "}";
}

}  // namespace


std::string describePage(ViewNode& page) {
  std::string out = "{\"page\":{";
  if (Node* n = page.node()) {
    out += "\"id\":" + std::to_string(n->uid()) + ",\"name\":" + jsonString(n->name().c_str()) +
           ",\"type\":" + jsonString(n->kind().c_str());
  }
  POINT extent = {0, 0};
  page.pageExtent(extent);
  out += "},\"extent\":" + point(extent) + ",\"graphics\":[";
  bool first = true;
  for (SensitiveGraphic* g : page.sensitiveGraphics()) {
    RECT r;
    g->rawRect(r);
    std::string kind;
    if (auto* s = dynamic_cast<NodeGNode*>(g)) kind = symbolJson(*s);
    else if (auto* b = dynamic_cast<LinkGNode*>(g)) kind = boxJson(*b);
    else if (auto* t = dynamic_cast<TextBox*>(g)) kind = "\"kind\":\"text\",\"text\":" + jsonString(t->text() != nullptr ? t->text() : "");
    else if (dynamic_cast<PenStroke*>(g) != nullptr) kind = "\"kind\":\"pen stroke\"";
    else if (dynamic_cast<GroupAnnotation*>(g) != nullptr) kind = "\"kind\":\"pen group\"";
    else if (dynamic_cast<OleBox*>(g) != nullptr) kind = "\"kind\":\"object\"";
    else kind = "\"kind\":\"annotation\"";
    out += std::string(first ? "" : ",") + "{" + kind + ",\"id\":" + std::to_string(g->id()) +
           ",\"rect\":" + rectJson(r) + ",\"layer\":" + std::to_string(g->paintLayer()) + "}";
    first = false;
  }
  out += "],\"relations\":[";
  first = true;
  for (Graphic* g : page.otherGraphics()) {
    auto* r = dynamic_cast<GRelation*>(g);
    if (r == nullptr) continue;
    const std::string one = relationJson(*r);
    if (one.empty()) continue;
    out += (first ? "" : ",") + one;
    first = false;
  }
  return out + "]}";
}
