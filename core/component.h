// The small base of the in-memory page and link objects: the owned reference that
// names the entry, the state bits and a status value.
//
// State bits: 0x1 modified, 0x2 invalid, 0x4 read-only, 0x8 saved at least once.
#ifndef CORE_COMPONENT_H
#define CORE_COMPONENT_H

#include <memory>

#include "core/component_ref.h"

class Nexil;

class Component {
 public:
  enum State : int { Modified = 0x1, Invalid = 0x2, ReadOnly = 0x4, Saved = 0x8 };

  // Takes ownership of `ref` (may be null).
  explicit Component(ComponentRef* ref = nullptr) : ref_(ref) {}
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  virtual int verify(Nexil& app);
  virtual void setModified(int on) { setBit(Modified, on); }
  virtual void setReadOnly(int on) { setBit(ReadOnly, on); }
  bool isModified() const { return (state_ & Modified) != 0; }
  bool isInvalid() const { return (state_ & Invalid) != 0; }
  bool readOnly() const { return (state_ & ReadOnly) != 0; }
  bool isSaved() const { return (state_ & Saved) != 0; }
  int state() const { return state_; }
  int status() const { return status_; }
  void clearStatus() { status_ = 0; }

 protected:
  void setBit(int bit, int on) { state_ = on ? (state_ | bit) : (state_ & ~bit); }
  void setStatus(int s) { status_ = s; }
  ComponentRef* ref() const { return ref_.get(); }
  // Replaces the owned reference.
  void setRef(ComponentRef* ref) { ref_.reset(ref); }

 private:
  std::unique_ptr<ComponentRef> ref_;
  int state_ = 0;
  int status_ = 0;
};

#endif  // CORE_COMPONENT_H
