// The read-only glyph factory (see glyph_factory_ro.h).
#include "graphics/glyph_factory_ro.h"

#include <new>

#include "graphics/link_gnode_ro.h"
#include "graphics/node_gnode_ro.h"

GlyphFactoryRO::~GlyphFactoryRO() = default;

NodeGNode* GlyphFactoryRO::makeNodeGNode(GraphicWindow* parent, LONG id, NodeRef* ref, const char* text, int x,
                                         int y) {
  return new (std::nothrow) NodeGNodeRO(parent, id, ref, text, x, y);
}

NodeGNode* GlyphFactoryRO::makeNodeGNode(GraphicWindow* parent, LONG id, const char* name, const char* type,
                                         int x, int y) {
  return new (std::nothrow) NodeGNodeRO(parent, id, name, type, x, y);
}

LinkGNode* GlyphFactoryRO::makeLinkGNode(GraphicWindow* parent, LONG id, Link* link, int x, int y) {
  return new (std::nothrow) LinkGNodeRO(parent, id, link, x, y);
}

LinkGNode* GlyphFactoryRO::makeLinkGNode(GraphicWindow* parent, LONG id, const char* name, LinkRef* ref,
                                         NodeGNode* from, NodeGNode* to, int x, int y, HDC hdc) {
  return new (std::nothrow) LinkGNodeRO(parent, id, name, ref, from, to, x, y, hdc);
}
