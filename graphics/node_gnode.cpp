// The idea symbol (see node_gnode.h): its looks from its page's type, saving,
// the mouse and its hot zones, commands and menus, opening the page, showing
// its links, verifying it, and turning it into and out of a placeholder.
#include "graphics/node_gnode.h"

#include <algorithm>
#include <vector>

#include "core/db.h"
#include "core/link.h"
#include "core/link_ref.h"
#include "core/links.h"
#include "core/nexil.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/client_dc_loan.h"
#include "graphics/g_relation.h"
#include "graphics/glyph_factory.h"
#include "graphics/link_gnode.h"
#include "graphics/simple_slave.h"
#include "graphics/view_node.h"
#include "graphics/wait_cursor.h"
#include "kit/error.h"
#include "kit/file_helpers.h"
#include "maptext/km_esrap.h"
#include "maptext/km_records.h"
#include "platform/system/desktop.h"
#include "platform/system/system.h"
#include "platform/win/menu.h"
#include "platform/win/windows_user.h"
#include "plugin/search_token.h"
#include "plugin/t_find_params.h"

namespace {

constexpr int kRootGlyph = 2;  // the root type's shape: a new symbol is an ellipse until typed
constexpr const char* kUndefined = "Undefined";
constexpr ULONG kMemoryNeeded = 0x4000;

bool nonEmpty(const char* s) { return s != nullptr && *s != '\0'; }

// The link boxes joined to a symbol: those its relations reach (it is their
// source) and those whose relations reach it (it is a destination).
void attachedBoxes(const RelationableGraphic& g, std::vector<LinkGNode*>& asSource,
                   std::vector<LinkGNode*>& asDestination) {
  for (GRelation* r : g.fromRelations())
    if (auto* box = dynamic_cast<LinkGNode*>(r->to())) asSource.push_back(box);
  for (GRelation* r : g.toRelations())
    if (auto* box = dynamic_cast<LinkGNode*>(r->from())) asDestination.push_back(box);
}

}  // namespace

NodeGNode::NodeGNode(GraphicWindow* parent, LONG id, const NodeRef* ref, const char* text, int x, int y)
    : GNode(parent, id, "", kRootGlyph, x, y) {
  if (ref != nullptr) ref_ = std::make_unique<NodeRef>(*ref);
  if (text != nullptr) {
    type_ = *text != '\0' ? text : kUndefined;
  } else if (ref_ != nullptr) {
    String stored;
    if (ref_->lookup(nullptr, &stored, nullptr) == 0) type_ = stored.c_str();
  }
  init();
}

NodeGNode::NodeGNode(GraphicWindow* parent, LONG id, const char* name, const char* type, int x, int y)
    : GNode(parent, id, "", kRootGlyph, x, y),
      placeholder_(name != nullptr ? name : kUndefined),
      type_(type != nullptr ? type : kUndefined) {
  init();
}

void NodeGNode::init() {
  GNode::setText(displayName());
  if (page() != nullptr) setAttr(nullptr);
  playIfSounds("NXNEWGLY.WAV");
  setPaintLayer();
}

NodeGNode::~NodeGNode() { playIfSounds("NXDELGLY.WAV"); }

ViewNode* NodeGNode::page() const { return dynamic_cast<ViewNode*>(getParent()); }

const char* NodeGNode::displayName() const {
  if (ref_ != nullptr && ref_->name().length() != 0) return ref_->name().c_str();
  if (!placeholder_.empty()) return placeholder_.c_str();
  return kUndefined;
}

void NodeGNode::setPlaceholderName(const char* name) {
  placeholder_ = name != nullptr ? name : "";
  if (ref_ == nullptr) GNode::setText(displayName());
}

void NodeGNode::setTypeName(const char* type) { type_ = type != nullptr ? type : ""; }

bool NodeGNode::hasValidRef() const { return ref_ != nullptr && ref_->uid() != ComponentRef::NoUID; }

// ---------------------------------------------------------------------------
// Records

NodeGNode* NodeGNode::make(GraphicWindow* parent, KM_Node& record, HDC hdc) {
  ViewNode* page = dynamic_cast<ViewNode*>(parent);
  if (page == nullptr) return nullptr;
  std::unique_ptr<NodeRef> ref;
  if (nonEmpty(record.ref)) {
    ref = std::make_unique<NodeRef>(record.ref, page->db());
    ref->resolve(page->application());
  }
  std::string type = nonEmpty(record.typeName) ? record.typeName : page->nodeTypeName(record.typeId);
  const int x = record.x == KM_ABSENT ? 0 : record.x, y = record.y == KM_ABSENT ? 0 : record.y;
  const LONG id = record.id == KM_ABSENT ? page->newObjectId() : record.id;
  NodeGNode* s = ref == nullptr
                     ? page->factory().makeNodeGNode(page, id, record.name, type.c_str(), x, y)
                     : page->factory().makeNodeGNode(page, id, ref.get(), type.c_str(), x, y);
  if (s == nullptr) return nullptr;
  if (ref != nullptr && ref->name().length() == 0 && nonEmpty(record.name)) {
    s->placeholder_ = record.name;
    s->GNode::setText(record.name);
  }
  {
    // On a window that is shown the label was fitted as it was set (first
    // empty, then the name, each fit keeping the centre of the one before):
    // it is fitted again from the stored corner, as on a window not yet shown.
    RECT r;
    s->rawRect(r);
    const LONG cx = clampCoordinate(x), cy = clampCoordinate(y);
    if (r.left != cx || r.top != cy || r.right != cx || r.bottom != cy) {
      RECT corner = {cx, cy, cx, cy};
      s->setRect(corner, nullptr);
      ClientDCLoan loan(page);
      if (loan.get() != nullptr) {
        TDC dc(loan.get());
        s->compute(dc);
      }
    }
  }
  if (record.x2 != KM_ABSENT || record.y2 != KM_ABSENT) {
    RECT r;
    s->rawRect(r);
    if (record.x2 != KM_ABSENT) r.right = std::max<LONG>(r.left, record.x2);
    if (record.y2 != KM_ABSENT) r.bottom = std::max<LONG>(r.top, record.y2);
    s->setRect(r, nullptr);
  }
  if (record.flags != static_cast<ULONG>(KM_ABSENT)) {
    s->assignState((s->state() & ~SavedFlagsMask) | (record.flags & SavedFlagsMask));
    if ((record.flags & UnknownBookFlag) && s->ref_ != nullptr) s->ref_->locality(ComponentRef::Unknown);
  }
  page->addSNode(s);
  if (hdc != nullptr) {
    TDC dc(hdc);
    s->draw(dc, 0);
  } else {
    s->clearState(Hidden);
  }
  return s;
}

LONG NodeGNode::saveOn(KMEsrap& w, const DB*) {
  RECT r;
  rawRect(r);
  const bool fixed = (state() & FixedSize) != 0;
  ULONG flags = state() & SavedFlagsMask;
  if (ref_ != nullptr && ref_->locality() == ComponentRef::Unknown) flags |= UnknownBookFlag;
  ViewNode* p = page();
  const bool copying = p != nullptr && (p->options() & GraphicWindow::CopyingToClipboard);
  String text;
  if (ref_ != nullptr && p != nullptr) text = ref_->makeString(p->application(), !copying);
  const LONG result =
      w.writeNodeObject(id(), displayName(), KM_ABSENT, type_.c_str(), r.left, r.top, fixed ? r.right : KM_ABSENT,
                        fixed ? r.bottom : KM_ABSENT, flags, KM_ABSENT, ref_ != nullptr ? text.c_str() : nullptr,
                        nullptr);
  if (isSelected() && copying) {
    if (auto* s = dynamic_cast<SensitiveGraphic*>(slave())) s->setSelected(1, 1);
  }
  return result;
}

// ---------------------------------------------------------------------------
// Looks

int NodeGNode::setAttr(Node* node) {
  ViewNode* p = page();
  if (p == nullptr || shape() == nullptr) {
    invalidate();
    return 0;
  }
  const DWORD before = state() & Shadow;
  const COLORREF fill0 = shape()->fillColor().color(), line0 = shape()->lineColor().color(), text0 = textColor();
  const int glyph0 = shape()->glyphNumber();
  const DWORD mask0 = shape()->lineMask();
  bool shadow = false;
  if (node == nullptr) {
    if (!hasValidRef()) {
      shape()->setDotted(1);
      GNode::setText(displayName());
    } else {
      ref_->resolve(p->application());
      if (type_.empty()) {
        String stored;
        if (ref_->lookup(nullptr, &stored, nullptr) == 0) type_ = stored.c_str();
      }
      shadow = !ref_->isEmpty(p->application());
      shape()->setDotted(0);
      GNode::setText(ref_->name().c_str());
    }
  } else {
    if (type_.empty()) type_ = node->kind().c_str();
    if (NodeWindow* w = node->window()) shadow = !w->isEmpty();
    shape()->setPenStyle(PS_INSIDEFRAME);
  }
  LONG a[5];
  p->nodeTypeLooks(type_.c_str(), a);
  DWORD fill = static_cast<DWORD>(a[2]), line = static_cast<DWORD>(a[1]), text = static_cast<DWORD>(a[0]);
  setColor(&fill, &line, &text);
  if (a[3] >= 0 && a[3] < 10) setShape(static_cast<int>(a[3]), static_cast<DWORD>(a[4]), nullptr);
  if (shadow) setState(Shadow);
  else clearState(Shadow);
  invalidate();
  return (state() & Shadow) != before || shape()->fillColor().color() != fill0 ||
                 shape()->lineColor().color() != line0 || textColor() != text0 || shape()->glyphNumber() != glyph0 ||
                 shape()->lineMask() != mask0
             ? 1
             : 0;
}

// ---------------------------------------------------------------------------
// Opening the page and showing links

bool NodeGNode::canOpen() {
  ViewNode* p = page();
  if (p == nullptr || !hasValidRef()) return false;
  return !p->readOnly() || !ref_->isEmpty(p->application());
}

void NodeGNode::gotoNode() { openPage(); }

void NodeGNode::openPage() {
  ViewNode* p = page();
  if (p == nullptr) return;
  WaitCursor wait;
  if (ref_ == nullptr) {
    error(p->HWindow, 'W', "Cannot open referenced page: page not found ");
    return;
  }
  Nexil& app = p->application();
  if (p->readOnly() && ref_->isEmpty(app)) return;
  ref_->resolve(app);
  RECT r;
  rect(r);
  const LONG topLeft = p->logicalToScreen(packPoint(r.left, r.top));
  const LONG bottomRight = p->logicalToScreen(packPoint(r.right, r.bottom));
  TRect from(pointX(topLeft), pointY(topLeft), pointX(bottomRight), pointY(bottomRight));
  Node* shown = app.getDisplayedNode(*ref_);
  if (shown == nullptr) {
    const bool single = p->host() != nullptr && p->host()->singleWindow();
    app.loadNode(p, *ref_, single ? 1 : 6, 0, &from, true);
    shown = app.getDisplayedNode(*ref_);
    if (shown == nullptr) return;
    setSelected(0, 1);
    setHighlighted(1, 1);
    if (!shown->name().isEqual(ref_->name())) {
      ref_->name(shown->name());
      GNode::setText(ref_->name().c_str());
    }
  } else {
    shown->display(&from);
  }
}

LinkGNode* NodeGNode::findLinkGNode(const Link& link) const {
  ViewNode* p = page();
  if (p == nullptr || link.linkRef() == nullptr) return nullptr;
  for (SensitiveGraphic* g : p->sensitiveGraphics()) {
    auto* box = dynamic_cast<LinkGNode*>(g);
    if (box != nullptr && box->linkRef() != nullptr && *box->linkRef() == *link.linkRef()) return box;
  }
  return nullptr;
}

void NodeGNode::expandLinks(int levels, HDC hdc) {
  ViewNode* p = page();
  if (p == nullptr || ref_ == nullptr) return;
  if (hdc != nullptr) {
    expandLinksFrom(levels, hdc);
    return;
  }
  p->clearMarks();
  ClientDCLoan loan(p);
  if (expandLinksFrom(levels, loan.get()) > 0) p->setModified(1);
}

int NodeGNode::expandLinksFrom(int levels, HDC hdc) {
  if (isMarked()) return 0;
  setState(Marked);
  ViewNode* p = page();
  Nexil& app = p->application();
  std::unique_ptr<Links> links = ref_->getLinks(p, app);
  if (links == nullptr) return 0;
  RECT r;
  rawRect(r);
  int shown = 0, offset = 0;
  for (std::size_t i = 0; i < links->count(); ++i) {
    std::unique_ptr<Link> link(links->at(i).getLink(app, 0));
    if (link == nullptr) {
      error(p->HWindow, 'W', "NodeGNode::expandLinks: Cannot instantiate link from link reference");
      continue;
    }
    LinkGNode* box = findLinkGNode(*link);
    if (box == nullptr) {
      box = p->factory().makeLinkGNode(p, p->newObjectId(), link.get(), r.left + ExpandRight, r.top + offset);
      if (box == nullptr) continue;
      offset += ExpandStep;
      p->addSNode(box);
      TDC dc(hdc);
      box->draw(dc, 0);
      box->placeClear(0);
      ++shown;
    }
    box->expandLink(levels - 1, hdc, this);
  }
  return shown;
}

// ---------------------------------------------------------------------------
// Verifying, deleting, placeholders

int NodeGNode::verify() {
  ViewNode* p = page();
  if (p == nullptr) return RelationableGraphic::verify();
  error(p->HWindow, 'z', "Verifying node '%s' ...", displayName());
  if (ref_ == nullptr) {
    setAttr(nullptr);
    ClientDCLoan loan(p);
    TDC dc(loan.get());
    compute(dc);
    return RelationableGraphic::verify();
  }
  Nexil& app = p->application();
  ref_->resolve(app);
  const int locality = ref_->locality();
  String stored;
  const int result = ref_->verify(app, &stored);
  if (result == 1) {
    GNode::setText(ref_->name().c_str());
  } else if (result < 0) {
    placeholder_ = ref_->name().c_str();
    if (locality == ComponentRef::Unknown) {
      error(p->HWindow, 'Z', result == -1 ? "Verify: Node '%s' has been deleted" : "Verify: Node '%s' could not be reached",
            displayName());
    }
  }
  if (stored.length() != 0 && type_ != stored.c_str()) type_ = stored.c_str();
  setAttr(nullptr);
  std::vector<LinkGNode*> asSource, asDestination;
  attachedBoxes(*this, asSource, asDestination);
  if (result >= 0) {
    std::unique_ptr<Links> links = ref_->getLinks(p, app);
    // Each pass may drop boxes that are gone; a box that keeps reporting a
    // change cannot hold the page for ever.
    const std::size_t passes = asSource.size() + asDestination.size() + 1;
    for (std::size_t pass = 0; pass < passes; ++pass) {
      bool changed = false;
      std::vector<LinkGNode*> now, dest;
      attachedBoxes(*this, now, dest);
      for (LinkGNode* box : now) changed |= box->verify(links.get()) == -1;
      if (!changed) break;
    }
  } else {
    // The page is gone: the arrows from this symbol to its link boxes go.
    std::vector<GRelation*> toBoxes;
    for (GRelation* r : fromRelations())
      if (dynamic_cast<LinkGNode*>(r->to()) != nullptr) toBoxes.push_back(r);
    for (GRelation* r : toBoxes) r->fromGone();
  }
  invalidate();
  p->setModified(1);
  error(p->HWindow, 'z', "%s", "");
  return 0;
}

void NodeGNode::deleteNode() {
  ViewNode* p = page();
  if (p == nullptr) return;
  if (!hasValidRef()) {
    eraseGraphic();
    return;
  }
  Nexil& app = p->application();
  Node* shown = app.getDisplayedNode(*ref_);
  if (shown == nullptr) {
    ::MessageBeep(MB_SIMPLEBEEP);
    char text[600];
    std::snprintf(text, sizeof text, "Do you really want to delete page \"%s\" from the book?", displayName());
    if (::MessageBox(p->HWindow, text, "Page Deletion Confirmation", MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    if (ref_->deleteNode(app) == 0) eraseGraphic();
    return;
  }
  if (shown->window() == static_cast<NodeWindow*>(p)) {
    error(p->HWindow, 'E', "Cannot delete referenced page from the book: Use the book directory to delete this page.");
    return;
  }
  if (shown->deleteNode(app) == 0) eraseGraphic();
}

void NodeGNode::instantiateNeighborLinks() {
  std::vector<LinkGNode*> asSource, asDestination;
  attachedBoxes(*this, asSource, asDestination);
  for (LinkGNode* box : asSource) box->instantiate();
  for (LinkGNode* box : asDestination) box->instantiate();
}

int NodeGNode::instantiate() {
  ViewNode* p = page();
  if (p == nullptr || hasValidRef()) return -1;
  const bool typed = placeholder_.rfind("TYPE: ", 0) == 0;
  std::unique_ptr<NodeWindow> made(
      p->application().makeNodeWindow(p->db(), type_.c_str(), typed ? nullptr : placeholder_.c_str()));
  if (made == nullptr || made->nodeRef() == nullptr) return -1;
  ref_ = std::make_unique<NodeRef>(*made->nodeRef());
  setAttr(nullptr);
  invalidate();
  instantiateNeighborLinks();
  ClientDCLoan loan(p);
  TDC dc(loan.get());
  compute(dc);
  p->setModified(1);
  return 0;
}

int NodeGNode::reference() {
  ViewNode* p = page();
  if (p == nullptr || hasValidRef()) return -1;
  if (!memOK(p, kMemoryNeeded)) return -1;
  Nexil& app = p->application();
  const std::string text = std::string(":") + displayName();
  auto chosen = std::make_unique<NodeRef>(text.c_str(), p->db());
  chosen->resolve(app);
  const int result = app.setDirRef(p, *chosen, app, nullptr);
  if (result != 0) {
    chosen->locality(ComponentRef::Unknown);
    if (result != 1) error(p->HWindow, 'W', "ViewNode::OpenNode: Cannot resolve specified Node");
    return result;
  }
  chosen->resolve(app);
  ref_ = std::move(chosen);
  setAttr(nullptr);
  invalidate();
  ClientDCLoan loan(p);
  TDC dc(loan.get());
  compute(dc);
  p->setModified(1);
  instantiateNeighborLinks();
  return 0;
}

int NodeGNode::dereference() {
  ViewNode* p = page();
  if (ref_ == nullptr) return -1;
  std::vector<LinkGNode*> asSource, asDestination;
  attachedBoxes(*this, asSource, asDestination);
  for (LinkGNode* box : asSource) box->dereference(4, -1);
  for (LinkGNode* box : asDestination) box->dereference(2, id());
  placeholder_ = ref_->name().c_str();
  ref_.reset();
  setAttr(nullptr);
  if (p != nullptr) {
    ClientDCLoan loan(p);
    TDC dc(loan.get());
    compute(dc);
  }
  invalidate();
  if (p != nullptr) p->setModified(1);
  return 0;
}

int NodeGNode::changeNameType(Node& node, const char* name, const char* type, bool redraw) {
  bool changed = false;
  if (type != nullptr && type_ != type) {
    const String t(type);
    if (node.nodeRef() != nullptr) node.nodeRef()->rename(nullptr, &t, nullptr);
    node.kind(&t);
    type_ = type;
    changed = true;
  }
  if (name != nullptr && std::string(displayName()) != name) {
    const String n(name);
    if (ref_ != nullptr) ref_->name(n);
    if (node.nodeRef() != nullptr) node.nodeRef()->rename(&n, nullptr, nullptr);
    node.rename(n);
    changed = true;
  }
  if (changed) {
    if (ViewNode* p = page()) p->setModified(1);
    verify();
  }
  if (changed || redraw) redrawGlyph();
  return 0;
}

void NodeGNode::redrawGlyph() {
  ViewNode* p = page();
  if (p == nullptr) return;
  ClientDCLoan loan(p);
  erase(loan.get());
  GNode::setText(displayName());
  TDC dc(loan.get());
  compute(dc);
  RECT r;
  rawRect(r);
  int cx = (r.left + r.right) >> 1, cy = (r.top + r.bottom) >> 1;
  p->snapToGrid(cx, cy);
  moveTo(cx, cy, loan.get());
  draw(dc, 0);
  p->setModified(1);
}

// ---------------------------------------------------------------------------
// Commands and menus

void NodeGNode::handleMessage(GMessage& msg) {
  ViewNode* p = page();
  if (p == nullptr) return;
  switch (msg.keys) {
    case CmExpand1: expandLinks(1, nullptr); break;
    case CmOpenPage: gotoNode(); break;
    case CmRename: info(); break;
    case CmDelete:
    case CmDeleteKey: eraseGraphic(); return;  // gone
    case CmExpandN: {
      const int n = getNonNegInt(p, "Expand Links", "Link levels to expand", 1, -1);
      if (n >= 0) expandLinks(n + 1, nullptr);
      break;
    }
    case CmDeleteSymbolAndPage: deleteNode(); return;  // may be gone
    case CmVerify: verify(); break;
    case CmAutoSize: {
      ClientDCLoan loan(p);
      setAutoSize(loan.get());
      break;
    }
    case CmPushToBack:
      p->sendToBack(this);
      invalidate();
      break;
    case CmToPlaceholder: dereference(); break;
    case CmExistingSymbol: reference(); break;
    case CmNewSymbol: instantiate(); break;
    case CmLinkTo: p->linkFrom(this, false); break;
    case CmPlaceholderLinkTo: p->linkFrom(this, true); break;
    default: break;
  }
}

HMENU NodeGNode::createPopup() {
  ViewNode* p = page();
  const UINT g = (p == nullptr || p->readOnly()) ? MF_GRAYED : 0;
  HMENU m = ::CreatePopupMenu();
  if (hasValidRef()) {
    const bool emptyPage = p == nullptr || ref_->isEmpty(p->application());
    const UINT openGray = (p == nullptr || (p->readOnly() && emptyPage)) ? MF_GRAYED : 0;
    ::AppendMenu(m, MF_STRING | g, CmRename, "&Rename");
    ::AppendMenu(m, MF_STRING | openGray, CmOpenPage, "&Open Page\tDbl+Left");
    ::AppendMenu(m, MF_STRING | g, CmVerify, "&Verify");
    ::AppendMenu(m, MF_STRING | g, CmAutoSize, "&Auto Size");
    ::AppendMenu(m, MF_STRING, CmPushToBack, "Push to &Back");
    ::AppendMenu(m, MF_SEPARATOR, 0, nullptr);
    ::AppendMenu(m, MF_STRING | g, CmLinkTo, "&Link to\tShift+Left");
    ::AppendMenu(m, MF_STRING | g, CmPlaceholderLinkTo, "&Placeholder Link to");
    HMENU show = ::CreatePopupMenu();
    ::AppendMenu(show, MF_STRING, CmExpand1, "&1 level");
    ::AppendMenu(show, MF_STRING, CmExpandN, "&n levels...");
    ::AppendMenu(m, MF_POPUP, reinterpret_cast<UINT_PTR>(show), "S&how Links");
    ::AppendMenu(m, MF_SEPARATOR, 0, nullptr);
    ::AppendMenu(m, MF_STRING, CmDelete, "&Delete Idea Symbol");
    ::AppendMenu(m, MF_STRING | g, CmDeleteSymbolAndPage, "Delete &Idea Symbol and Page");
    ::AppendMenu(m, MF_STRING | g, CmToPlaceholder, "&Change to Placeholder");
  } else {
    ::AppendMenu(m, MF_STRING | g, CmRename, "&Rename");
    ::AppendMenu(m, MF_STRING | g, CmVerify, "&Verify");
    ::AppendMenu(m, MF_STRING | g, CmAutoSize, "&Auto Size");
    ::AppendMenu(m, MF_STRING, CmPushToBack, "Push to &Back");
    ::AppendMenu(m, MF_SEPARATOR, 0, nullptr);
    ::AppendMenu(m, MF_STRING | g, CmPlaceholderLinkTo, "&Placeholder Link to");
    ::AppendMenu(m, MF_SEPARATOR, 0, nullptr);
    ::AppendMenu(m, MF_STRING, CmDelete, "&Delete Placeholder");
    HMENU change = ::CreatePopupMenu();
    ::AppendMenu(change, MF_STRING | g, CmNewSymbol, "&New Idea Symbol");
    ::AppendMenu(change, MF_STRING | g, CmExistingSymbol, "&Existing Idea Symbol");
    ::AppendMenu(m, MF_POPUP, reinterpret_cast<UINT_PTR>(change), "&Change Placeholder to");
  }
  return m;
}

// ---------------------------------------------------------------------------
// The mouse

PageCursors::Kind NodeGNode::cursorKind(POINT pt) {
  if (isSelected() && hitHandle(pt.x, pt.y) != 0 && (state() & NoResize) == 0) return PageCursors::Sizing;
  ViewNode* p = page();
  const PageHost::ZoneMode mode = p != nullptr ? p->zoneMode() : PageHost::NoHotZones;
  RECT r;
  rect(r);
  switch (mode) {
    case PageHost::WholeSymbolOpens: return hasValidRef() ? PageCursors::Goto : PageCursors::Hand;
    case PageHost::NoHotZones: return PageCursors::Hand;
    case PageHost::TwoZones: return pt.x > ((r.left + r.right) >> 1) ? PageCursors::Menu : PageCursors::Hand;
    case PageHost::NineZones: break;
  }
  const LONG w3 = (r.right - r.left) / 3, h3 = (r.bottom - r.top) / 3;
  auto cell = [](LONG v, LONG origin, LONG third) { return third <= 0 ? 1 : static_cast<int>(std::min<LONG>(2, std::max<LONG>(0, (v - origin) / third))); };
  const int column = cell(pt.x, r.left, w3), row = cell(pt.y, r.top, h3);
  const bool writable = p != nullptr && !p->readOnly();
  if (column == 0) {
    bool opens;
    if (writable) opens = hasValidRef();
    else opens = hasValidRef() && p != nullptr && !ref_->isEmpty(p->application()) && row != 0;
    return opens ? PageCursors::Goto : PageCursors::Hand;
  }
  if (column == 1) return PageCursors::Hand;
  return (row == 2 && writable) ? PageCursors::LinkTo : PageCursors::Menu;
}

HCURSOR NodeGNode::getCursor(POINT p) {
  const PageCursors::Kind kind = cursorKind(p);
  return kind == PageCursors::Sizing ? SensitiveGraphic::getCursor(p) : PageCursors::cursor(kind);
}

void NodeGNode::WMLButtonDown(GMessage& msg) {
  const PageCursors::Kind kind = cursorKind(logicalPoint(msg));
  // Shift and a press, or a press on the linking zone, link to another symbol.
  if (page() != nullptr && !page()->readOnly() &&
      (kind == PageCursors::LinkTo || (kind == PageCursors::Hand && (msg.keys & 0x0004)))) {
    msg.result = 0;
    page()->linkFrom(this, false);
    return;
  }
  switch (kind) {
    case PageCursors::Menu:
    case PageCursors::LinkTo:
    case PageCursors::Goto:
    case PageCursors::Edit:
    case PageCursors::Expand:
    case PageCursors::Eraser: return;
    default: SensitiveGraphic::WMLButtonDown(msg);
  }
}

void NodeGNode::WMLButtonUp(GMessage& msg) {
  if (state() & Moved) {
    SensitiveGraphic::WMLButtonUp(msg);
    return;
  }
  ViewNode* p = page();
  const bool plain = (msg.keys & (0x0004 | 0x0008)) == 0;
  switch (cursorKind(logicalPoint(msg))) {
    case PageCursors::Expand:
      expandLinks(1, nullptr);
      return;
    case PageCursors::Goto:
      SensitiveGraphic::WMLButtonUp(msg);
      gotoNode();
      return;
    case PageCursors::Menu:
      popupAt(msg);
      return;
    case PageCursors::Hand:
      if (isSelected() && plain && (state() & Dragging) == 0 && p != nullptr && !p->readOnly()) {
        // A second click on a selected symbol that is not the second half of
        // a double click (the double-click time has passed since the last
        // click) is a slow second click: the symbol's name is edited.
        const DWORD now = ::GetTickCount();
        const bool doubleClick = now - lastClick_ < ::GetDoubleClickTime();
        lastClick_ = now;
        if (!doubleClick) {
          p->deselectAll();
          setSelected(1, 1);
          SensitiveGraphic::WMLButtonUp(msg);
          info();
          return;
        }
      }
      lastClick_ = ::GetTickCount();
      SensitiveGraphic::WMLButtonUp(msg);
      return;
    default:
      SensitiveGraphic::WMLButtonUp(msg);
  }
}

void NodeGNode::WMLButtonDblClk(GMessage& msg) {
  if (cursorKind(logicalPoint(msg)) != PageCursors::Hand) return;
  if (msg.keys & 0x0004) {
    expandLinks(1, nullptr);
    return;
  }
  if (canOpen()) gotoNode();
}

void NodeGNode::WMMouseEnter(GMessage& msg) {
  SensitiveGraphic::WMMouseEnter(msg);
  ViewNode* p = page();
  if (p == nullptr) return;
  String description;
  if (ref_ != nullptr) description = ref_->Description();
  const char* shown = description.length() != 0                  ? description.c_str()
                      : (ref_ == nullptr && !placeholder_.empty()) ? "<no reference>"
                                                              : "<no description available>";
  p->setStatusField(0, shown);
  p->setStatusField(1, type_.c_str());
}

void NodeGNode::WMMouseExit(GMessage& msg) {
  SensitiveGraphic::WMMouseExit(msg);
  if (ViewNode* p = page()) {
    p->setStatusField(0, "");
    p->setStatusField(1, "");
  }
}

int NodeGNode::matchFound(TFindParams* params) const {
  return params != nullptr && params->match(displayName()) ? 1 : 0;
}

int NodeGNode::firstMatch(TFindParams* params, SearchToken& token) {
  if (!matchFound(params)) return 1;
  token.node.nodeId(id());
  setSelected(1, 0);
  return 0;
}
