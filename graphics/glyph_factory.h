// The makers of a page's idea symbols and link boxes. A page of a writable book
// uses GlyphFactory; a page of a book opened read-only uses GlyphFactoryRO,
// which makes the read-only variants. Each operation returns the new graphic
// (not yet added to the window), or null when it could not be made.
//
// The process-wide factory (installed(), install()) is the one the page window
// uses for writable books; a GlyphFactory is made on first use when none was
// installed.
#ifndef GRAPHICS_GLYPH_FACTORY_H
#define GRAPHICS_GLYPH_FACTORY_H

#include "platform/windows_types.h"

class GraphicWindow;
class Link;
class LinkGNode;
class LinkRef;
class NodeGNode;
class NodeRef;

class GlyphFactory {
 public:
  virtual ~GlyphFactory();

  // A symbol for an existing page reference (copied).
  virtual NodeGNode* makeNodeGNode(GraphicWindow* parent, LONG id, NodeRef* ref, const char* text, int x, int y);
  // A placeholder symbol by name and type.
  virtual NodeGNode* makeNodeGNode(GraphicWindow* parent, LONG id, const char* name, const char* type, int x,
                                   int y);
  // A link box for an existing link of the book.
  virtual LinkGNode* makeLinkGNode(GraphicWindow* parent, LONG id, Link* link, int x, int y);
  // A link box between two symbols (`to` may be null).
  virtual LinkGNode* makeLinkGNode(GraphicWindow* parent, LONG id, const char* name, LinkRef* ref,
                                   NodeGNode* from, NodeGNode* to, int x, int y, HDC hdc);

  // The process-wide factory for writable books.
  static GlyphFactory& installed();
  // Installs `f` (not owned; null: the built-in one again).
  static void install(GlyphFactory* f);
  // The factory for books opened read-only.
  static GlyphFactory& readOnly();
};

#endif  // GRAPHICS_GLYPH_FACTORY_H
