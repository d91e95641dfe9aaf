// The link box: making it from a book link, between two symbols or from a link
// record, writing it back, its arrows' looks, showing the link's ends, turning
// it into a placeholder link and back, deleting it, and its menu, cursor and
// commands (see link_gnode.h).
#include "graphics/link_gnode.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "core/link.h"
#include "core/link_ref.h"
#include "core/links.h"
#include "core/nexil.h"
#include "core/node_ref.h"
#include "core/specifier.h"
#include "graphics/arrow.h"
#include "graphics/client_dc_loan.h"
#include "graphics/g_relation.h"
#include "graphics/glyph_factory.h"
#include "graphics/link_relation.h"
#include "graphics/node_gnode.h"
#include "graphics/precondition_exception.h"
#include "graphics/view_node.h"
#include "kit/error.h"
#include "maptext/km_esrap.h"
#include "maptext/km_records.h"
#include "platform/system/desktop.h"
#include "platform/win/menu.h"
#include "platform/win/windows_gdi.h"
#include "platform/win/windows_user.h"
#include "plugin/search_token.h"
#include "plugin/t_find_params.h"

namespace {

const char kUndefined[] = "Undefined";
const char kNoName[] = "<Odd, this link doesn't appear to have a name>";
constexpr int kMinimumGap = 20;

// The box's label: the type name, or "[]" for the root type.
const char* labelFor(const std::string& type) { return type == kUndefined ? "[]" : type.c_str(); }

// The type name a box for `link` shows.
std::string typeOf(Link* link) {
  if (link == nullptr) return kUndefined;
  const String& t = link->type();
  return t.c_str()[0] != '\0' ? t.c_str() : kNoName;
}

std::string typeOf(const char* name) { return name != nullptr ? name : kUndefined; }

// The constructor's preconditions, checked before anything is built.
GraphicWindow* checkedParent(GraphicWindow* parent, NodeGNode* from) {
  if (parent == nullptr) throw PreconditionException("AParent!=NULL");
  if (from == nullptr) throw PreconditionException("src!=NULL");
  return parent;
}

// The gap between a box and the symbols expansion places beside it.
int gapOf(GraphicWindow* w) { return std::max(w->gridSize(), kMinimumGap); }

// Whether `symbol` stands for the page `target` (resolved) names.
bool standsFor(NodeGNode* symbol, const NodeRef& target, Nexil& app) {
  if (symbol == nullptr || symbol->nodeRef() == nullptr) return false;
  NodeRef mine(*symbol->nodeRef());
  mine.resolve(app);
  return mine.uid() == target.uid() && mine.db() != nullptr && mine.db() == target.db();
}

void drawOn(Graphic* g, HDC hdc) {
  if (hdc == nullptr) {
    g->invalidate();
    return;
  }
  TDC dc(hdc);
  g->draw(dc, 0);
}

}  // namespace

// The label is given to the shape at once: its first fit keeps the top-left
// corner at (x, y), a later one keeps the centre.
LinkGNode::LinkGNode(GraphicWindow* parent, LONG id, Link* link, int x, int y)
    : GNode(parent, id, labelFor(typeOf(link)), Glyph, x, y), type_(typeOf(link)) {
  if (link != nullptr && link->linkRef() != nullptr) ref_ = std::make_unique<LinkRef>(*link->linkRef());
  setAttr();
  if (shape() != nullptr) setState(NoResize);
  playIfSounds("NXNEWLNK.WAV");
  setPaintLayer();
}

LinkGNode::LinkGNode(GraphicWindow* parent, LONG id, const char* name, LinkRef* ref, NodeGNode* from, NodeGNode* to,
                     int x, int y, HDC hdc)
    : GNode(checkedParent(parent, from), id, labelFor(typeOf(name)), Glyph, x, y), type_(typeOf(name)) {
  if (ref != nullptr) ref_ = std::make_unique<LinkRef>(*ref);
  if (x == 0 || y == 0) {
    RECT s;
    from->rect(s);
    int cx, cy;
    if (to != nullptr) {
      RECT d;
      to->rect(d);
      cx = static_cast<int>((static_cast<int64_t>(s.left) + s.right + d.left + d.right) / 4);
      cy = static_cast<int>((static_cast<int64_t>(s.top) + s.bottom + d.top + d.bottom) / 4);
    } else {
      cx = clampCoordinate(static_cast<int64_t>(s.right) + gapOf(parent));
      cy = static_cast<int>((static_cast<int64_t>(s.top) + s.bottom) / 2);
    }
    parent->snapToGrid(cx, cy);
    ClientDCLoan loan(hdc == nullptr ? parent : nullptr);
    if (HDC use = hdc != nullptr ? hdc : loan.get()) {
      TDC dc(use);
      compute(dc);
    }
    moveTo(cx, cy, nullptr);
  }
  setState(NoResize);
  if (hdc != nullptr) drawOn(this, hdc);
  attachRelation(from, this, hdc, false);
  if (to != nullptr) attachRelation(this, to, hdc, true);
  setAttr();
  playIfSounds("NXNEWLNK.WAV");
  setPaintLayer();
}

LinkGNode::~LinkGNode() { playIfSounds("NXDELLNK.WAV"); }

GRelation* LinkGNode::attachRelation(RelationableGraphic* from, RelationableGraphic* to, HDC hdc, bool toDestination) {
  GraphicWindow* w = getParent();
  GRelation* rel = nullptr;
  try {
    // The arrow belongs to the relation as soon as the relation's construction
    // starts; only a failure to allocate the relation itself leaves it behind.
    Arrow* arrow = new Arrow(w);
    if (toDestination) {
      rel = new LinkRelation(from, to, arrow);
    } else {
      rel = new GRelation(from, to, arrow);
    }
  } catch (const std::bad_alloc&) {
    error(nullptr, 'E', "LinkGNode::LinkGNode: GRelation::new() failed");
    return nullptr;
  }
  if (w != nullptr) w->addNode(rel);
  drawOn(rel, hdc);
  return rel;
}

// ---- Records ----

LinkGNode* LinkGNode::make(GraphicWindow* parent, KM_Link& record, HDC hdc) {
  if (parent == nullptr) return nullptr;
  ViewNode* vn = dynamic_cast<ViewNode*>(parent);
  std::unique_ptr<LinkRef> ref;
  if (record.ref != nullptr && record.ref[0] != '\0') {
    ref = std::make_unique<LinkRef>(record.ref, vn != nullptr ? vn->db() : nullptr);
    if (vn != nullptr) ref->resolve(vn->application());
  }
  auto symbol = [&](LONG id) -> NodeGNode* {
    if (vn != nullptr) return vn->findSymbol(id);
    for (SensitiveGraphic* g : parent->sensitiveGraphics()) {
      if (g->id() != id) continue;
      if (auto* s = dynamic_cast<NodeGNode*>(g)) return s;
    }
    return nullptr;
  };
  // The parser ends the id list with KM_ABSENT.
  const LONG first = record.nodeIds != nullptr ? record.nodeIds[0] : KM_ABSENT;
  const LONG second = first != KM_ABSENT ? record.nodeIds[1] : KM_ABSENT;
  NodeGNode* from = first != KM_ABSENT ? symbol(first) : nullptr;
  if (from == nullptr) {
    error(nullptr, 'E', "No source found for link ID %ld", static_cast<long>(record.id));
    return nullptr;
  }
  std::string type;
  if (record.typeName != nullptr && record.typeName[0] != '\0') {
    type = record.typeName;
  } else {
    type = vn != nullptr ? vn->linkTypeName(record.typeId) : std::string(kUndefined);
  }
  NodeGNode* to = second != KM_ABSENT && second != 0 ? symbol(second) : nullptr;
  GlyphFactory& factory = vn != nullptr ? vn->factory() : GlyphFactory::installed();
  const int x = record.a != KM_ABSENT ? record.a : 0;
  const int y = record.b != KM_ABSENT ? record.b : 0;
  LinkGNode* box = factory.makeLinkGNode(parent, record.id, type.c_str(), ref.get(), from, to, x, y, hdc);
  if (box == nullptr) return nullptr;
  parent->addSNode(box);
  if (record.flags != static_cast<ULONG>(KM_ABSENT)) box->assignState(record.flags & SavedStateMask);
  if (hdc != nullptr) {
    drawOn(box, hdc);
  } else {
    box->clearState(Hidden);
  }
  return box;
}

LONG LinkGNode::saveOn(KMEsrap& w) {
  NodeGNode* source = getSource();
  const LONG node1 = source != nullptr ? source->id() : KM_ABSENT;
  LONG node2 = KM_ABSENT;
  if (!fromRelations().empty()) {
    if (auto* d = dynamic_cast<NodeGNode*>(fromRelations().back()->to())) node2 = d->id();
  }
  RECT r;
  rect(r);
  std::string text;
  ViewNode* vn = page();
  if (ref_ != nullptr && vn != nullptr) {
    LinkRef copy(*ref_);
    if (vn->db() != nullptr) copy.context(vn->db());
    const bool relative = (vn->options() & GraphicWindow::CopyingToClipboard) == 0;
    text = copy.makeString(vn->application(), relative).c_str();
  }
  return w.writeLinkObject(id(), KM_ABSENT, type_.c_str(), node1, node2, r.left, r.top, state(), KM_ABSENT,
                           ref_ != nullptr && !text.empty() ? text.c_str() : nullptr, nullptr);
}

// ---- Ends ----

NodeGNode* LinkGNode::getSource() const {
  for (GRelation* r : toRelations()) {
    if (auto* s = dynamic_cast<NodeGNode*>(r->from())) return s;
  }
  return nullptr;
}

void LinkGNode::forEachDestination(DestinationCallback callback, void* arg) const {
  if (callback == nullptr) return;
  // A copy: the callback may change the relations.
  const std::vector<GRelation*> from(fromRelations().begin(), fromRelations().end());
  for (GRelation* r : from) {
    if (auto* d = dynamic_cast<NodeGNode*>(r->to())) callback(d, arg);
  }
}

int LinkGNode::ghostStatus() const {
  int s = ref_ != nullptr ? GhostReal : GhostPlaceholder;
  NodeGNode* source = getSource();
  if (source != nullptr) {
    s |= GhostHasSource;
    if (source->hasValidRef()) s |= GhostSourceValid;
  }
  for (GRelation* r : fromRelations()) {
    if (dynamic_cast<NodeGNode*>(r->to()) != nullptr) {
      s |= GhostHasDestination;
      break;
    }
  }
  return s;
}

ViewNode* LinkGNode::page() const { return dynamic_cast<ViewNode*>(getParent()); }

bool LinkGNode::isPlaceholderLine() const { return ref_ == nullptr || ref_->locality() == ComponentRef::Unknown; }

// ---- Looks ----

void LinkGNode::setAttr() {
  LONG attrs[4] = {0, 0, 0, 0};
  if (ViewNode* vn = page()) vn->linkTypeLooks(type_.c_str(), attrs);
  DWORD text = static_cast<DWORD>(attrs[0]);
  DWORD line = static_cast<DWORD>(attrs[1]);
  setColor(nullptr, nullptr, &text);
  const bool placeholder = isPlaceholderLine();
  std::vector<GRelation*> all(fromRelations().begin(), fromRelations().end());
  all.insert(all.end(), toRelations().begin(), toRelations().end());
  for (GRelation* r : all) {
    r->setColor(nullptr, &line, nullptr);
    // A destination that is itself a placeholder keeps its dotted line.
    auto* d = r->from() == this ? dynamic_cast<NodeGNode*>(r->to()) : nullptr;
    const bool dotted = placeholder || (d != nullptr && !d->hasValidRef());
    if (VisualGraphic* v = r->visual()) {
      v->setPenStyle(dotted ? PS_DOT : PS_INSIDEFRAME);
      v->setDotted(dotted ? 1 : 0);
    }
    r->invalidate();
  }
  invalidate();
}

// ---- Showing the link's ends ----

void LinkGNode::expandLink(int levels, HDC hdc, NodeGNode* from) {
  GraphicWindow* w = getParent();
  ViewNode* vn = page();
  if (w == nullptr || vn == nullptr || ref_ == nullptr) return;
  const bool top = hdc == nullptr;
  if (top) w->clearMarks();
  ClientDCLoan loan(top ? w : nullptr);
  HDC use = top ? loan.get() : hdc;
  // Without a context nothing can be laid out, and the walk below could not
  // tell its top call from the nested ones.
  if (use == nullptr) return;
  Nexil& app = vn->application();
  ref_->resolve(app);
  std::unique_ptr<Link> link(ref_->getLink(app, 0));
  if (link != nullptr) expandLink(levels, *link, use, from);
  setAttr();
}

void LinkGNode::expandLink(int levels, Link& link, HDC hdc, NodeGNode* from) {
  const Specifier* source = nullptr;
  for (std::size_t i = 0; i < link.specCount() && source == nullptr; ++i) {
    if (link.specifier(i).dir() == Specifier::Source) source = &link.specifier(i);
  }
  if (getSource() == nullptr) attachSource(source, from, hdc);
  for (std::size_t i = 0; i < link.specCount(); ++i) {
    if (link.specifier(i).dir() == Specifier::Destination) expandLink(levels, link.specifier(i), from, hdc);
  }
}

void LinkGNode::attachSource(const Specifier* source, NodeGNode* from, HDC hdc) {
  ViewNode* vn = page();
  if (vn == nullptr) return;
  Nexil& app = vn->application();
  NodeGNode* symbol = nullptr;
  if (source == nullptr) {
    symbol = from;
  } else {
    NodeRef target(source->ref());
    target.resolve(app);
    if (standsFor(from, target, app)) {
      symbol = from;
    } else {
      // The walk came from a destination of the link: show its source left of the box.
      symbol = newSymbol(target, hdc, false);
    }
  }
  if (symbol != nullptr) attachRelation(symbol, this, hdc, false);
}

void LinkGNode::expandLink(int levels, const Specifier& end, NodeGNode* from, HDC hdc) {
  ViewNode* vn = page();
  if (vn == nullptr) return;
  Nexil& app = vn->application();
  NodeRef target(end.ref());
  target.resolve(app);
  NodeGNode* dest = nullptr;
  for (GRelation* r : fromRelations()) {
    auto* s = dynamic_cast<NodeGNode*>(r->to());
    if (standsFor(s, target, app)) {
      dest = s;
      break;
    }
  }
  if (dest == nullptr) {
    // The symbol the walk came from is joined, not shown twice.
    dest = standsFor(from, target, app) ? from : newSymbol(target, hdc, true);
    if (dest == nullptr) return;
    GRelation* rel = attachRelation(this, dest, hdc, true);
    if (rel != nullptr && !dest->hasValidRef() && rel->visual() != nullptr) {
      rel->visual()->setPenStyle(PS_DOT);
      rel->visual()->setDotted(1);
    }
  }
  if (levels > 1 && dest != from) dest->expandLinks(levels, hdc);
}

NodeGNode* LinkGNode::newSymbol(NodeRef& target, HDC hdc, bool right) {
  GraphicWindow* w = getParent();
  ViewNode* vn = page();
  if (w == nullptr || vn == nullptr) return nullptr;
  RECT box;
  rect(box);
  const int gap = gapOf(w);
  NodeGNode* s = vn->factory().makeNodeGNode(w, vn->newObjectId(), &target, nullptr, box.right, box.top);
  if (s == nullptr) return nullptr;
  w->addSNode(s);
  if (hdc != nullptr) {
    TDC dc(hdc);
    s->compute(dc);
  }
  // Placed by its rectangle as fitted to its label.
  RECT r;
  s->rect(r);
  const int64_t width = static_cast<int64_t>(r.right) - r.left, height = static_cast<int64_t>(r.bottom) - r.top;
  const int64_t left =
      right ? static_cast<int64_t>(box.right) + gap : std::max<int64_t>(0, static_cast<int64_t>(box.left) - gap - width);
  const int64_t top = right ? box.top : (static_cast<int64_t>(box.top) + box.bottom - height) / 2;
  s->moveTo(clampCoordinate(left + width / 2), clampCoordinate(top + height / 2), nullptr);
  s->placeClear(0);
  s->setAttr(nullptr);
  drawOn(s, hdc);
  return s;
}

// ---- The book ----

void LinkGNode::deleteLink(int fromBook, bool ask) {
  ViewNode* vn = page();
  if (!fromBook || ref_ == nullptr || vn == nullptr) {
    eraseGraphic();
    return;
  }
  ::MessageBeep(MB_SIMPLEBEEP);
  char text[400];
  std::snprintf(text, sizeof text, "Do you really want to delete link of type \"%s\" from the book?", type_.c_str());
  if (ask && ::MessageBox(vn->HWindow, text, "Link Deletion Confirmation", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
    return;
  Nexil& app = vn->application();
  ref_->resolve(app);
  std::unique_ptr<Link> link(ref_->getLink(app, NodeRef::ModeWrite));
  // A link the book no longer has only leaves the page; one the book refuses
  // to delete stays, so that the page never hides a link the book still holds.
  if (link != nullptr && link->destroy(app) < 0) return;
  vn->setModified(1);
  eraseGraphic();
}

int LinkGNode::dereference(int, long) {
  if (ref_ == nullptr) return -1;
  ref_.reset();
  setAttr();
  invalidate();
  if (GraphicWindow* w = getParent()) w->setModified(1);
  return 0;
}

int LinkGNode::instantiate() {
  ViewNode* vn = page();
  NodeGNode* source = getSource();
  if (vn == nullptr || source == nullptr || !source->hasValidRef()) return -1;
  Nexil& app = vn->application();
  source->nodeRef()->resolve(app);
  std::unique_ptr<Links> links = source->nodeRef()->getLinks(vn, app);
  return instantiate(links.release());
}

int LinkGNode::instantiate(Links* links) {
  std::unique_ptr<Links> owned(links);
  owned.reset();
  ViewNode* vn = page();
  NodeGNode* source = getSource();
  NodeRef* from = source != nullptr ? source->nodeRef() : nullptr;
  NodeRef* to = nullptr;
  for (GRelation* r : fromRelations()) {
    if (auto* d = dynamic_cast<NodeGNode*>(r->to())) {
      to = d->nodeRef();
      break;
    }
  }
  if (vn == nullptr || from == nullptr || to == nullptr) return -1;
  Nexil& app = vn->application();
  DB* book = vn->db();
  // The source page is the link's source end, the destination its destination end.
  Link link(book, String(type_.c_str()), *from, *to, app);
  bool saved = false;
  if (link.status() == Link::Good && !link.isInvalid() && link.linkRef() != nullptr) {
    link.linkRef()->context(book);
    saved = link.save(app, 1) == 0;
  }
  if (!saved) {
    error(nullptr, 'W', "Unable to save link '%s'", type_.c_str());
    return -1;
  }
  ref_ = std::make_unique<LinkRef>(*link.linkRef());
  setAttr();
  invalidate();
  vn->setModified(1);
  return 0;
}

int LinkGNode::verify(Links*) {
  ViewNode* vn = page();
  if (ref_ == nullptr || vn == nullptr) {
    error(nullptr, 'z', "Verifying Link '%s' ...", type_.c_str());
    setAttr();
    return 0;
  }
  error(nullptr, 'z', "Verifying link '%s' ...", ref_->name().c_str());
  Nexil& app = vn->application();
  int result = 0;
  bool changed = false;
  if (ref_->resolve(app) != ComponentRef::Local) {
    result = -2;
  } else {
    std::unique_ptr<Link> link(ref_->getLink(app, 0));
    if (link == nullptr) {
      result = -1;
    } else {
      const std::string stored = link->type().c_str();
      if (!stored.empty() && stored != type_) {
        type_ = stored;
        setText(labelFor(type_));
        changed = true;
      }
    }
  }
  if (result == -1) error(nullptr, 'Z', "Verify: Link '%s' has been deleted", type_.c_str());
  if (result < -1) error(nullptr, 'Z', "Verify: Link '%s' could not be reached", type_.c_str());
  setAttr();
  {
    ClientDCLoan loan(vn);
    if (loan.get() != nullptr) {
      TDC dc(loan.get());
      compute(dc);
    }
  }
  invalidate();
  vn->setModified(1);
  if (result == 0) error(nullptr, 'z', "%s", "");
  return changed ? -1 : 0;
}

int LinkGNode::verify() {
  std::unique_ptr<Links> links;
  ViewNode* vn = page();
  NodeGNode* source = getSource();
  if (vn != nullptr && source != nullptr && source->hasValidRef()) {
    source->nodeRef()->resolve(vn->application());
    links = source->nodeRef()->getLinks(vn, vn->application());
  }
  const int changed = verify(links.get());
  GNode::verify();
  return changed;
}

// ---- Commands, menu and mouse ----

void LinkGNode::handleMessage(GMessage& msg) {
  GraphicWindow* w = getParent();
  const WORD command = msg.keys;
  switch (command) {
    case CmRename:
    default: GNode::handleMessage(msg); return;
    case CmExpand:
    case CmCollapse:
    case CmInfo:
    case CmDelete:
    case CmErase:
    case CmDeleteKey:
    case CmExpandN:
    case CmDeleteFromPage:
    case CmDeleteFromBook:
    case CmPushToBack:
    case CmToPlaceholder:
    case CmToLink:
    case CmPlaceholderLinkTo: break;
  }
  // Set first: the removing commands leave no box behind.
  msg.result = 0;
  switch (command) {
    case CmExpand: expandLink(1, nullptr, nullptr); break;
    case CmCollapse: colapseLink(); break;
    case CmInfo: info(); break;
    case CmDelete:
    case CmErase:
    case CmDeleteKey: eraseGraphic(); break;
    case CmExpandN: {
      const int n = getNonNegInt(w, "Expand Links", "Link levels to expand", 1, -1);
      if (n > 0) expandLink(n, nullptr, nullptr);
      break;
    }
    case CmDeleteFromPage: deleteLink(0, true); break;
    case CmDeleteFromBook: deleteLink(1, true); break;
    case CmPushToBack:
      if (w != nullptr) w->sendToBack(this);
      invalidate();
      break;
    case CmToPlaceholder: dereference(1, -1); break;
    case CmToLink: instantiate(); break;
    default: break;
  }
}

HMENU LinkGNode::createPopup() {
  ViewNode* vn = page();
  const UINT locked = vn != nullptr && vn->readOnly() ? MF_GRAYED : 0;
  HMENU m = ::CreatePopupMenu();
  ::AppendMenu(m, MF_STRING | locked, CmRename, "&Rename");
  ::AppendMenu(m, MF_STRING, CmPushToBack, "Push to &Back");
  ::AppendMenu(m, MF_SEPARATOR, 0, nullptr);
  ::AppendMenu(m, MF_STRING, CmDeleteFromPage, "&Delete From Page");
  if (ref_ != nullptr) {
    ::AppendMenu(m, MF_STRING | locked, CmDeleteFromBook, "D&elete From Page and Book");
    ::AppendMenu(m, MF_STRING | locked, CmToPlaceholder, "&Change to Placeholder Link");
  } else {
    ::AppendMenu(m, MF_STRING | locked, CmToLink, "&Change to (non-placeholder) Link");
  }
  return m;
}

PageCursors::Kind LinkGNode::cursorKind(POINT p) {
  if (isSelected() && hitHandle(p.x, p.y) != 0) return PageCursors::Sizing;
  ViewNode* vn = page();
  const PageHost::ZoneMode mode = vn != nullptr ? vn->zoneMode() : PageHost::NoHotZones;
  RECT r;
  rect(r);
  const int64_t dx = static_cast<int64_t>(p.x) - r.left;
  const int64_t width = static_cast<int64_t>(r.right) - r.left;
  switch (mode) {
    case PageHost::WholeSymbolOpens: return PageCursors::Select;
    case PageHost::NoHotZones: return PageCursors::Hand;
    case PageHost::TwoZones: return dx * 2 > width ? PageCursors::Menu : PageCursors::Hand;
    case PageHost::NineZones:
    default: {
      const int64_t third = width / 3;
      if (dx < third) return vn != nullptr && !vn->readOnly() ? PageCursors::Edit : PageCursors::Hand;
      if (dx < 2 * third) return PageCursors::Hand;
      return PageCursors::Menu;
    }
  }
}

HCURSOR LinkGNode::getCursor(POINT p) {
  const PageCursors::Kind kind = cursorKind(p);
  if (kind == PageCursors::Sizing) return SensitiveGraphic::getCursor(p);
  if (kind == PageCursors::Select) return ::LoadCursor(nullptr, IDC_ARROW);
  return PageCursors::cursor(kind);
}

void LinkGNode::WMLButtonUp(GMessage& msg) {
  const bool dragged = (state() & Moved) != 0;
  const PageCursors::Kind kind = cursorKind(logicalPoint(msg));
  // The release comes first: a command chosen from the menu may remove the box.
  SensitiveGraphic::WMLButtonUp(msg);
  if (dragged) return;
  if (kind == PageCursors::Expand) {
    expandLink(1, nullptr, nullptr);
  } else if (kind == PageCursors::Menu) {
    popupAt(msg);
  }
}

const char* LinkGNode::label() const { return labelFor(type_); }

int LinkGNode::matchFound(TFindParams* params) const {
  return params != nullptr && params->match(label()) ? 1 : 0;
}

int LinkGNode::firstMatch(TFindParams* params, SearchToken& token) {
  if (!matchFound(params)) return 1;
  token.node.nodeId(id());
  setSelected(1, 0);
  return 0;
}
