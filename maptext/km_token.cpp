// KMToken: the value of one map text token, and the decoding of the two token
// bodies that have framing of their own (quoted text and ASCII85 binary).
#include "maptext/km_token.h"

#include <cstring>
#include <vector>

namespace {

bool isHexDigit(int c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

// Printable ASCII: the only bytes a text body keeps as they stand.
bool isKept(int c) { return c >= 0x20 && c <= 0x7E; }

// The largest word buffer reserved up front for a binary body; beyond it the
// buffer grows only as words actually arrive, so an announced count alone can
// never make a large allocation.
const size_t kInitialWords = 1024;

}  // namespace

KMToken::KMToken() : type(END_OF_INPUT), capacity(0), intValue(0), length(0) {}

KMToken::~KMToken() = default;

void KMToken::growValString(ULONG n) {
  ULONG newCapacity;
  if (n == 0) {
    newCapacity = capacity + GROW_STEP;
    if (newCapacity < capacity) return;  // would wrap: keep what we have
  } else {
    if (capacity >= n) return;
    newCapacity = n;
  }
  std::unique_ptr<char[]> grown(new char[static_cast<size_t>(newCapacity) + 1]);
  if (valString) {
    std::memcpy(grown.get(), valString.get(), static_cast<size_t>(capacity) + 1);
  } else {
    grown[0] = '\0';
  }
  valString = std::move(grown);
  capacity = newCapacity;
}

void KMToken::makeRoom(ULONG n) {
  if (capacity < n) growValString(n);
}

bool KMToken::readCString(std::istream* in) {
  binValue.reset();
  length = 0;
  intValue = 0;
  if (!valString) growValString(0);
  std::streambuf* sb = in ? in->rdbuf() : nullptr;
  ULONG count = 0;
  // Bounded by the input: every pass consumes at least one byte or stops.
  for (;;) {
    int c = sb ? sb->sbumpc() : std::char_traits<char>::eof();
    if (c == std::char_traits<char>::eof()) {
      valString[count] = '\0';
      length = count + 1;
      type = INVALID;
      intValue = '"';
      return false;
    }
    if (c == '"') break;
    int byte;
    if (c == '\\') {
      int e = sb->sbumpc();
      if (e == std::char_traits<char>::eof()) continue;  // reported at the top
      if (isHexDigit(e)) {
        // Two hexadecimal digits make one byte. A lone digit (the next byte is
        // no digit) gives that digit's value, and the byte after it is left for
        // the text, so that a cut escape cannot swallow the closing quote.
        int second = sb->sgetc();
        if (isHexDigit(second)) {
          sb->sbumpc();
          byte = hexValue(e) * 16 + hexValue(second);
        } else {
          byte = hexValue(e);
        }
      } else if (e == 'n') {
        byte = '\n';
      } else {
        byte = e;
      }
    } else if (isKept(c)) {
      byte = c;
    } else {
      continue;  // line breaks and other unkept bytes are layout only
    }
    if (count >= capacity) {
      // Small texts grow by GROW_STEP; longer ones double, so that a long
      // string costs linear time rather than one copy per 80 characters.
      ULONG before = capacity;
      if (capacity < 8 * GROW_STEP) {
        growValString(0);
      } else if (capacity <= 0x7FFFFFFFu) {
        growValString(capacity * 2);
      }
      if (capacity == before) {  // 2 GB of text: give up rather than wrap
        valString[count] = '\0';
        length = count + 1;
        type = INVALID;
        intValue = '"';
        return false;
      }
    }
    valString[count++] = static_cast<char>(byte);
  }
  valString[count] = '\0';
  length = count + 1;
  type = STRING;
  return true;
}

bool KMToken::readAscii85(std::istream* in, ULONG nbytes) {
  binValue.reset();
  length = 0;
  intValue = 0;
  std::streambuf* sb = in ? in->rdbuf() : nullptr;
  const int kEof = std::char_traits<char>::eof();
  const uint64_t wordsWanted = (static_cast<uint64_t>(nbytes) + 3) / 4;
  std::vector<uint32_t> words;
  words.reserve(static_cast<size_t>(wordsWanted < kInitialWords ? wordsWanted : kInitialWords));
  bool cut = false;
  // Bounded by the input: every pass consumes at least one byte, and the loop
  // stops at "~", at the end, or when the announced words are all there.
  while (sb && words.size() < wordsWanted) {
    int c = sb->sgetc();
    if (c == kEof || c == '~') break;
    sb->sbumpc();
    if (c == 'z') {
      words.push_back(0);
    } else if (c >= '!' && c <= 'u') {
      uint32_t w = static_cast<uint32_t>(c - 33);
      for (int i = 0; i < 4; ++i) {
        int d = sb->sbumpc();
        if (d == kEof) {
          cut = true;
          break;
        }
        // Raw bytes: unsigned arithmetic wraps for bytes outside the alphabet.
        w = w * 85u + static_cast<uint32_t>(d - 33);
      }
      if (cut) break;
      words.push_back(w);
    }
    // Any other character is layout.
  }
  bool ok = !cut && sb && words.size() == wordsWanted;
  if (ok) {
    if (sb->sgetc() == '\n') sb->sbumpc();
    if (sb->sgetc() == '~') {
      sb->sbumpc();
    } else {
      ok = false;
    }
  }
  if (!ok) {
    type = INVALID;
    intValue = '~';
    return false;
  }
  std::unique_ptr<unsigned char[]> bytes(new unsigned char[words.size() * 4 + 4]);
  for (size_t i = 0; i < words.size(); ++i) {
    uint32_t w = words[i];
    bytes[i * 4 + 0] = static_cast<unsigned char>(w & 0xFF);
    bytes[i * 4 + 1] = static_cast<unsigned char>((w >> 8) & 0xFF);
    bytes[i * 4 + 2] = static_cast<unsigned char>((w >> 16) & 0xFF);
    bytes[i * 4 + 3] = static_cast<unsigned char>((w >> 24) & 0xFF);
  }
  binValue = std::move(bytes);
  length = nbytes;
  type = BINARY;
  return true;
}

bool KMToken::value(char*& s) {
  s = (type == STRING && valString) ? valString.get() : nullptr;
  return s == nullptr;
}

bool KMToken::value(void*& p) {
  p = (type == BINARY && binValue) ? static_cast<void*>(binValue.get()) : nullptr;
  return p == nullptr;
}

bool KMToken::value(char* buf, ULONG n) {
  ULONG copied = 0;
  if (type == STRING && valString && length > 0) {
    copied = length - 1 < n ? length - 1 : n;
    std::memcpy(buf, valString.get(), copied);
  }
  buf[copied] = '\0';
  return copied == n;
}

std::unique_ptr<unsigned char[]> KMToken::takeBinValue() { return std::move(binValue); }

void KMToken::set(int newType, LONG newIntValue) {
  type = newType;
  intValue = newIntValue;
  length = 0;
  binValue.reset();
}

void KMToken::setString(const char* text, ULONG n) {
  set(STRING);
  makeRoom(n == 0 ? 1 : n);
  if (n > 0) std::memcpy(valString.get(), text, n);
  valString[n] = '\0';
  length = n + 1;
}

void KMToken::setBinary(const void* data, ULONG n) {
  set(BINARY);
  size_t rounded = ((static_cast<size_t>(n) + 3) / 4) * 4;
  binValue.reset(new unsigned char[rounded + 4]());
  if (n > 0) std::memcpy(binValue.get(), data, n);
  length = n;
}

bool KMToken::classInvarient(const char*, int) const {
  if (type < INVALID || type > END_OF_INPUT) return false;
  if (capacity > 0 && !valString) return false;
  if (type == STRING && (!valString || length == 0 || length - 1 > capacity)) return false;
  if (type == BINARY && length > 0 && !binValue) return false;
  return true;
}
