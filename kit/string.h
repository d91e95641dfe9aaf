// String: an owned, heap-allocated, NUL-terminated text with equality and byte
// ordering. Every name the hypertext core and the plug-in keep (book names, page
// names, type names) is one.
//
// Invariants:
//   1. size() == strlen(c_str()) + 1 at all times (an empty string has size 1).
//   2. The text is never a null pointer.
#ifndef KIT_STRING_H
#define KIT_STRING_H

#include <cstddef>
#include <memory>

class String {
 public:
  // Copies the text; a null pointer gives the empty string.
  String(const char* text = nullptr);  // NOLINT: implicit, as texts are passed freely
  String(const String& other);
  virtual ~String();

  // Copies the other text (nothing happens when both share one buffer).
  String& operator=(const String& other);
  // Appends the other text.
  String& operator+=(const String& other);
  // A copy of this text with the other appended.
  String operator+(const String& other) const;

  // Same size and the same bytes.
  virtual bool isEqual(const String& other) const;
  // This text sorts before the other in byte order.
  virtual bool isLessThan(const String& other) const;

  bool operator==(const String& other) const { return isEqual(other); }
  bool operator!=(const String& other) const { return !isEqual(other); }
  bool operator<(const String& other) const { return isLessThan(other); }

  const char* c_str() const { return text_.get(); }
  operator const char*() const { return text_.get(); }  // NOLINT: read as a plain text
  // The stored size: the length of the text plus its NUL.
  std::size_t size() const { return size_; }
  std::size_t length() const { return size_ - 1; }

  // Reports a broken invariant through the error channel; true when sound.
  bool classInvarient(const char* file, int line) const;

 private:
  std::size_t size_;
  std::unique_ptr<char[]> text_;
};

#endif  // KIT_STRING_H
