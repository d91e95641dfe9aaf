// A link box: a link of the book shown on a page as a small box naming the
// link's type ("[]" for the type "Undefined"), drawn by the "Empty" glyph (only
// its label shows) and never resized, with an arrow from the source idea
// symbol to the box and one from the box to each destination symbol. A box
// without a link reference (or whose reference's book is still unknown) is a
// placeholder link: its arrows are dotted.
//
// Placing a new box between symbols (when x or y is 0): with a destination, the
// average of the two rectangles' centres; without one, max(grid, 20) right of
// the source and at its vertical centre; snapped to the grid, the box is then
// centred there. Otherwise (x, y) is its top-left corner.
//
// Saved as a link record: id, no type id, the type name, the source symbol's id
// and the id of the symbol the last relation from the box reaches, the box's
// left and top, its whole flags word, and the reference's text relative to the
// page's book (absolute while copying to the clipboard).
//
// Looks: the label's text colour is the link type's attribute 0; every arrow
// attached to the box takes attribute 1 as its line colour.
#ifndef GRAPHICS_LINK_GNODE_H
#define GRAPHICS_LINK_GNODE_H

#include <memory>
#include <string>

#include "graphics/g_node.h"
#include "graphics/page_cursors.h"
#include "plugin/searchable.h"

class KMEsrap;
class Link;
class LinkRef;
class Links;
class GRelation;
class NodeGNode;
class NodeRef;
class RelationableGraphic;
class Specifier;
class ViewNode;
struct KM_Link;

class LinkGNode : public GNode, public Searchable {
 public:
  static constexpr BYTE Layer = 0x61;
  static constexpr int Glyph = 9;  // "Empty": only the label is drawn
  // ghostStatus bits.
  static constexpr int GhostPlaceholder = 0x200;
  static constexpr int GhostReal = 0x400;
  static constexpr int GhostSourceValid = 0x800;
  // The low bits: the box has a source symbol; it reaches a destination symbol.
  static constexpr int GhostHasSource = 0x1;
  static constexpr int GhostHasDestination = 0x2;

  enum Command : int {
    CmExpand = 0xD9,
    CmCollapse = 0xDA,
    CmInfo = 0xDC,
    CmDelete = 0xDD,
    CmExpandN = 0xE0,
    CmRename = 0xE1,
    CmDeleteFromPage = 0xE4,
    CmDeleteFromBook = 0xE5,
    CmErase = 0x13E,
    CmPushToBack = 0x14D,
    CmToPlaceholder = 0x158,
    CmToLink = 0x15A,
    CmPlaceholderLinkTo = 0x15C,
    CmDeleteKey = 0x5F06,
  };

  // A box for the book's link `link` (its reference copied).
  LinkGNode(GraphicWindow* parent, LONG id, Link* link, int x, int y);
  // A box of type `name` (null: "Undefined") from `from` to `to` (may be null),
  // for the link `ref` (copied; null: a placeholder link), with its arrows.
  // REQUIRES: parent != null ("AParent!=NULL"), from != null ("src!=NULL").
  LinkGNode(GraphicWindow* parent, LONG id, const char* name, LinkRef* ref, NodeGNode* from, NodeGNode* to, int x,
            int y, HDC hdc);
  ~LinkGNode() override;

  // Builds the box a link record describes and adds it to `parent`; null when
  // it cannot be made (no source symbol: reported).
  static LinkGNode* make(GraphicWindow* parent, KM_Link& record, HDC hdc);
  virtual LONG saveOn(KMEsrap& w);

  const char* typeName() const { return type_.c_str(); }
  LinkRef* linkRef() const { return ref_.get(); }
  // The first idea symbol whose relation reaches this box, or null.
  virtual NodeGNode* getSource() const;
  typedef void (*DestinationCallback)(NodeGNode* destination, void* arg);
  virtual void forEachDestination(DestinationCallback callback, void* arg) const;
  virtual int ghostStatus() const;

  // Shows the link's destinations (levels > 1: and their links in turn),
  // placed max(grid, 20) right of the box; `from` is the symbol the walk came
  // from, which is joined instead of being shown twice. A box without a source
  // symbol gets one: `from` when it stands for the link's source page, else a
  // new symbol left of the box. Nothing without a window, a device context or
  // a link reference.
  virtual void expandLink(int levels, HDC hdc, NodeGNode* from);
  // The ends of `link`, as above.
  virtual void expandLink(int levels, Link& link, HDC hdc, NodeGNode* from);
  // One destination end: the symbol a relation from the box already reaches,
  // else `from`, else a new symbol; then, for levels > 1, its links.
  virtual void expandLink(int levels, const Specifier& end, NodeGNode* from, HDC hdc);
  virtual void colapseLink() {}
  virtual void info() {}
  virtual void deleteLink(int fromBook, bool ask);
  // Checks the box against its source page's link list `links` (not owned);
  // -1 when it changed.
  virtual int verify(Links* links);
  int verify() override;
  virtual void setAttr();
  virtual int instantiate();
  // Takes ownership of `links` and releases it at once.
  virtual int instantiate(Links* links);
  virtual int dereference(int how, long symbolId);

  void handleMessage(GMessage& msg) override;
  HMENU createPopup() override;
  HCURSOR getCursor(POINT p) override;
  // Which of the page's cursors the hot zones choose for `p`.
  virtual PageCursors::Kind cursorKind(POINT p);
  void WMLButtonUp(GMessage& msg) override;
  void setPaintLayer() override { setLayer(Layer); }

  ViewNode* page() const;

  // ---- Find ----
  // Whether the box's label (its type name; "[]" for the root type) matches the find.
  int matchFound(TFindParams* params) const override;
  // On a match: notes this box's object id in the token, selects it
  // (the others deselected) and returns 0; otherwise 1.
  int firstMatch(TFindParams* params, SearchToken& token) override;

  // The label the box shows.
  const char* label() const;

 protected:
  // A relation (a LinkRelation toward a destination, else a GRelation) drawn
  // with an Arrow, added to the window and drawn (or invalidated without `hdc`);
  // null when it could not be made (reported).
  GRelation* attachRelation(RelationableGraphic* from, RelationableGraphic* to, HDC hdc, bool toDestination);
  // The lines are dotted: no reference, or its book is still unknown.
  bool isPlaceholderLine() const;

  std::string type_;
  std::unique_ptr<LinkRef> ref_;

 private:
  void attachSource(const Specifier* source, NodeGNode* from, HDC hdc);
  // A symbol for `target` right of the box (or left of it), added and drawn.
  NodeGNode* newSymbol(NodeRef& target, HDC hdc, bool right);
};

#endif  // GRAPHICS_LINK_GNODE_H
