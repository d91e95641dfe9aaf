// The master half of a one-to-one pairing: a graphic (an idea symbol) that
// carries one slave graphic (an annotation) inside it in place of its label.
// Each half keeps a pointer to the other (not owned) and is told when the other
// attaches, detaches or dies.
//
// Life cycle of a pair:
//   unpaired  neither points at the other
//   paired    setSlave(s) on the master or setMaster(m) on the slave: both
//             record the other, the master first
//   detached  setSlave(null) or setMaster(null): both forget the other, the
//             other half first
//   dying     a half being destroyed tells the other with dying set
#ifndef GRAPHICS_SIMPLE_MASTER_H
#define GRAPHICS_SIMPLE_MASTER_H

class SimpleSlave;

class SimpleMaster {
 public:
  SimpleMaster() = default;
  SimpleMaster(const SimpleMaster&) = delete;
  SimpleMaster& operator=(const SimpleMaster&) = delete;

  virtual void classInvarient(const char* file, int line) const;
  // Tells the slave, with dying set.
  virtual ~SimpleMaster();
  // Records the slave (null: none); descendants react. 0 on success.
  virtual int doSetMasterTo(SimpleSlave* slave, bool dying);
  virtual SimpleSlave* slave() const { return slave_; }

  // Null detaches (0). A slave when there is none attaches it: the result of
  // both halves' recording. With a slave already attached: 1, and nothing changes.
  int setSlave(SimpleSlave* s);

 private:
  SimpleSlave* slave_ = nullptr;  // not owned
};

#endif  // GRAPHICS_SIMPLE_MASTER_H
