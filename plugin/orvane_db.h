// The plug-in's book: a book database that also knows where its type page and
// its home page are. The type page (the kind-4 page) is looked up on first use
// and kept until the book goes; the home page is the first page whose kind
// word has bit 0x8. A writable book lacking either gets one made; a read-only
// book is never changed.
//
// The book registers with the book manager that opened it, and tells it when it
// goes (the manager's slot for it is emptied).
#ifndef PLUGIN_ORVANE_DB_H
#define PLUGIN_ORVANE_DB_H

#include "core/book_types.h"
#include "core/db.h"
#include "plugin/type_page_book.h"

class Nexil;
class Node;
class TypeNode;

class OrvaneDB : public DB, public TypePageBook, public BookTypes {
 public:
  static constexpr ULONG TypePageKind = 0x4;
  static constexpr ULONG HomePageKind = 0x8;
  // The kind word of a new home page: a page (1) marked as the home page (8).
  static constexpr ULONG NewHomePageKind = 0x9;

  // Opens the book as DB does (throws as DB does); `app` is the book manager.
  OrvaneDB(Nexil& app, const char* netAddress, const char* fileName, int openFlags, int share);
  // Deletes the type page, then tells the book manager this book is gone.
  ~OrvaneDB() override;

  // The default node- or link-type name of the type page ("Undefined" when the
  // book has none); a non-null `name` is copied in first.
  const char* defaultNodeTypeName(const char* name) override;
  const char* defaultLinkTypeName(const char* name);
  // Each node type's name in the type page's order.
  void forNodeTypes(TypeNameFn fn, void* context) override;
  // Each link type whose source is `fromType` or one of its ancestors and whose
  // destination is `toType` or one of its ancestors; nothing when either node
  // type is unknown.
  void forLinkTypes(TypeNameFn fn, void* context, const char* fromType, const char* toType);
  // Closing is always allowed.
  int CloseDB() { return 1; }
  bool hasTypeNode() const { return typeNode_ != nullptr; }
  void dropTypeNode() override {
    typeNode_ = nullptr;
    typeNodeRefs_ = 0;
  }
  TypeNode* cachedTypeNode() const override { return typeNode_; }
  bool lacksTypePage() const override { return lacksTypePage_; }
  // The type page, looked up (and on a writable book made) on first use; null
  // when there is none.
  TypeNode* tnode();
  // Finds (or on a writable book makes) the home page and loads it through the
  // book manager; the page, or null ("No home page exists for book %s").
  Node* openHomePage();
  void setModified(int flag) override { modified_ = flag; }
  int isModified() const { return modified_; }
  LONG lastValue() const { return last_; }
  LONG typeNodeId() const { return typeNodeId_; }
  Nexil& manager() const { return manager_; }

 protected:
  // The kept type page names this book: the references it holds are the
  // book's own, and go with it when nobody else holds the book.
  ULONG ownReferences() const override { return typeNodeRefs_; }
  void releaseOwnReferences() override;

 private:
  // Keeps `page` as the type page, counting the references it holds on the
  // book (`before`: the count before it was made).
  TypeNode* keepTypeNode(TypeNode* page, ULONG before);

  TypeNode* typeNode_ = nullptr;  // owned
  ULONG typeNodeRefs_ = 0;
  LONG typeNodeId_ = -1;
  bool lacksTypePage_ = false;  // a read-only book looked and found none
  Nexil& manager_;
  int modified_ = 0;
  LONG last_ = 0;
};

#endif  // PLUGIN_ORVANE_DB_H
