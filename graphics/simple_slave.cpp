// The slave half of a pair (see simple_slave.h).
#include "graphics/simple_slave.h"

#include "graphics/simple_master.h"

void SimpleSlave::classInvarient(const char*, int) const {}

SimpleSlave::~SimpleSlave() {
  SimpleMaster* m = master_;
  master_ = nullptr;
  if (m != nullptr) m->doSetMasterTo(nullptr, true);
}

int SimpleSlave::doSetSlaveTo(SimpleMaster* master, bool) {
  master_ = master;
  return 0;
}

int SimpleSlave::setMaster(SimpleMaster* m) {
  if (m == nullptr) {
    if (master_ != nullptr) master_->doSetMasterTo(nullptr, false);
    doSetSlaveTo(nullptr, false);
    return 0;
  }
  if (master_ != nullptr) return 1;
  const int r = doSetSlaveTo(m, false);
  if (r != 0) return r;
  return m->doSetMasterTo(this, false);
}
