// What a book offers its type page: the plug-in's book database derives from
// DB and from this interface, so that the type page, which knows its book only
// as a DB, can ask whether its book is one that caches it, mark that book
// modified, and have the book forget it when the page goes first. A book that
// does not derive from it (a plain DB, as the tools open) has no cached type
// page and is never marked modified by one.
#ifndef PLUGIN_TYPE_PAGE_BOOK_H
#define PLUGIN_TYPE_PAGE_BOOK_H

class TypeNode;

class TypePageBook {
 public:
  virtual ~TypePageBook();
  // Marks the book modified (1) or not (0).
  virtual void setModified(int flag) = 0;
  // The type page the book keeps, or null.
  virtual TypeNode* cachedTypeNode() const = 0;
  // Forgets the kept type page without deleting it.
  virtual void dropTypeNode() = 0;
  // True once the book has looked for its type page and found none (a
  // read-only book, which cannot gain one): page windows need not look again.
  virtual bool lacksTypePage() const { return false; }
};

#endif  // PLUGIN_TYPE_PAGE_BOOK_H
