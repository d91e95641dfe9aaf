// String: owned text with the exact buffer size the text needs.
#include "kit/string.h"

#include <cstring>

#include "kit/error.h"

String::String(const char* text) {
  if (text == nullptr) text = "";
  size_ = std::strlen(text) + 1;
  text_.reset(new char[size_]);
  std::memcpy(text_.get(), text, size_);
}

String::String(const String& other) : size_(other.size_), text_(new char[other.size_]) {
  std::memcpy(text_.get(), other.text_.get(), size_);
}

String::~String() = default;

String& String::operator=(const String& other) {
  if (text_.get() == other.text_.get()) return *this;
  if (size_ != other.size_) {
    text_.reset(new char[other.size_]);
    size_ = other.size_;
  }
  std::memcpy(text_.get(), other.text_.get(), size_);
  return *this;
}

String& String::operator+=(const String& other) {
  // Both sizes count a NUL; the joined text needs only one.
  const std::size_t joined = size_ + other.size_ - 1;
  std::unique_ptr<char[]> text(new char[joined]);
  std::memcpy(text.get(), text_.get(), size_ - 1);
  // Copies the other text from its own buffer first, so that s += s works.
  std::memcpy(text.get() + size_ - 1, other.text_.get(), other.size_);
  text_ = std::move(text);
  size_ = joined;
  return *this;
}

String String::operator+(const String& other) const {
  String joined(*this);
  joined += other;
  return joined;
}

bool String::isEqual(const String& other) const {
  return size_ == other.size_ && std::memcmp(text_.get(), other.text_.get(), size_) == 0;
}

bool String::isLessThan(const String& other) const {
  return std::strcmp(text_.get(), other.text_.get()) < 0;
}

bool String::classInvarient(const char* file, int line) const {
  // Looks for the NUL only inside the buffer, so a broken size is never read past.
  if (text_ != nullptr && size_ > 0 &&
      std::memchr(text_.get(), '\0', size_) == text_.get() + size_ - 1)
    return true;
  error(HWND_NOBOX, 'E', "Internal error: String invariant broken at %s:%d",
        file != nullptr ? file : "?", line);
  return false;
}
