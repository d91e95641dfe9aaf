// page_outline.cpp: what a page shows, for the web exports (see page_outline.h).
#include "tools/tvx/page_outline.h"

#include <algorithm>
#include <deque>
#include <map>

#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/labeled_shape.h"
#include "graphics/link_gnode.h"
#include "graphics/node_gnode.h"
#include "graphics/node_gnode_ro.h"
#include "graphics/text_box.h"
#include "graphics/view_node.h"
#include "tools/tvx/web_text.h"

namespace {

std::string labelText(const LabeledShape* shape) {
  if (shape == nullptr) return std::string();
  const GraphicTextBlock& label = shape->label();
  if (label.lineCount() == 0) return label.text();
  std::string out;
  for (int i = 0; i < label.lineCount(); ++i) {
    std::string line = label.line(i);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (line.empty()) continue;
    out += (out.empty() ? "" : " ") + line;
  }
  return out;
}

void collectDestination(NodeGNode* d, void* arg) { static_cast<std::vector<LONG>*>(arg)->push_back(d->id()); }

// The row band and the left edge: the order in which a person reads boxes.
std::pair<LONG, LONG> readingKey(const RECT& r) { return {r.top / 40, r.left}; }

}  // namespace

const OutlineSymbol* PageOutline::symbol(LONG id) const {
  auto it = symbolAt.find(id);
  return it == symbolAt.end() ? nullptr : &symbols[it->second];
}

PageOutline outlinePage(ViewNode& page) {
  PageOutline out;
  DB* book = nullptr;
  if (Node* n = page.node()) {
    out.id = n->uid();
    out.name = n->name().c_str();
    out.type = n->kind().c_str();
    book = n->db();
  }
  page.pageExtent(out.extent);
  for (SensitiveGraphic* g : page.sensitiveGraphics()) {
    RECT r;
    g->rawRect(r);
    if (auto* s = dynamic_cast<NodeGNode*>(g)) {
      OutlineSymbol o;
      o.id = s->id();
      o.rect = r;
      o.label = labelText(s->shape());
      if (o.label.empty()) o.label = s->displayName();
      o.type = s->typeName();
      if (s->hasValidRef() && s->nodeRef() != nullptr && (book == nullptr || s->nodeRef()->db() == book)) {
        o.leadsToPage = true;
        o.page = s->nodeRef()->uid();
        o.pageName = s->displayName();
      }
      if (auto* ro = dynamic_cast<NodeGNodeRO*>(s)) {
        o.url = addressOfUrlAttribute(ro->findURL());
      }
      if (LabeledShape* shape = s->shape()) {
        o.fill = shape->fillColor().color();
        o.line = shape->lineColor().color();
        o.text = shape->textColor().color();
      }
      out.symbolAt.emplace(o.id, out.symbols.size());
      out.symbols.push_back(std::move(o));
    } else if (auto* b = dynamic_cast<LinkGNode*>(g)) {
      OutlineLink o;
      o.id = b->id();
      o.rect = r;
      o.label = labelText(b->shape());
      o.type = b->typeName();
      if (NodeGNode* source = b->getSource()) o.source = source->id();
      b->forEachDestination(collectDestination, &o.destinations);
      if (LabeledShape* shape = b->shape()) o.colour = shape->textColor().color();
      out.links.push_back(std::move(o));
    } else if (auto* t = dynamic_cast<TextBox*>(g)) {
      OutlineNote o;
      o.id = t->id();
      o.rect = r;
      o.text = t->text() != nullptr ? t->text() : "";
      out.notes.push_back(std::move(o));
    }
  }
  return out;
}

std::vector<std::size_t> readingOrder(const PageOutline& page) {
  const std::size_t n = page.symbols.size();
  const std::map<LONG, std::size_t>& index = page.symbolAt;
  std::vector<std::vector<std::size_t>> next(n);
  std::vector<bool> led(n, false);
  for (const OutlineLink& l : page.links) {
    auto from = index.find(l.source);
    if (from == index.end()) continue;
    for (LONG d : l.destinations) {
      auto to = index.find(d);
      if (to == index.end()) continue;
      next[from->second].push_back(to->second);
      led[to->second] = true;
    }
  }
  auto byPlace = [&](std::size_t a, std::size_t b) {
    return readingKey(page.symbols[a].rect) < readingKey(page.symbols[b].rect);
  };
  for (auto& v : next) std::sort(v.begin(), v.end(), byPlace);
  std::vector<std::size_t> starts(n);
  for (std::size_t i = 0; i < n; ++i) starts[i] = i;
  // The page's own symbol first, then the symbols no link leads to, each
  // group from the top left.
  auto own = [&](std::size_t i) { return page.symbols[i].leadsToPage && page.symbols[i].page == page.id; };
  std::stable_sort(starts.begin(), starts.end(), [&](std::size_t a, std::size_t b) {
    if (own(a) != own(b)) return own(a);
    if (led[a] != led[b]) return !led[a];
    return byPlace(a, b);
  });
  std::vector<bool> seen(n, false);
  std::vector<std::size_t> order;
  order.reserve(n);
  for (std::size_t start : starts) {
    if (seen[start]) continue;
    std::deque<std::size_t> queue = {start};
    seen[start] = true;
    while (!queue.empty()) {
      const std::size_t i = queue.front();
      queue.pop_front();
      order.push_back(i);
      for (std::size_t j : next[i]) {
        if (seen[j]) continue;
        seen[j] = true;
        queue.push_back(j);
      }
    }
  }
  return order;
}
