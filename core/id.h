// A three-text identity value: the core application object keeps the user's
// identity in one (first = the node identity, second = the user identity).
// Equality needs all three texts equal; ordering is by first, then second, then
// third.
#ifndef CORE_ID_H
#define CORE_ID_H

#include "kit/string.h"

class ID {
 public:
  ID() = default;
  // Note the order: a sets `second`, b sets `first`, c sets `third`; each only when given.
  ID(const char* a, const char* b, const char* c);
  virtual ~ID() = default;
  ID(const ID&) = default;
  ID& operator=(const ID&) = default;

  virtual bool classInvarient(const char* file, int line) const;
  virtual bool isEqual(const ID& other) const;
  virtual bool isLessThan(const ID& other) const;

  String first;
  String second;
  String third;
};

#endif  // CORE_ID_H
