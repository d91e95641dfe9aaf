// Finding and naming a master by its number on the page (see g_node_slave.h).
#include "graphics/g_node_slave.h"

#include "graphics/graphic_window.h"
#include "graphics/sensitive_graphic.h"
#include "graphics/simple_master.h"

GNodeSlave::~GNodeSlave() = default;

int GNodeSlave::getMasterId(LONG& id) const {
  SimpleMaster* m = master();
  if (m == nullptr) return 1;
  const auto* g = dynamic_cast<const SensitiveGraphic*>(m);
  if (g == nullptr) return -1;
  id = g->id();
  return 0;
}

GraphicWindow* GNodeSlave::slaveWindow() const {
  const auto* g = dynamic_cast<const Graphic*>(this);
  return g != nullptr ? g->getParent() : nullptr;
}

int GNodeSlave::setMaster(LONG id) {
  GraphicWindow* w = slaveWindow();
  if (w == nullptr) return -1;
  SimpleMaster* found = nullptr;
  for (SensitiveGraphic* g : w->sensitiveGraphics()) {
    if (g->id() == id) {
      found = dynamic_cast<SimpleMaster*>(g);
      break;
    }
  }
  // Null detaches; a master found while another is attached changes nothing (1).
  return SimpleSlave::setMaster(found);
}
