// New idea symbols on a page (see view_node.h): where they go (the last click,
// then 15 right and 30 down for each further one, at least a grid step), what
// they stand for (a page of the book, or a new placeholder whose name is typed
// in), inserting an existing page, and a symbol made for an annotation.
#include <algorithm>

#include "core/db.h"
#include "core/nexil.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/edit_control.h"
#include "graphics/g_node_slave.h"
#include "graphics/glyph_factory.h"
#include "graphics/link_gnode.h"
#include "graphics/node_gnode.h"
#include "graphics/view_node.h"
#include "kit/error.h"
#include "plugin/type_node.h"

namespace {

constexpr ULONG kMemoryNeeded = 0x4000;

}  // namespace

void ViewNode::advanceLastPoint() {
  lastPoint_.x += std::max(gridSize(), 15);
  lastPoint_.y += std::max(gridSize(), 30);
}

NodeGNode* ViewNode::placeSymbol(NodeRef* ref, POINT device, bool modify, bool atLastPoint) {
  POINT p = device;
  deviceToLogical(p);
  int x = p.x, y = p.y;
  snapToGrid(x, y);
  NodeGNode* s = nullptr;
  GNodeSlave* slave = nullptr;
  if (ref != nullptr) {
    ref->context(db());
    ref->resolve(app_);
    String type;
    ref->lookup(nullptr, &type, nullptr);
    s = factory().makeNodeGNode(this, newObjectId(), ref, type.c_str(), x, y);
    slave = checkCreateSlave(ref);
  } else {
    s = factory().makeNodeGNode(this, newObjectId(), "", nullptr, x, y);
  }
  if (s == nullptr) return nullptr;
  if (modify) setModified(1);
  addSNode(s);
  if (slave != nullptr) {
    if (auto* g = dynamic_cast<Graphic*>(slave)) addNode(g);
    s->setSlave(slave);
  } else {
    HDC hdc = getClientHDC();
    TDC dc(hdc);
    s->compute(dc);
    s->moveTo(x, y, hdc);
    if (hdc != nullptr) s->draw(dc, 0);
    if (hdc != nullptr) releaseClientHDC();
    s->clearState(Graphic::Hidden);
  }
  if (ref == nullptr) startNameEdit(s);
  if (atLastPoint && slave == nullptr) s->setSelected(1, 0);
  return s;
}

NodeGNode* ViewNode::newNode(NodeRef* ref, TPoint* at, bool modify) {
  if (at != nullptr) {
    const POINT where = *at;
    advanceLastPoint();
    return placeSymbol(ref, where, modify, false);
  }
  return placeSymbol(ref, lastPoint_, modify, true);
}

NodeGNode* ViewNode::newGhostNode() {
  const POINT where = lastPoint_;
  advanceLastPoint();
  return placeSymbol(nullptr, where, true, true);
}

NodeGNode* ViewNode::newGhostNode(TPoint&) { return newGhostNode(); }

NodeGNode* ViewNode::newNameEditNode(bool ghost, TPoint* at, const char* text) {
  NodeGNode* s = at != nullptr ? newNode(nullptr, at, true) : newGhostNode();
  if (s == nullptr) return nullptr;
  if (text != nullptr) {
    s->setPlaceholderName(text);
    // The edit field was opened on the empty name: it shows the text too, the
    // caret after it, so that what is typed next follows it.
    if (nameEdit_ != nullptr && nameEdit_->HWindow != nullptr && nameEditSymbol_ == s) {
      nameEdit_->SetWindowText(text);
      const int end = static_cast<int>(std::char_traits<char>::length(text));
      nameEdit_->SetSelection(end, end);
    }
  }
  nameEditMakesPage_ = !ghost;
  return s;
}

NodeGNode* ViewNode::newPosterBoardNode() { return newNameEditNode(false, nullptr, nullptr); }
NodeGNode* ViewNode::CMNewGhostNode() { return newNameEditNode(true, nullptr, nullptr); }
NodeGNode* ViewNode::newNode() { return newPosterBoardNode(); }

LinkGNode* ViewNode::linkFrom(NodeGNode* from, bool placeholder) {
  if (from == nullptr || readOnly()) return nullptr;
  auto* to = dynamic_cast<NodeGNode*>(from->rubberBand());
  if (to == nullptr || to == from) return nullptr;
  TypeNode* types = typeNode();
  const char* type = types != nullptr ? types->defaultLinkTypeName() : "Undefined";
  HDC hdc = getClientHDC();
  LinkGNode* box = factory().makeLinkGNode(this, newObjectId(), type, nullptr, from, to, 0, 0, hdc);
  if (hdc != nullptr) releaseClientHDC();
  if (box == nullptr) return nullptr;
  addSNode(box);
  box->clearState(Graphic::Hidden);
  if (!placeholder) box->instantiate();
  setModified(1);
  return box;
}

void ViewNode::startNameEdit(NodeGNode* symbol) {
  wrapUpNameEdits();
  nameEditSymbol_ = symbol;
  if (symbol == nullptr || HWindow == nullptr) return;
  RECT r;
  symbol->rect(r);
  logicalToDevice(r);
  const char* name = symbol->hasValidRef() ? symbol->displayName() : symbol->placeholderName();
  nameEdit_ = std::make_unique<EditControl>(this, name != nullptr ? name : "", r);
  if (nameEdit_->Create()) nameEdit_->SetFocus();
}

void ViewNode::wrapUpNameEdits() {
  NodeGNode* s = nameEditSymbol_;
  if (s == nullptr) return;
  nameEditSymbol_ = nullptr;
  std::string text;
  if (nameEdit_ != nullptr && nameEdit_->HWindow != nullptr) {
    char buf[256] = "";
    nameEdit_->GetWindowText(buf, sizeof buf);
    text = buf;
  }
  nameEdit_.reset();
  if (!text.empty()) {
    if (!s->hasValidRef()) {
      s->setPlaceholderName(text.c_str());
    } else if (node() != nullptr) {
      const String name(text.c_str());
      s->nodeRef()->rename(&name, nullptr, nullptr);
      s->verify();
    }
    setModified(1);
  }
  if (nameEditMakesPage_ && !s->hasValidRef()) s->instantiate();
  nameEditMakesPage_ = false;
}

void ViewNode::OpenNode() {
  if (!memOK(this, kMemoryNeeded)) return;
  NodeRef ref(db(), NodeWindow::uid());
  const int result = app_.setDirRef(this, ref, app_, nullptr);
  if (result == 0) {
    resolveNodeRef(&ref);
    newNode(&ref, nullptr, true);
  } else if (result != 1) {
    error(HWindow, 'W', "ViewNode::OpenNode: Cannot resolve specified Node");
  }
  updateScrollBars(1);
}

int ViewNode::resolveNodeRef(NodeRef* ref) {
  if (ref == nullptr) return ComponentRef::Unknown;
  ref->context(db());
  return ref->resolve(app_);
}

NodeGNode* ViewNode::associateSlave(GNodeSlave* slave, const char* typeName, bool ghost, TPoint& at) {
  auto* g = dynamic_cast<Graphic*>(slave);
  if (g == nullptr) {
    error(HWindow, 'W', "Internal error... ViewNode::associateSlave: invalid slave type");
    return nullptr;
  }
  RECT box;
  g->rect(box);
  NodeGNode* s = nullptr;
  if (!ghost) {
    DB* book = db();
    const ULONG id = book != nullptr ? book->createNode(String(""), String(typeName != nullptr ? typeName : ""), 0)
                                     : ComponentRef::NoUID;
    if (id != ComponentRef::NoUID) {
      NodeRef ref(book, id);
      s = newNode(&ref, &at, true);
      if (s != nullptr) {
        char name[40];
        std::snprintf(name, sizeof name, "Pen#%lu", static_cast<unsigned long>(s->id()));
        const String n(name);
        book->changeName_Type_Flags(id, &n, nullptr, nullptr);
        s->nodeRef()->name(n);
        if (TypeNode* types = typeNode()) types->defaultNodeTypeName(typeName);
      }
    }
  } else {
    s = newGhostNode();
    if (s != nullptr) {
      s->setPlaceholderName(typeName);
      s->setTypeName("PenAnnotation");
    }
  }
  if (s == nullptr) {
    error(HWindow, 'W', "Internal error... ViewNode::associateSlave: unable to create NodeGNode");
    return nullptr;
  }
  wrapUpNameEdits();
  s->setSlave(slave);
  s->moveTo((box.left + box.right) / 2, (box.top + box.bottom) / 2, nullptr);
  return s;
}

void ViewNode::addSNode(SensitiveGraphic* g) {
  GraphicWindow::addSNode(g);
  if (g != nullptr) noteObjectId(g->id());
  if (auto* s = dynamic_cast<NodeGNode*>(g)) {
    if (symbolIds_.emplace(s->id(), s).second) symbolIdOf_[g] = s->id();
  }
}

void ViewNode::removeNode(Graphic* g) {
  // Called from the graphic's own destruction too, when it is no longer a
  // symbol to ask: it is known by its address.
  const auto known = symbolIdOf_.find(g);
  if (known != symbolIdOf_.end()) {
    symbolIds_.erase(known->second);
    symbolIdOf_.erase(known);
  }
  if (g != nullptr && g == nameEditSymbol_) {
    nameEditSymbol_ = nullptr;
    nameEdit_.reset();
  }
  GraphicWindow::removeNode(g);
}

void ViewNode::destroyAllGraphics() {
  symbolIds_.clear();
  symbolIdOf_.clear();
  highestId_ = 0;
  nameEditSymbol_ = nullptr;
  nameEdit_.reset();
  // A graphic still held by the mouse (a drag cut short) is let go first.
  if (SensitiveGraphic* held = captureGraphic()) {
    releaseMouse(held);
    removeNode(held);
    held->destroy();
  }
  GraphicWindow::destroyAllGraphics();
}
