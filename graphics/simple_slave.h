// The slave half of a one-to-one pairing (see simple_master.h for the pair's
// life cycle): it mirrors the master.
#ifndef GRAPHICS_SIMPLE_SLAVE_H
#define GRAPHICS_SIMPLE_SLAVE_H

class SimpleMaster;

class SimpleSlave {
 public:
  SimpleSlave() = default;
  SimpleSlave(const SimpleSlave&) = delete;
  SimpleSlave& operator=(const SimpleSlave&) = delete;

  virtual void classInvarient(const char* file, int line) const;
  // Tells the master, with dying set.
  virtual ~SimpleSlave();
  // Records the master (null: none); descendants react. 0 on success.
  virtual int doSetSlaveTo(SimpleMaster* master, bool dying);
  virtual SimpleMaster* master() const { return master_; }

  // The mirror image of SimpleMaster::setSlave.
  int setMaster(SimpleMaster* m);

 private:
  SimpleMaster* master_ = nullptr;  // not owned
};

#endif  // GRAPHICS_SIMPLE_SLAVE_H
