// A stream buffer whose device can be cut short: a file, or a record of a book's
// store. Writers that rewrite a whole text in place (a page body, a link list, a
// map text file) cut the device at the end of what they wrote, so that no bytes
// of a longer earlier text are left behind to be read as part of the new one.
#ifndef PLATFORM_TRUNCATABLE_H
#define PLATFORM_TRUNCATABLE_H

#include <ios>

class Truncatable {
 public:
  virtual ~Truncatable() = default;
  // Writes what is pending, then makes `length` the device's length when it is
  // shorter (a longer length changes nothing). True on success.
  virtual bool truncateAt(std::streamoff length) = 0;
};

#endif  // PLATFORM_TRUNCATABLE_H
