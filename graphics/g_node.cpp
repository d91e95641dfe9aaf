// A symbol's render, its slave and its relations kept together (see g_node.h).
#include "graphics/g_node.h"

#include <memory>
#include <vector>

#include "graphics/client_dc_loan.h"
#include "graphics/g_relation.h"
#include "graphics/graphic_window.h"
#include "graphics/labeled_shape_db.h"
#include "graphics/simple_slave.h"
#include "kit/error.h"

namespace {

// Recomputes every relation of `g`, through `hdc` or a context the window lends.
void computeRelations(const RelationableGraphic& g, HDC hdc) {
  std::vector<GRelation*> all(g.fromRelations().begin(), g.fromRelations().end());
  all.insert(all.end(), g.toRelations().begin(), g.toRelations().end());
  if (all.empty()) return;
  ClientDCLoan loan(hdc == nullptr ? g.getParent() : nullptr);
  TDC dc(hdc != nullptr ? hdc : loan.get());
  for (GRelation* r : all) r->compute(dc);
}

}  // namespace

GNode::GNode(GraphicWindow* parent, LONG id, const char* text, int glyph, int x, int y)
    : SensitiveGraphic(nullptr, id) {
  setShape(glyph, 0, parent);
  // A glyph number no shape has (a damaged page) still makes a symbol.
  if (shape() == nullptr && parent != nullptr) setShape(0, 0, parent);
  if (shape() == nullptr) return;
  shape()->Shape::moveTo(x, y, nullptr);
  setText(text);
}

// The master half tells the slave before the render goes (bases die in reverse order).
GNode::~GNode() = default;

Graphic* GNode::slaveGraphic() const { return dynamic_cast<Graphic*>(slave()); }

void GNode::setRender(LabeledShape* fresh) {
  if (fresh == nullptr) return;
  if (LabeledShape* old = shape()) {
    fresh->setParent(old->getParent());
    fresh->label().copyFrom(old->label());
    fresh->assignState(old->state());
    fresh->setPenStyle(old->penStyle());
    fresh->setLayer(old->paintLayer());
    DWORD fill = old->fillColor().color(), line = old->lineColor().color(), text = old->textColor().color();
    fresh->setColor(&fill, &line, &text);
    RECT r;
    old->rawRect(r);
    fresh->Shape::setRect(r, nullptr);
    fresh->setLabelOffset(old->labelOffset());
  }
  Render.reset(fresh);
}

int GNode::setShape(int glyph, DWORD lineMask, GraphicWindow* parent) {
  if (parent == nullptr) {
    if (shape() == nullptr) {
      error(nullptr, 'E', "GNode::setShape: Cannot create new shape without a Parent pointer");
      return 0;
    }
    parent = shape()->getParent();
  }
  std::unique_ptr<LabeledShape> made = LabeledShapeDB::instantiateGlyphShape(glyph, parent, shape(), lineMask);
  setRender(made.release());
  return 1;
}

void GNode::setText(const char* text) {
  if (shape() == nullptr) return;
  shape()->setText(slave() != nullptr ? "" : text);
}

void GNode::innerRect(RECT& r) const {
  render();
  shape()->innerRect(r);
}

COLORREF GNode::textColor() const { return shape() != nullptr ? shape()->textColor().color() : 0; }

HRGN GNode::setRegion() const {
  if (shape() == nullptr) return ::CreateRectRgn(0, 0, 1, 1);
  return shape()->setRegion();
}

int GNode::setColor(DWORD* fill, DWORD* line, DWORD* text) {
  if (shape() == nullptr) return 1;
  return shape()->setColor(fill, line, text);
}

void GNode::setParent(GraphicWindow* parent) {
  if (shape() != nullptr) shape()->setParent(parent);
}

void GNode::draw(TDC& dc, int force) {
  render();
  shape()->draw(dc, force || (isPaintable() && pasteEligible()));
  if (Graphic* s = slaveGraphic()) s->draw(dc, force || (s->isPaintable() && s->pasteEligible()));
}

void GNode::erase(HDC hdc) {
  if (Graphic* s = slaveGraphic()) s->erase(hdc);
  render().erase(hdc);
}

void GNode::centreSlave(HDC hdc) {
  Graphic* s = slaveGraphic();
  if (s == nullptr) return;
  RECT r;
  render().rawRect(r);
  s->moveTo((r.left + r.right) >> 1, (r.top + r.bottom) >> 1, hdc);
}

void GNode::moveTo(int x, int y, HDC hdc) {
  markPosition();
  render().moveTo(x, y, hdc);
  if (Graphic* s = slaveGraphic()) {
    s->setSelected(0, 1);
    centreSlave(hdc);
  }
  RECT r;
  render().rawRect(r);
  moveRelationsBy(r.left - markedPosition().x, r.top - markedPosition().y, hdc);
}

void GNode::setRect(RECT& r, HDC hdc) {
  render().setRect(r, hdc);
  if (Graphic* s = slaveGraphic()) {
    s->invalidate();
    RECT inner;
    shape()->innerRect(inner);
    inner.left += 1;
    inner.top += 1;
    inner.right -= 1;
    inner.bottom -= 1;
    s->setRect(inner, hdc);
  }
}

void GNode::compute(TDC& dc) {
  if (Graphic* s = slaveGraphic()) {
    RECT r;
    s->rawRect(r);
    render();
    shape()->fitToSize(r.right - r.left, r.bottom - r.top);
    centreSlave(dc.GetHDC());
  } else {
    render().compute(dc);
  }
  computeRelations(*this, dc.GetHDC());
}

void GNode::setAutoSize(HDC hdc) {
  render();
  shape()->setFixedSize(hdc, 0);
  if (auto* s = dynamic_cast<SensitiveGraphic*>(slave())) {
    ClientDCLoan loan(hdc == nullptr ? getParent() : nullptr);
    HDC use = hdc != nullptr ? hdc : loan.get();
    if (use != nullptr) erase(use);
    s->setAutoSize(use);
    TDC dc(use);
    compute(dc);
    if (use != nullptr) draw(dc, 0);
  }
  computeRelations(*this, hdc);
}

void GNode::invalidate() {
  Graphic::invalidate();
  for (GRelation* r : std::vector<GRelation*>(toRelations().begin(), toRelations().end())) r->invalidate();
  for (GRelation* r : std::vector<GRelation*>(fromRelations().begin(), fromRelations().end())) r->invalidate();
}

void GNode::slaveSetFastPaint(int on, HDC hdc) {
  if (Graphic* s = slaveGraphic()) s->setFastPaint(on, hdc);
}

void GNode::slaveSetSelected(int on, int) {
  if (shape() != nullptr) {
    if (on) shape()->setState(Selected);
    else shape()->clearState(Selected);
  }
  if (!on) {
    if (Graphic* s = slaveGraphic()) s->setSelected(0, 1);
  }
}

int GNode::doSetMasterTo(SimpleSlave* s, bool keep) {
  const bool had = slave() != nullptr;
  const int result = SimpleMaster::doSetMasterTo(s, keep);
  if (shape() == nullptr) return result;
  if (s != nullptr) {
    shape()->setText("");
    if (Graphic* g = slaveGraphic()) g->eraseNow();
    invalidate();
  } else if (had && !keep) {
    verify();
    setAutoSize(nullptr);
    invalidate();
  }
  return result;
}
