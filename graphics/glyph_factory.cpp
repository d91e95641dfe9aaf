// The makers of idea symbols and link boxes (see glyph_factory.h).
#include "graphics/glyph_factory.h"

#include <new>

#include "graphics/glyph_factory_ro.h"
#include "graphics/link_gnode.h"
#include "graphics/link_gnode_ro.h"
#include "graphics/node_gnode.h"
#include "graphics/node_gnode_ro.h"

namespace {

GlyphFactory* gInstalled = nullptr;

}  // namespace

GlyphFactory::~GlyphFactory() = default;

NodeGNode* GlyphFactory::makeNodeGNode(GraphicWindow* parent, LONG id, NodeRef* ref, const char* text, int x,
                                       int y) {
  return new (std::nothrow) NodeGNode(parent, id, ref, text, x, y);
}

NodeGNode* GlyphFactory::makeNodeGNode(GraphicWindow* parent, LONG id, const char* name, const char* type, int x,
                                       int y) {
  return new (std::nothrow) NodeGNode(parent, id, name, type, x, y);
}

LinkGNode* GlyphFactory::makeLinkGNode(GraphicWindow* parent, LONG id, Link* link, int x, int y) {
  return new (std::nothrow) LinkGNode(parent, id, link, x, y);
}

LinkGNode* GlyphFactory::makeLinkGNode(GraphicWindow* parent, LONG id, const char* name, LinkRef* ref,
                                       NodeGNode* from, NodeGNode* to, int x, int y, HDC hdc) {
  return new (std::nothrow) LinkGNode(parent, id, name, ref, from, to, x, y, hdc);
}

GlyphFactory& GlyphFactory::installed() {
  static GlyphFactory builtIn;
  return gInstalled != nullptr ? *gInstalled : builtIn;
}

void GlyphFactory::install(GlyphFactory* f) { gInstalled = f; }

GlyphFactory& GlyphFactory::readOnly() {
  static GlyphFactoryRO readOnlyFactory;
  return readOnlyFactory;
}
