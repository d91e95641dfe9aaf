// The master half of a pair (see simple_master.h).
#include "graphics/simple_master.h"

#include "graphics/simple_slave.h"

void SimpleMaster::classInvarient(const char*, int) const {}

SimpleMaster::~SimpleMaster() {
  SimpleSlave* s = slave_;
  slave_ = nullptr;
  if (s != nullptr) s->doSetSlaveTo(nullptr, true);
}

int SimpleMaster::doSetMasterTo(SimpleSlave* slave, bool) {
  slave_ = slave;
  return 0;
}

int SimpleMaster::setSlave(SimpleSlave* s) {
  if (s == nullptr) {
    if (slave_ != nullptr) slave_->doSetSlaveTo(nullptr, false);
    doSetMasterTo(nullptr, false);
    return 0;
  }
  if (slave_ != nullptr) return 1;
  const int r = doSetMasterTo(s, false);
  if (r != 0) return r;
  return s->doSetSlaveTo(this, false);
}
