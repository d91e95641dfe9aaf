// The slave half an annotation uses: besides the pairing it can name its master
// by the master's number on the page (for saving) and find its master on the
// page by that number (for loading). The annotation deriving from it is the
// graphic whose window is searched.
#ifndef GRAPHICS_G_NODE_SLAVE_H
#define GRAPHICS_G_NODE_SLAVE_H

#include "graphics/simple_slave.h"
#include "platform/windows_types.h"

class GraphicWindow;

class GNodeSlave : public SimpleSlave {
 public:
  ~GNodeSlave() override;
  // 1 without a master; 0 with `id` set to the master's number when the master
  // is a sensitive graphic; -1 otherwise.
  virtual int getMasterId(LONG& id) const;
  // The master becomes the sensitive graphic numbered `id` on this graphic's
  // page (none found: detached). -1 without a window.
  virtual int setMaster(LONG id);
  using SimpleSlave::setMaster;

 protected:
  // The window of the graphic this slave half belongs to.
  virtual GraphicWindow* slaveWindow() const;
};

#endif  // GRAPHICS_G_NODE_SLAVE_H
