// A counted base class for shared resources: every user takes a count when it
// keeps a pointer and gives it back when it lets go; the resource refuses to be
// destroyed while counts remain. Every store is one.
//
// Invariant: the count is never below 0 (a decrement at 0 throws DerefWithNoRefs
// and leaves it unchanged).
#ifndef KIT_REF_COUNTING_RESOURCE_H
#define KIT_REF_COUNTING_RESOURCE_H

#include "kit/error_msg_exception.h"

class RefCountingResource {
 public:
  TVX_DECLARE_EXCEPTION(DerefWithNoRefs, ErrorMsgException,
                        "Attempted decrement of referece count past zero");
  TVX_DECLARE_EXCEPTION(DelResWithRefs, ErrorMsgException,
                        "Attempted delete of a resource with references to it");

  RefCountingResource() = default;
  // A derived resource's destructor calls checkNoReferences() once its own part
  // is torn down. Destructors in the family may throw, hence noexcept(false).
  virtual ~RefCountingResource() noexcept(false);
  RefCountingResource(const RefCountingResource&) = delete;
  RefCountingResource& operator=(const RefCountingResource&) = delete;

  int operator++();     // increments, returns the new count
  int operator++(int);  // increments, returns the old count
  int operator--();     // throws DerefWithNoRefs at 0; returns the new count
  int operator--(int);  // throws DerefWithNoRefs at 0; returns the old count

  int numReferences() const { return count_; }
  bool canDelete() const { return count_ == 0; }

 protected:
  // Throws DelResWithRefs("DelResWithRefs") when references remain, unless an
  // exception is already propagating, in which case it is reported through
  // error() instead (a second exception would end the process).
  void checkNoReferences();

 private:
  int count_ = 0;
};

#endif  // KIT_REF_COUNTING_RESOURCE_H
