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
#include <unordered_map>

#include "core/node_window.h"
#include "graphics/graphic_window.h"
#include "graphics/page_host.h"
#include "maptext/km_translator.h"
#include "plugin/searchable.h"

class Annotation;
class EditControl;
class GlyphFactory;
class LinkGNode;
class GNodeSlave;
class NodeGNode;
class NodeRef;
class TypeNode;

class ViewNode : public GraphicWindow, public KMTranslator, public NodeWindow, public Searchable {
 public:
  // The application tag written into page files and clipboard copies.
  static constexpr const char* AppTag = "Tavix: Netscape Plugin";
  // The registered clipboard format of a page's map text.
  static constexpr const char* ClipboardFormat = "TavixOrvaneNode";

  // Commands the window handles itself (decimal, as menus and accelerators
  // send them); the rest are passed to the graphics (see EvCommand).
  enum Command : UINT {
    CmNewNode = 300,
    CmNewPosterBoardNode = 309,
    CmNewGhostNode = 347,
    CmOpenNode = 235,
    CmVerifyPage = 234,
    CmToggleColor = 236,
    CmPosterBoard = 313,
    CmDeleteObjects = 318,
  };

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
  // A fresh object id: one more than the highest taken on the page so far
  // (each call takes one).
  virtual LONG newObjectId();
  // Records that `id` is taken by a graphic of the page.
  void noteObjectId(LONG id) {
    if (id > highestId_) highestId_ = id;
  }
  // The idea symbol with object id `id`, or null.
  virtual NodeGNode* findSymbol(LONG id) const;
  // While pasting, the new id recorded for `id`; otherwise `id`.
  virtual LONG mapID(LONG id) const;
  // While pasting, whether `old` was given a new id, and which (`fresh`).
  bool findMappedId(LONG old, LONG& fresh) const;
  // Starts (a fresh table) or ends (null) a paste's id remapping.
  void beginIdMap();
  void endIdMap();
  bool pasting() const { return idMap_ != nullptr; }
  // While pasting, records that the pasted object `old` is now `fresh` (the
  // first mapping of an old id is kept).
  void noteMappedId(LONG old, LONG fresh);
  POINT lastPoint() const { return lastPoint_; }
  void setLastPoint(POINT p) { lastPoint_ = p; }

  // ---- New symbols ----
  // A symbol for `ref` (null: a new, unnamed one whose name is edited) at `at`
  // (null: the last click), added to the page; null when none could be made.
  virtual NodeGNode* newNode(NodeRef* ref, TPoint* at, bool modify);
  virtual NodeGNode* newGhostNode();
  virtual NodeGNode* newGhostNode(TPoint& at);
  virtual NodeGNode* newPosterBoardNode();
  virtual NodeGNode* CMNewGhostNode();
  virtual NodeGNode* newNode();
  virtual NodeGNode* newNameEditNode(bool ghost, TPoint* at, const char* text);
  // "Insert Existing Idea Symbol": the user picks a page of the book.
  virtual void OpenNode();
  virtual int resolveNodeRef(NodeRef* ref);
  virtual NodeGNode* associateSlave(GNodeSlave* slave, const char* typeName, bool ghost, TPoint& at);
  // The slave a symbol for `ref` is made with: none here (the poster board
  // makes one from the page's attributes).
  virtual GNodeSlave* checkCreateSlave(NodeRef*) { return nullptr; }
  // An annotation being read names the object `id`, which the page does not
  // have (yet): nothing here (the poster board ties it once the page is read).
  virtual void queueTether(Annotation*, LONG) {}
  // Links `from` to the symbol the user picks with the rubber band: a new link
  // box of the book's default link type between them, made a real link of
  // the book unless `placeholder` (or the book is read-only). The new box, or
  // null when nothing was picked.
  virtual LinkGNode* linkFrom(NodeGNode* from, bool placeholder);
  // Name editing of a symbol: an edit field over it, taken in by wrapUpNameEdits.
  virtual void startNameEdit(NodeGNode* symbol);
  virtual void wrapUpNameEdits();
  NodeGNode* nameEditSymbol() const { return nameEditSymbol_; }

  // ---- Page commands ----
  void setToNormalState() override;
  void setZoom(int percent) override;
  // Checks the page against the book; reports symbols without a page.
  virtual void verifyPage();
  virtual void toggleColor();
  virtual void deleteObjects();
  bool CanClose() override;
  // Whether closing a changed page asks before saving it (the book's choice;
  // a plain book saves without asking).
  virtual bool confirmsSave() const { return false; }
  void setClipBoardData() override;
  virtual HMENU createPopup();
  // A graphic's popup: its command goes to it; a deletion it leaves to the
  // window (an annotation's) removes it from the page.
  void popupCommand(Graphic* g, GMessage& msg) override { dispatchToGraphic(g, msg); }
  POINT DPtoLP(POINT device);
  // Status fields 0 to 4 of the main window.
  virtual void updateStatusFields();
  // The commands that change the page are held back: the main window's
  // modification lock is on, or the page is read-only.
  bool modificationLocked() const;
  // Hands command `id` to the graphic under the last click and, with
  // `selected`, to every selected graphic (each once), then with `rescroll`
  // recomputes the scroll range. True when a graphic consumed the command.
  bool passToGraphic(UINT id, bool selected, bool rescroll);
  void addSNode(SensitiveGraphic* g) override;
  void removeNode(Graphic* g) override;
  void destroyAllGraphics() override;

  // ---- The page's map text ----
  int CMFileHeader(KM_FileHeader&) override { return 0; }
  int CMCM(KM_CM& cm) override;
  int CMNode(KM_Node& record) override;
  int CMLink(KM_Link& record) override;
  int CMNodeType(KM_NodeType&) override { return -1; }
  int CMLinkType(KM_LinkType&) override { return -1; }
  // Annotation records are the poster board's (PosterBoardNode::CMAnnotation):
  // a page window of this class skips them.
  int CMAnnotation(KM_Annotation&) override { return -1; }
  int CMAttr(char*, char*) override { return -1; }
  // Writes the idea symbols' node section and the link boxes' link section,
  // in the order the symbols and boxes are on the page, then, when the page
  // has annotations, their annotation section. The writer's status.
  virtual LONG writeGraphics(KMEsrap& w);
  // Writes the whole page as map text: the file header read with the page (or
  // this application's), the concept map header as it was read (or the page's
  // extent), then the graphics. The writer's status (negative on failure).
  virtual LONG writePage(std::ostream& out);
  // The same onto a writer whose output is open: the file header, the concept
  // map with the graphics, and the concept map's close (the file is left for
  // the writer's close to end). The writer's status, or the failure of a
  // graphic that could not write itself.
  virtual LONG writePageOn(KMEsrap& w);
  // Saves the page through the core onto the attached body stream; -1 without
  // one or without a page.
  int save() override;

  // ---- Find (graphics/view_node_find.cpp) ----
  // Calls fn with each graphic of the page that matches the find, in page
  // order, until fn returns nonzero; the number of graphics that matched.
  typedef int (*MatchCallback)(Graphic& g, void* arg);
  LONG forEachMatch(TFindParams* params, MatchCallback fn, void* arg) const;
  // Whether any idea symbol, link box or text box of the page matches.
  int matchFound(TFindParams* params) const override;
  // Selects the first graphic that matches (the others deselected) and notes
  // it in the token: 0, or 1 when nothing on the page matches.
  int firstMatch(TFindParams* params, SearchToken& token) override;

  // ---- Messages ----
  void SetupWindow() override;
  void Paint(TDC& dc, bool erase, TRect& area) override;
  void EvDestroy() override;
  void EvRButtonDown(UINT keys, TPoint& p) override;
  void EvRButtonUp(UINT keys, TPoint& p) override;
  void EvLButtonDown(UINT keys, TPoint& p) override;
  void EvNCPaint() override;
  void EvSetFocus(HWND lost) override;
  void EvActivate(UINT active, bool minimized, HWND other) override;
  LRESULT EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) override;
  void EvCommandEnable(TCommandEnabler& enabler) override;

  // ---- The node window ----
  bool isOpen() override { return KMTranslator::isOpen(); }
  bool isEmpty() override { return GraphicWindow::isEmpty(); }
  void attach(std::iostream* s) override;
  int ownsStream(int own) override;
  void closeStream() override;
  int isModified() override { return modified_; }
  void setModified(int flag) override;

 private:
  Nexil& app_;
  PageHost* host_ = nullptr;                 // not owned
  TypeNode* types_ = nullptr;  // not owned, or owned by ownTypes_
  // What ownTypes_ was read from; declared first, so that it outlives the page.
  std::unique_ptr<std::stringstream> typeBody_;
  std::unique_ptr<TypeNode> ownTypes_;
  bool typesTried_ = false;
  std::unique_ptr<std::map<LONG, LONG>> idMap_;
  // The idea symbols by object id (the first added of each id), so that a
  // page's links find their ends without walking the page.
  std::unordered_map<LONG, NodeGNode*> symbolIds_;
  std::unordered_map<const Graphic*, LONG> symbolIdOf_;  // the same, the other way
  POINT lastPoint_ = {0, 0};
  LONG highestId_ = 0;  // the highest object id taken on the page
  // The concept map header as read, written back as it was.
  bool haveCM_ = false;
  RECT cmBounds_ = {0, 0, 0, 0}, cmViewport_ = {0, 0, 0, 0};
  bool cmHasBounds_ = false, cmHasViewport_ = false;
  LONG cmExtra_ = 0;
  int modified_ = 0;
  std::unique_ptr<EditControl> nameEdit_;
  NodeGNode* nameEditSymbol_ = nullptr;  // the symbol whose name is edited
  bool nameEditMakesPage_ = false;       // a new idea: its page is made when the name is in

  // Puts a new symbol at `device` (the window's device units): the common part
  // of the new-symbol operations.
  NodeGNode* placeSymbol(NodeRef* ref, POINT device, bool modify, bool atLastPoint);
  void advanceLastPoint();
  // Hands `msg` to `g`; removes `g` when it was a deletion `g` left to the window.
  void dispatchToGraphic(Graphic* g, GMessage& msg);
  std::iostream* body_ = nullptr;  // the attached body stream
  bool ownsBody_ = false;          // deleted on closing
};

#endif  // GRAPHICS_VIEW_NODE_H
