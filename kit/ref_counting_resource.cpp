// RefCountingResource: the user count of a shared resource and the two ways it
// can be misused (giving back a count never taken, destroying a resource in use).
#include "kit/ref_counting_resource.h"

#include <exception>

#include "kit/error.h"

RefCountingResource::~RefCountingResource() noexcept(false) {}

int RefCountingResource::operator++() { return ++count_; }

int RefCountingResource::operator++(int) { return count_++; }

int RefCountingResource::operator--() {
  // The check comes first, so a refused decrement leaves the count as it was.
  if (count_ < 1) throw DerefWithNoRefs("DerefWithNoRefs");
  return --count_;
}

int RefCountingResource::operator--(int) {
  if (count_ < 1) throw DerefWithNoRefs("DerefWithNoRefs");
  return count_--;
}

void RefCountingResource::checkNoReferences() {
  if (count_ == 0) return;
  DelResWithRefs failure("DelResWithRefs");
  // A second exception thrown while one is already propagating would end the
  // process; the misuse is then only reported (logged and handed to the handler).
  if (std::uncaught_exceptions() > 0) {
    failure.report(HWND_NOBOX, 'E');
    return;
  }
  throw failure;
}
