// The three-text identity value.
#include "core/id.h"

ID::ID(const char* a, const char* b, const char* c) {
  if (a != nullptr) second = a;
  if (b != nullptr) first = b;
  if (c != nullptr) third = c;
}

bool ID::classInvarient(const char*, int) const { return true; }

bool ID::isEqual(const ID& other) const {
  return first.isEqual(other.first) && second.isEqual(other.second) &&
         third.isEqual(other.third);
}

bool ID::isLessThan(const ID& other) const {
  if (!first.isEqual(other.first)) return first.isLessThan(other.first);
  if (!second.isEqual(other.second)) return second.isLessThan(other.second);
  return third.isLessThan(other.third);
}
