// The page window's own part: its options, object ids, the page's records
// becoming graphics, and the graphics written back (see view_node.h).
#include "graphics/view_node.h"

#include <algorithm>
#include <sstream>

#include "core/db.h"
#include "core/nexil.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/edit_control.h"
#include "graphics/glyph_factory.h"
#include "graphics/annotation.h"
#include "graphics/link_gnode.h"
#include "graphics/node_gnode.h"
#include "kit/error.h"
#include "plugin/type_node.h"

PageHost::~PageHost() = default;

ViewNode::ViewNode(TWindow* parent, Node* node, Nexil& app, TModule* module)
    : TWindow(parent, node != nullptr ? node->name().c_str() : "A Title", module),
      KMFileInfo(AppTag),
      GraphicWindow(parent, node != nullptr ? node->name().c_str() : "A Title", module),
      KMTranslator(AppTag),
      NodeWindow(node),
      app_(app) {
  // The graphics font is the book manager's first display font.
  setFont(app.font(Nexil::font0));
  setColorMode(glyphColors());
  modified_ = 0;
}

ViewNode::~ViewNode() {
  destroyAllGraphics();
  closeStream();
}

void ViewNode::setHost(PageHost* host) {
  host_ = host;
  setColorMode(glyphColors());
}

int ViewNode::autoLinkDiaBox() const { return host_ != nullptr && (host_->options() & PageHost::AutoLinkDialog); }

int ViewNode::glyphColors() const { return host_ != nullptr && (host_->options() & PageHost::GlyphColours); }

int ViewNode::sounds() { return host_ != nullptr && (host_->options() & PageHost::Sounds); }

int ViewNode::gridSize() {
  if (host_ == nullptr || (host_->options() & PageHost::GridOn) == 0) return 1;
  return std::max(1, host_->gridSize());
}

int ViewNode::initialZoom() const { return host_ != nullptr ? host_->zoomPercent() : 100; }

PageHost::ZoneMode ViewNode::zoneMode() const {
  return host_ != nullptr ? host_->zoneMode() : PageHost::NoHotZones;
}

void ViewNode::setStatusField(int index, const char* text) {
  if (host_ != nullptr) host_->setStatusField(index, text != nullptr ? text : "");
}

DB* ViewNode::db() const { return NodeWindow::db(); }

bool ViewNode::readOnly() const {
  DB* book = db();
  return book == nullptr || book->isReadOnly() || NodeWindow::readOnly();
}

GlyphFactory& ViewNode::factory() const {
  return readOnly() ? GlyphFactory::readOnly() : GlyphFactory::installed();
}

LONG ViewNode::newObjectId() { return highestId_ < 0x7FFFFFFF ? ++highestId_ : highestId_; }

NodeGNode* ViewNode::findSymbol(LONG id) const {
  const auto it = symbolIds_.find(id);
  if (it != symbolIds_.end() && it->second->id() == id) return it->second;
  // A symbol renumbered since it was added is still found, the long way.
  for (SensitiveGraphic* g : sensitiveGraphics()) {
    if (g->id() != id) continue;
    if (auto* s = dynamic_cast<NodeGNode*>(g)) return s;
  }
  return nullptr;
}

LONG ViewNode::mapID(LONG id) const {
  if (!idMap_) return id;
  auto it = idMap_->find(id);
  return it != idMap_->end() ? it->second : id;
}

void ViewNode::beginIdMap() { idMap_ = std::make_unique<std::map<LONG, LONG>>(); }
void ViewNode::endIdMap() { idMap_.reset(); }

bool ViewNode::findMappedId(LONG old, LONG& fresh) const {
  if (!idMap_) return false;
  const auto it = idMap_->find(old);
  if (it == idMap_->end()) return false;
  fresh = it->second;
  return true;
}

void ViewNode::noteMappedId(LONG old, LONG fresh) {
  if (idMap_) idMap_->emplace(old, fresh);
}

int ViewNode::CMCM(KM_CM& cm) {
  haveCM_ = true;
  cmHasBounds_ = cm.bounds != nullptr;
  cmHasViewport_ = cm.viewport != nullptr;
  if (cmHasBounds_) cmBounds_ = *cm.bounds;
  if (cmHasViewport_) cmViewport_ = *cm.viewport;
  cmExtra_ = cm.extra;
  if (HWindow != nullptr) return -1;
  if (cm.name != nullptr) SetCaption(cm.name);
  const RECT* r = cm.bounds;
  auto inPlacement = [](LONG v) { return v != KM_ABSENT_COORD && v >= 0 && v <= 2000; };
  if (r != nullptr && inPlacement(r->left) && inPlacement(r->top)) {
    Attr.X = r->left;
    Attr.Y = r->top;
    if (r->right != KM_ABSENT_COORD && r->right > r->left) Attr.W = r->right - r->left;
    if (r->bottom != KM_ABSENT_COORD && r->bottom > r->top) Attr.H = r->bottom - r->top;
  }
  return -1;
}

int ViewNode::CMNode(KM_Node& record) {
  if (idMap_) {
    const LONG fresh = newObjectId();
    idMap_->emplace(record.id, fresh);
    record.id = fresh;
  }
  if (NodeGNode::make(this, record, nullptr) == nullptr) {
    error(HWindow, 'E', "Unable to instantiate node object id %ld", static_cast<long>(record.id));
    return -1;
  }
  return 0;
}

int ViewNode::CMLink(KM_Link& record) {
  if (idMap_) {
    const LONG fresh = newObjectId();
    const LONG old = record.id;
    idMap_->emplace(old, fresh);
    record.id = fresh;
    if (record.nodeIds != nullptr) {
      // The list ends at KM_ABSENT; it is the parser's, bounded by the record.
      for (int i = 0; record.nodeIds[i] != KM_ABSENT; ++i) {
        auto it = idMap_->find(record.nodeIds[i]);
        if (it == idMap_->end()) {
          error(HWindow, 'E', "ViewNode::CMLink: reference %ld lookup failed on object %ud", static_cast<long>(i),
                static_cast<unsigned>(record.id));
        } else {
          record.nodeIds[i] = it->second;
        }
      }
    }
  }
  if (LinkGNode::make(this, record, nullptr) == nullptr) {
    error(HWindow, 'E', "Unable to instantiate link object id %ld", static_cast<long>(record.id));
    return -1;
  }
  return 0;
}

LONG ViewNode::writeGraphics(KMEsrap& w) {
  // While the selection is copied, only what may go to the clipboard.
  auto wanted = [this](SensitiveGraphic* g) { return !restrictedMode() || g->pasteEligible(); };
  LONG status = w.writeNodeSection();
  for (SensitiveGraphic* g : sensitiveGraphics()) {
    if (status < 0) return status;
    if (auto* s = dynamic_cast<NodeGNode*>(g); s != nullptr && wanted(g)) status = s->saveOn(w, db());
  }
  if (status < 0) return status;
  status = w.writeLinkSection();
  for (SensitiveGraphic* g : sensitiveGraphics()) {
    if (status < 0) return status;
    if (auto* l = dynamic_cast<LinkGNode*>(g); l != nullptr && wanted(g)) status = l->saveOn(w);
  }
  if (status < 0) return status;
  status = w.closeLinkSection();
  if (status < 0) return status;
  // The annotations, after the symbols and links they may be tethered to.
  std::vector<Annotation*> notes;
  for (SensitiveGraphic* g : sensitiveGraphics()) {
    if (auto* a = dynamic_cast<Annotation*>(g); a != nullptr && wanted(g)) notes.push_back(a);
  }
  if (notes.empty()) return status;
  status = w.writeAnnotationSection();
  for (Annotation* a : notes) {
    if (status < 0) return status;
    status = a->saveOn(w);
  }
  if (status < 0) return status;
  return w.closeAnnoSection();
}

LONG ViewNode::writePage(std::ostream& out) {
  KMEsrap w(&out, AppTag);
  static_cast<KMFileInfo&>(w) = static_cast<const KMFileInfo&>(*this);
  w.setPrettyPrint(1);
  const LONG status = writePageOn(w);
  w.close();
  return status < 0 ? status : w.getStatus();
}

LONG ViewNode::writePageOn(KMEsrap& w) {
  // The header is the one this page was read with (a writer of its own was
  // given a copy of it; the page's own writer shares it).
  if (static_cast<KMFileInfo&>(w).saveOn(w)) return w.getStatus();
  if (haveCM_) {
    w.writeConceptMap(cmHasBounds_ ? &cmBounds_ : nullptr, cmHasViewport_ ? &cmViewport_ : nullptr, cmExtra_);
  } else {
    POINT extent = {0, 0};
    pageExtent(extent);
    const RECT r = {0, 0, extent.x, extent.y};
    w.writeConceptMap(&r, &r, 0);
  }
  // A graphic that could not write itself (its record is left out) fails the
  // page too; the concept map is closed all the same.
  const LONG graphics = writeGraphics(w);
  w.closeConceptMap();
  return graphics < 0 ? graphics : w.getStatus();
}

int ViewNode::save() {
  std::iostream* body = getStream();
  if (body == nullptr || node() == nullptr || nodeRef() == nullptr) return -1;
  return nodeRef()->saveNode(*node(), app_, body);
}

void ViewNode::attach(std::iostream* s) {
  if (s == body_) return;
  closeStream();
  // The translator closes what it had first, through closeStream (this
  // window's): the stream is taken only once it has.
  if (s != nullptr) KMTranslator::attach(s);
  body_ = s;
}

int ViewNode::ownsStream(int own) {
  ownsBody_ = own != 0;
  return ownsBody_ ? 1 : 0;
}

void ViewNode::closeStream() {
  KMTranslator::closeStream();
  if (body_ == nullptr) return;
  // A lent stream is the lender's to flush and to free; it may be gone.
  if (ownsBody_) {
    body_->flush();
    delete body_;
  }
  body_ = nullptr;
  ownsBody_ = false;
}

