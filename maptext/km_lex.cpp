// KMLex: reads map text tokens from a stream (see km_lex.h for the token forms).
#include "maptext/km_lex.h"

#include <cstdio>
#include <fstream>

#include "kit/error.h"
#include "maptext/km_xel.h"

namespace {

const int kEof = std::char_traits<char>::eof();

bool isHexDigit(int c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

ULONG hexValue(int c) {
  if (c >= '0' && c <= '9') return static_cast<ULONG>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<ULONG>(c - 'a' + 10);
  return static_cast<ULONG>(c - 'A' + 10);
}

bool isWhite(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

KMLex::KMLex(const char* path) : in(nullptr), requeued(false), ownsStream(false) {
  if (!path) return;
  std::unique_ptr<std::ifstream> file(new std::ifstream(path, std::ios::in | std::ios::binary));
  if (!file->is_open() || !file->good()) return;
  owned = std::move(file);
  in = owned.get();
  ownsStream = true;
}

KMLex::KMLex(std::istream& stream) : in(nullptr), requeued(false), ownsStream(false) {
  if (stream.good()) in = &stream;
}

KMLex::KMLex() : in(nullptr), requeued(false), ownsStream(false) {}

KMLex::~KMLex() = default;

int KMLex::nextByte() {
  std::streambuf* sb = in ? in->rdbuf() : nullptr;
  if (!sb) return -1;
  int c = sb->sbumpc();
  return c == kEof ? -1 : (c & 0xFF);
}

int KMLex::peekByte() {
  std::streambuf* sb = in ? in->rdbuf() : nullptr;
  if (!sb) return -1;
  int c = sb->sgetc();
  return c == kEof ? -1 : (c & 0xFF);
}

LONG KMLex::position() const {
  if (!in || !in->rdbuf()) return -1;
  // Ask the buffer directly: the stream's state flags do not matter here.
  std::streampos p = in->rdbuf()->pubseekoff(0, std::ios::cur, std::ios::in);
  if (p == std::streampos(-1)) return -1;
  return static_cast<LONG>(static_cast<std::streamoff>(p));
}

int KMLex::readKMToken() {
  if (!in) {
    tok.set(KMToken::END_OF_INPUT);
    return tok.type;
  }
  if (requeued) {
    requeued = false;
    return tok.type;
  }
  if (in->rdstate() & std::ios::badbit) {
    tok.set(KMToken::INVALID, 0);
    error(nullptr, 'E', "KMLex::readKMToken: bad stream, rdstate = 0x%x",
          static_cast<unsigned>(in->rdstate()));
    return tok.type;
  }
  // The stream buffer's own inline sbumpc / sgetc / snextc serve the bytes
  // straight from its get area; only a refill costs a virtual call.
  std::streambuf* sb = in->rdbuf();
  if (!sb) {
    tok.set(KMToken::END_OF_INPUT);
    return tok.type;
  }
  // Skip layout: bytes 0x00..0x20 and 0x7F. Bounded by the input.
  int c;
  for (;;) {
    c = sb->sbumpc();
    if (c == kEof) {
      c = -1;
      break;
    }
    c &= 0xFF;
    if (c <= 0x20 || c == 0x7F) continue;
    break;
  }
  if (c < 0 || c == 0xFF) {  // 0xFF is -1 as a signed character: end of input
    tok.set(KMToken::END_OF_INPUT);
    return tok.type;
  }
  switch (c) {
    case '(': {
      // The tag is the very next byte, whatever it is (at the end of input it
      // is the end marker, -1, which no reader accepts as a tag).
      int tag = sb->sbumpc();
      if (tag != kEof) tag &= 0xFF;
      tok.set(KMToken::LEFT_PAREN, tag < 0 ? -1 : static_cast<signed char>(tag));
      break;
    }
    case ')':
      tok.set(KMToken::RIGHT_PAREN);
      break;
    case ',':
      tok.set(KMToken::COMMA);
      break;
    case '-': {
      ULONG n = readUInt();
      if (n == 0) {
        tok.set(KMToken::INVALID, '-');
      } else {
        tok.set(KMToken::INTEGER, static_cast<LONG>(0u - n));
      }
      break;
    }
    case '"':
      tok.set(KMToken::STRING);
      tok.readCString(in);
      break;
    case '~': {
      ULONG n = readUInt();
      tok.set(KMToken::BINARY);
      tok.readAscii85(in, n);
      break;
    }
    default:
      if (isHexDigit(c)) {
        // The first digit is already read; the rest follow. Shifting a 32-bit
        // value drops the high digits, so the value wraps at 32 bits.
        ULONG n = hexValue(c);
        int d = sb->sgetc();
        while (d != kEof && isHexDigit(d)) {  // bounded by the input
          n = (n << 4) | hexValue(d);
          d = sb->snextc();
        }
        tok.set(KMToken::INTEGER, static_cast<LONG>(n));
      } else {
        tok.set(KMToken::INVALID, static_cast<signed char>(c));
      }
      break;
  }
  return tok.type;
}

bool KMLex::streamIsBad() const { return in && (in->rdstate() & std::ios::badbit); }

int KMLex::requeueKMToken() {
  if (requeued) return 1;
  requeued = true;
  return 0;
}

ULONG KMLex::readUInt() {
  ULONG n = 0;
  std::streambuf* sb = in ? in->rdbuf() : nullptr;
  if (!sb) return 0;
  // Bounded by the input: each pass consumes one digit.
  int d = sb->sgetc();
  while (d != kEof && isHexDigit(d)) {
    n = (n << 4) | hexValue(d);
    d = sb->snextc();
  }
  return n;
}

int KMLex::scanToCloseParen() {
  // Iterative: a depth counter instead of recursion, so deep nesting costs no
  // stack. Bounded by the input: every token consumes at least one byte, and
  // end of input stops the scan.
  // A stream gone bad yields invalid tokens forever without consuming
  // anything, so it ends the scan too.
  uint64_t depth = 1;
  int t;
  do {
    t = readKMToken();
    if (t == KMToken::LEFT_PAREN) {
      ++depth;
    } else if (t == KMToken::RIGHT_PAREN) {
      --depth;
    } else if (t == KMToken::INVALID && streamIsBad()) {
      break;
    }
  } while (t != KMToken::END_OF_INPUT && depth > 0);
  return t;
}

int KMLex::copyBlockToStream(std::ostream& out) {
  KMXel w(out);
  int t = tok.type;
  if (t == KMToken::END_OF_INPUT) return t;
  uint64_t depth = tok.type == KMToken::LEFT_PAREN ? 1 : 0;
  w.write(tok);
  // Same depth rule as scanToCloseParen, iterative and bounded by the input.
  while (depth > 0) {
    t = readKMToken();
    if (t == KMToken::END_OF_INPUT) break;
    if (t == KMToken::INVALID && streamIsBad()) break;  // nothing more will come
    if (t == KMToken::LEFT_PAREN) {
      ++depth;
    } else if (t == KMToken::RIGHT_PAREN) {
      --depth;
    }
    w.write(tok);
  }
  w.flush();
  return t;
}

void KMLex::eatWhite() {
  int c;
  while ((c = peekByte()) >= 0 && isWhite(c)) nextByte();
}

int KMLex::readBytes(char* buf, int n, char delim) {
  if (!buf || n <= 0) return 0;
  int count = 0;
  int c;
  while (count < n - 1 && (c = peekByte()) >= 0 && c != static_cast<unsigned char>(delim)) {
    nextByte();
    buf[count++] = static_cast<char>(c);
  }
  buf[count] = '\0';
  return count;
}

int KMLex::readBytes(char* buf, int n) {
  if (!buf || n <= 0) return 0;
  std::streambuf* sb = in ? in->rdbuf() : nullptr;
  if (!sb) return 0;
  return static_cast<int>(sb->sgetn(buf, n));
}

const char* KMLex::peekTokenAsString() {
  static char invalidText[64];
  switch (tok.type) {
    case KMToken::INVALID: {
      int c = tok.intValue;
      std::snprintf(invalidText, sizeof invalidText, "Invalid character '%c' (%d)",
                    c == 0 ? '0' : static_cast<char>(c), c);
      return invalidText;
    }
    case KMToken::LEFT_PAREN:
      return "Left Paren";
    case KMToken::RIGHT_PAREN:
      return "Right Paren";
    case KMToken::COMMA:
      return "Comma Separator";
    case KMToken::INTEGER:
      return "integer";
    case KMToken::STRING:
      return "String";
    case KMToken::BINARY:
      return "Binary Object";
    case KMToken::END_OF_INPUT:
      return "EOF";
    default:
      return "Unknown token type";
  }
}

bool KMLex::classInvarient(const char* file, int line) const {
  if (ownsStream && in != owned.get()) return false;
  return tok.classInvarient(file, line);
}
