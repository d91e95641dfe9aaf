// The page window: one page of a book shown as a concept map. It is at once a
// graphic window (the page's graphics, zoom, painting, hit testing), the page's
// map text reader (its node and link records become idea symbols and link
// boxes through the record callbacks) and the page's node window (the bridge to
// the page's Node in the book).
//
// What the page's graphics ask of it: its book and application, whether the
// book is read-only (then every symbol and link is made by the read-only glyph
// factory), the book's type page (node and link types give symbols and links
// their looks), the options and status fields of the main window that shows it
// (its PageHost; none: every option off, grid 1), fresh object ids, and the
// idea symbol with a given object id.
//
// Object ids: every idea symbol, link box and annotation on a page has an id
// unique on that page; a new graphic takes one more than the highest id in use.
// While records are pasted (idMap set) each record's old id is given a fresh one
// and the old -> new pairs are kept so that pasted links refer to the pasted
// symbols.
#ifndef GRAPHICS_VIEW_NODE_H
#define GRAPHICS_VIEW_NODE_H

#include <iosfwd>
#include <map>
#include <memory>
#include <string>

#include "core/node_window.h"
#include "graphics/graphic_window.h"
#include "graphics/page_host.h"
#include "maptext/km_translator.h"

class GlyphFactory;
class NodeGNode;
class TypeNode;

class ViewNode : public GraphicWindow, public KMTranslator, public NodeWindow {
 public:
  // The application tag written into page files and clipboard copies.
  static constexpr const char* AppTag = "Tavix: Netscape Plugin";

  // A window for `node` (owned from now on; null: "A Title", no page) of
  // `app`'s book.
  ViewNode(TWindow* parent, Node* node, Nexil& app, TModule* module = nullptr);
  ~ViewNode() override;

  // ---- The main window's options ----
  PageHost* host() const { return host_; }
  void setHost(PageHost* host);
  virtual int autoLinkDiaBox() const;
  virtual int glyphColors() const;
  int sounds() override;
  int gridSize() override;
  virtual int initialZoom() const;
  virtual PageHost::ZoneMode zoneMode() const;
  // Status field `index` of the main window, when there is one.
  virtual void setStatusField(int index, const char* text);

  // ---- What the page's graphics ask ----
  Nexil& application() override { return app_; }
  DB* db() const override;
  // The page's book was opened read-only (or there is no book).
  virtual bool readOnly() const;
  // The glyph factory for this page: the read-only one for a read-only book.
  virtual GlyphFactory& factory() const;
  // The type page of the page's book (read once, then kept), or null when the
  // book has none that can be read.
  virtual TypeNode* typeNode();
  // Installs the type page the window uses (not owned; null: read the book's).
  void setTypeNode(TypeNode* types) { types_ = types; }
  // What symbols and links need of the type page. The effective attributes of
  // the node type named `type` (text, line, fill colour, glyph, line mask) and
  // of the link type (text colour, line colour, source and destination type
  // ids); an unknown name (or no type page) gives the root "Undefined"'s.
  virtual void nodeTypeLooks(const char* type, LONG attrs[5]);
  virtual void linkTypeLooks(const char* type, LONG attrs[4]);
  // The name of the node or link type with id `id`: the root's when unknown.
  virtual std::string nodeTypeName(LONG id);
  virtual std::string linkTypeName(LONG id);
  // A fresh object id: one more than the highest in use on the page.
  virtual LONG newObjectId();
  // The idea symbol with object id `id`, or null.
  virtual NodeGNode* findSymbol(LONG id) const;
  // While pasting, the new id recorded for `id`; otherwise `id`.
  virtual LONG mapID(LONG id) const;
  // Starts (a fresh table) or ends (null) a paste's id remapping.
  void beginIdMap();
  void endIdMap();
  POINT lastPoint() const { return lastPoint_; }
  void setLastPoint(POINT p) { lastPoint_ = p; }

  // ---- The page's map text ----
  int CMFileHeader(KM_FileHeader&) override { return 0; }
  int CMCM(KM_CM& cm) override;
  int CMNode(KM_Node& record) override;
  int CMLink(KM_Link& record) override;
  int CMNodeType(KM_NodeType&) override { return -1; }
  int CMLinkType(KM_LinkType&) override { return -1; }
  // A text box record becomes a text box (while pasting with a fresh id and
  // its tether ids remapped); records of other kinds are not read here.
  int CMAnnotation(KM_Annotation& record) override;
  int CMAttr(char*, char*) override { return -1; }
  // Writes the idea symbols' node section and the link boxes' link section,
  // in the order the symbols and boxes are on the page, then, when the page
  // has annotations, their annotation section. The writer's status.
  virtual LONG writeGraphics(KMEsrap& w);

  // ---- The node window ----
  bool isOpen() override { return KMTranslator::isOpen(); }
  bool isEmpty() override { return GraphicWindow::isEmpty(); }
  void attach(std::iostream* s) override;
  int ownsStream(int own) override;
  int isModified() override { return modified_; }
  void setModified(int flag) override;

 private:
  Nexil& app_;
  PageHost* host_ = nullptr;                 // not owned
  TypeNode* types_ = nullptr;                // not owned, or owned by ownTypes_
  std::unique_ptr<TypeNode> ownTypes_;
  std::unique_ptr<std::stringstream> typeBody_;  // what ownTypes_ was read from
  bool typesTried_ = false;
  std::unique_ptr<std::map<LONG, LONG>> idMap_;
  POINT lastPoint_ = {0, 0};
  int modified_ = 0;
  bool ownsBody_ = false;
};

#endif  // GRAPHICS_VIEW_NODE_H
