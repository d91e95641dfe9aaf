// The box, the menu, the commands and the tethers every annotation shares (see
// annotation.h).
#include "graphics/annotation.h"
#include "graphics/view_node.h"

#include <algorithm>
#include <map>

#include "graphics/client_dc_loan.h"
#include "graphics/graphic_window.h"
#include "graphics/node_gnode.h"
#include "graphics/tether_relation.h"
#include "graphics/three_d_box.h"
#include "kit/error.h"
#include "kit/file_helpers.h"
#include "maptext/km_esrap.h"

namespace {

ThreeDBox* newBox(GraphicWindow* window) {
  auto* box = new ThreeDBox(window);
  DWORD grey = Annotation::BoxGrey;
  box->setColor(&grey, nullptr, nullptr);
  return box;
}

UINT checkedIf(bool on) { return on ? MF_CHECKED : 0; }

}  // namespace

Annotation::Annotation(GraphicWindow* window, LONG id, int x, int y, int playSound)
    : Annotation(window, id, x, y, clampCoordinate(static_cast<int64_t>(x) + DefaultWidth),
                 clampCoordinate(static_cast<int64_t>(y) + DefaultHeight), playSound) {}

Annotation::Annotation(GraphicWindow* window, LONG id, int left, int top, int right, int bottom, int playSound)
    : SensitiveGraphic(newBox(window), id) {
  RECT r = {left, top, right, bottom};
  setRect(r, nullptr);
  if (playSound) playIfSounds("NXNEWANO.WAV");
  if (window != nullptr) window->setModified(1);
  // A member of a group is on no list of the page, but its id is taken.
  if (auto* page = dynamic_cast<ViewNode*>(window)) page->noteObjectId(id);
}

LONG Annotation::freshId(GraphicWindow* w) {
  if (auto* page = dynamic_cast<ViewNode*>(w)) return page->newObjectId();
  LONG highest = 0;
  for (SensitiveGraphic* g : w->sensitiveGraphics()) highest = std::max(highest, g->id());
  return highest < 0x7FFFFFFF ? highest + 1 : highest;
}

Annotation::~Annotation() { playIfSounds("NXDELANO.WAV"); }

Shape* Annotation::shape() const { return dynamic_cast<Shape*>(Render.get()); }

void Annotation::setShape(Shape* s) {
  if (s == nullptr) return;
  std::unique_ptr<Shape> fresh(s);
  if (Render != nullptr) {
    RECT r;
    Render->rawRect(r);
    fresh->setParent(Render->getParent());
    fresh->setRect(r, nullptr);
    fresh->assignState(Render->state());
  }
  Render = std::move(fresh);
  invalidate();
}

// ---------------------------------------------------------------------------
// Tethers

TetherRelation* Annotation::tetherTo(const Graphic* target) const {
  for (GRelation* r : fromRelations()) {
    if (r->to() != target) continue;
    if (auto* t = dynamic_cast<TetherRelation*>(r)) return t;
  }
  return nullptr;
}

TetherRelation* Annotation::linkTo(SensitiveGraphic* target) {
  GraphicWindow* w = getParent();
  if (target == nullptr || target == this || dynamic_cast<Annotation*>(target) != nullptr) return nullptr;
  if (target->getParent() != w) return nullptr;
  if (TetherRelation* t = tetherTo(target)) return t;
  auto* rel = new TetherRelation(this, target);
  if (w != nullptr) {
    w->addNode(rel);
    rel->invalidate();
  }
  return rel;
}

int Annotation::linkTo(const LONG* ids, int count) {
  GraphicWindow* w = getParent();
  if (ids == nullptr || count <= 0 || w == nullptr) return 0;
  // One look-up table for all ids: a record may carry very many.
  std::map<LONG, NodeGNode*> symbols;
  for (SensitiveGraphic* g : w->sensitiveGraphics()) {
    if (auto* s = dynamic_cast<NodeGNode*>(g)) symbols.emplace(s->id(), s);
  }
  auto* page = dynamic_cast<ViewNode*>(w);
  int made = 0;
  for (int i = 0; i < count; ++i) {
    if (ids[i] == KM_ABSENT) continue;
    auto it = symbols.find(ids[i]);
    if (it == symbols.end()) {
      // The page may define it further on: the page ties it once it is read.
      if (page != nullptr) page->queueTether(this, ids[i]);
      continue;
    }
    if (tetherTo(it->second) != nullptr) continue;
    if (linkTo(it->second) != nullptr) ++made;
  }
  return made;
}

bool Annotation::untether(SensitiveGraphic* target) {
  TetherRelation* t = tetherTo(target);
  if (t == nullptr) return false;
  t->invalidate();
  t->destroy();
  return true;
}

void Annotation::getSaveDetails(RECT& box, std::vector<LONG>& ids) const {
  rawRect(box);
  ids.clear();
  for (GRelation* r : fromRelations()) {
    if (auto* s = dynamic_cast<SensitiveGraphic*>(r->to())) ids.push_back(s->id());
  }
  for (GRelation* r : toRelations()) {
    if (auto* s = dynamic_cast<SensitiveGraphic*>(r->from())) ids.push_back(s->id());
  }
}

LONG Annotation::saveOn(KMEsrap& w) { return w.getStatus(); }

void Annotation::tetherByRubberBand() {
  SensitiveGraphic* picked = rubberBand();
  auto* symbol = dynamic_cast<NodeGNode*>(picked);
  if (symbol == nullptr) return;
  if (!untether(symbol) && linkTo(symbol) == nullptr) return;
  if (GraphicWindow* w = getParent()) w->setModified(1);
}

// ---------------------------------------------------------------------------
// Drawing and layout

void Annotation::draw(TDC& dc, int force) {
  // In fast paint the outline is drawn even for a hidden box, so that a drag
  // shows where it goes (and erasing the outline draws it again).
  if (!boxHidden() || (state() & FastPaint)) {
    render().draw(dc, force);
    return;
  }
  clearState(Hidden);
  if (!force && !isPaintable()) return;
  HDC hdc = dc.GetHDC();
  if (hdc == nullptr) return;
  RECT r;
  rect(r);
  GraphicWindow* w = getParent();
  if (w != nullptr) w->extendTo(r.right, r.bottom);
  if (isSelected()) {
    if (Shape* s = shape()) s->drawHandles(hdc, 0);
  }
}

void Annotation::relayout() {
  ClientDCLoan loan(getParent());
  if (loan.get() == nullptr) return;
  TDC dc(loan.get());
  compute(dc);
}

void Annotation::restyle(DWORD set, DWORD clear) {
  invalidate();
  clearState(clear);
  setState(set);
  relayout();
  invalidate();
  if (GraphicWindow* w = getParent()) w->setModified(1);
}

void Annotation::clientRectResized(RECT&) {
  if ((state() & StretchMask) == 0) return;
  relayout();
  invalidate();
}

// ---------------------------------------------------------------------------
// Menu and commands

HMENU Annotation::createPopup() {
  const DWORD s = state();
  HMENU m = ::CreatePopupMenu();
  ::AppendMenu(m, MF_STRING, CmPushToBack, "Push to &Back");
  ::AppendMenu(m, MF_STRING | checkedIf(!boxHidden()), CmShowBox, "&Show Box");
  ::AppendMenu(m, MF_STRING, CmDelete, "&Delete\tDel");
  HMENU sides = ::CreatePopupMenu();
  ::AppendMenu(sides, MF_STRING | checkedIf((s & StretchMask) == StretchMask), CmMaximizeAll, "&All sides");
  ::AppendMenu(sides, MF_STRING | checkedIf(s & LeftToWindow), CmMaximizeLeft, "&Left");
  ::AppendMenu(sides, MF_STRING | checkedIf(s & TopToWindow), CmMaximizeTop, "&Top");
  ::AppendMenu(sides, MF_STRING | checkedIf(s & RightToWindow), CmMaximizeRight, "&Right");
  ::AppendMenu(sides, MF_STRING | checkedIf(s & BottomToWindow), CmMaximizeBottom, "&Bottom");
  ::AppendMenu(m, MF_POPUP, reinterpret_cast<UINT_PTR>(sides), "&Maximize");
  ::AppendMenu(m, MF_STRING, CmTether, "(Un)&Tether to\tShift+Left");
  return m;
}

void Annotation::handleMessage(GMessage& msg) {
  const DWORD s = state();
  auto toggle = [&](DWORD bit) {
    if (s & bit) restyle(0, bit);
    else restyle(bit, 0);
  };
  switch (msg.keys) {
    case CmShowBox: toggle(BoxHidden); break;
    case CmPushToBack:
      if (GraphicWindow* w = getParent()) {
        w->sendToBack(this);
        w->setModified(1);  // the drawing order is the order the page is saved in
      }
      invalidate();
      break;
    case CmMaximizeAll:
      if ((s & StretchMask) == StretchMask) restyle(0, StretchMask);
      else restyle(StretchMask, 0);
      break;
    case CmMaximizeLeft: toggle(LeftToWindow); break;
    case CmMaximizeTop: toggle(TopToWindow); break;
    case CmMaximizeRight: toggle(RightToWindow); break;
    case CmMaximizeBottom: toggle(BottomToWindow); break;
    case CmTether: tetherByRubberBand(); break;
    case CmDelete:
    case CmDeleteObjects:
    case CmDeleteKey:
      preCommand(msg);
      return;  // the window deletes
    default: return;
  }
  msg.result = 0;
}

HCURSOR Annotation::getCursor(POINT p) {
  HCURSOR c = SensitiveGraphic::getCursor(p);
  return c == ::LoadCursor(nullptr, IDC_UPARROW) ? ::LoadCursor(nullptr, IDC_SIZEALL) : c;
}

// ---------------------------------------------------------------------------
// Invariants

bool Annotation::invariantsHold() const {
  if (shape() == nullptr) return false;
  GraphicWindow* w = getParent();
  std::vector<const RelationableGraphic*> ends;
  for (GRelation* r : fromRelations()) {
    if (r->from() != this || dynamic_cast<TetherRelation*>(r) == nullptr) return false;
    if (r->to() == nullptr || r->to()->getParent() != w) return false;
    if (std::find(ends.begin(), ends.end(), r->to()) != ends.end()) return false;
    ends.push_back(r->to());
  }
  return true;
}

void Annotation::classInvarient(const char* file, int line) const {
  if (!invariantsHold()) {
    error(nullptr, 'E', "Internal error... Annotation %ld: invariant broken at %s:%d", static_cast<long>(id()),
          file != nullptr ? file : "?", line);
  }
}

void Annotation::showMade(GraphicWindow* window, HDC hdc, int wasModified) {
  if (hdc != nullptr) {
    TDC dc(hdc);
    compute(dc);
    draw(dc, 0);
  } else {
    clearState(Hidden);
  }
  if (!wasModified) window->setModified(0);
}
