// An idea symbol: the shaped, labelled object on a page that stands for another
// page of the book (its page reference) or, as a placeholder, for a page that
// does not exist yet (no reference; it shows its placeholder name, dotted).
// Its looks come from its page's type in the book's type page: fill, line and
// text colours (attributes 2, 1, 0), glyph and line mask (attributes 3, 4); a
// symbol whose page has content has a drop shadow.
//
// Hot zones (the cursor getCursor chooses for a point decides what a click
// does), with the main window's zone mode:
//   whole symbol opens   Goto with a valid reference, else Hand
//   no hot zones         Hand
//   two zones            Menu right of the centre, Hand left of it
//   3 x 3 zones          left column Goto when the symbol can be opened (and,
//                        read-only, not in the top-left cell), else Hand;
//                        middle column Hand; right column Menu, except the
//                        bottom-right cell: LinkTo on a writable page
// Hand: press selects and drags, double click opens (with shift: shows links),
// a slow second click renames. Goto: release opens. Menu: release shows the
// context menu. LinkTo: the page window starts a link.
//
// Saved as a node record: id, displayName, no type id, the type name, left
// and top, right and bottom only when FixedSize, the flags masked with 0xF3E06
// (plus 0x10 while the reference's book is unknown), the reference's text
// relative to the page's book (absolute while copying to the clipboard).
#ifndef GRAPHICS_NODE_GNODE_H
#define GRAPHICS_NODE_GNODE_H

#include <memory>
#include <string>

#include "graphics/g_node.h"
#include "graphics/page_cursors.h"
#include "kit/string.h"
#include "plugin/searchable.h"

class DB;
class KMEsrap;
class Link;
class LinkGNode;
class Node;
class NodeRef;
class ViewNode;
struct KM_Node;

class NodeGNode : public GNode, public Searchable {
 public:
  static constexpr BYTE Layer = 0x60;
  static constexpr DWORD SavedFlagsMask = 0xF3E06;
  static constexpr DWORD UnknownBookFlag = 0x10;
  // Offsets of the link boxes that showing links makes: 90 right, 30 more
  // down for each new box.
  static constexpr int ExpandRight = 90;
  static constexpr int ExpandStep = 30;

  // Commands (the key-state word of the GMessage handleMessage gets).
  enum Command : int {
    CmExpand1 = 0xD9,
    CmOpenPage = 0xDB,
    CmRename = 0xDC,
    CmDelete = 0xDD,
    CmLinkTo = 0xDE,
    CmExpandN = 0xE0,
    CmDeleteSymbolAndPage = 0xE5,
    CmVerify = 0xEA,
    CmAutoSize = 0x112,
    CmPushToBack = 0x14D,
    CmToPlaceholder = 0x158,
    CmExistingSymbol = 0x159,
    CmNewSymbol = 0x15A,
    CmPlaceholderLinkTo = 0x15C,
    CmDeleteKey = 0x5F06,
    CmOpenURL = 0x61F,
    CmOpenPageRO = 0x620,
  };

  // A symbol for the page `ref` names (copied); `text` names the type ("":
  // "Undefined"; null: the page's own type).
  NodeGNode(GraphicWindow* parent, LONG id, const NodeRef* ref, const char* text, int x, int y);
  // A placeholder named `name` of type `type` (null: "Undefined").
  NodeGNode(GraphicWindow* parent, LONG id, const char* name, const char* type, int x, int y);
  ~NodeGNode() override;

  // Builds the symbol a node record describes and adds it to `parent`; null
  // when it cannot be made.
  static NodeGNode* make(GraphicWindow* parent, KM_Node& record, HDC hdc);
  // Writes the node record; the writer's result.
  virtual LONG saveOn(KMEsrap& w, const DB* db);

  // ---- What the symbol stands for ----
  virtual NodeRef* nodeRef() const { return ref_.get(); }
  // The reference's page name, else the placeholder name, else "Undefined".
  virtual const char* displayName() const;
  virtual const char* typeName() const { return type_.c_str(); }
  virtual void setTypeName(const char* type);
  const char* placeholderName() const { return placeholder_.empty() ? nullptr : placeholder_.c_str(); }
  // Names the placeholder (its label shows the name when it has no reference).
  virtual void setPlaceholderName(const char* name);
  // A reference that names a page of a known book.
  virtual bool hasValidRef() const;
  // Gives the symbol the looks of its page's type (see the file comment); 1
  // when the colours, shape or shadow changed.
  virtual int setAttr(Node* node);

  // ---- Commands ----
  virtual void expandLinks(int levels, HDC hdc);
  virtual void gotoNode();
  virtual void info() {}
  virtual int changeNameType(Node& node, const char* name, const char* type, bool redraw);
  virtual void redrawGlyph();
  virtual void deleteNode();
  virtual LinkGNode* findLinkGNode(const Link& link) const;
  int verify() override;
  virtual int instantiate();
  virtual int reference();
  virtual int dereference();
  // Turns the link boxes attached to this symbol into real links.
  void instantiateNeighborLinks();

  // ---- GNode and the mouse ----
  void handleMessage(GMessage& msg) override;
  HMENU createPopup() override;
  HCURSOR getCursor(POINT p) override;
  // Which of the page's cursors the hot zones choose for `p`.
  virtual PageCursors::Kind cursorKind(POINT p);
  void WMLButtonDown(GMessage& msg) override;
  void WMLButtonUp(GMessage& msg) override;
  void WMLButtonDblClk(GMessage& msg) override;
  void WMMouseEnter(GMessage& msg) override;
  void WMMouseExit(GMessage& msg) override;
  void setPaintLayer() override { setLayer(Layer); }

  // The page window, or null.
  ViewNode* page() const;

  // ---- Find ----
  // Whether the symbol's name (its displayName) matches the find.
  int matchFound(TFindParams* params) const override;
  // On a match: notes this symbol's object id in the token, selects it
  // (the others deselected) and returns 0; otherwise 1.
  int firstMatch(TFindParams* params, SearchToken& token) override;

 protected:
  // Whether a double click or Goto may open the page: a valid reference and a
  // writable page, or a page that is not empty.
  virtual bool canOpen();
  // The page part of gotoNode.
  void openPage();
  void playIfSounds(const char* file) const { SensitiveGraphic::playIfSounds(file); }

  std::unique_ptr<NodeRef> ref_;
  std::string placeholder_;
  std::string type_;

 private:
  DWORD lastClick_ = 0;  // tick of the last click, for telling a slow second click
  void init();
  int expandLinksFrom(int levels, HDC hdc);
};

#endif  // GRAPHICS_NODE_GNODE_H
