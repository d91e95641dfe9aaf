// The glyph factory of pages of books opened read-only: it makes the read-only
// idea symbols and link boxes, which open pages and web addresses but change
// nothing in the book.
#ifndef GRAPHICS_GLYPH_FACTORY_RO_H
#define GRAPHICS_GLYPH_FACTORY_RO_H

#include "graphics/glyph_factory.h"

class GlyphFactoryRO : public GlyphFactory {
 public:
  ~GlyphFactoryRO() override;
  NodeGNode* makeNodeGNode(GraphicWindow* parent, LONG id, NodeRef* ref, const char* text, int x, int y) override;
  NodeGNode* makeNodeGNode(GraphicWindow* parent, LONG id, const char* name, const char* type, int x,
                           int y) override;
  LinkGNode* makeLinkGNode(GraphicWindow* parent, LONG id, Link* link, int x, int y) override;
  LinkGNode* makeLinkGNode(GraphicWindow* parent, LONG id, const char* name, LinkRef* ref, NodeGNode* from,
                           NodeGNode* to, int x, int y, HDC hdc) override;
};

#endif  // GRAPHICS_GLYPH_FACTORY_RO_H
