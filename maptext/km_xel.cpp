// KMXel: writes map text tokens in the forms KMLex reads (see km_xel.h).
#include "maptext/km_xel.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "kit/error.h"
#include "kit/file_helpers.h"
#include "platform/io/fd_stream.h"
#include "platform/io/truncatable.h"

namespace {

// A text line is broken once this many characters are on it.
const int kStringLineLength = 78;
// Binary words written on one line.
const int kWordsPerLine = 16;

const char kHex[] = "0123456789abcdef";

// The lower-case hexadecimal digits of v, most significant first, zero-filled to
// at least minDigits (at most 8); returns how many were put into buf (8 bytes).
// The same text as "%x" / "%08x", without a formatted print per integer.
int hexDigits(ULONG v, int minDigits, char* buf) {
  char reversed[8];
  int n = 0;
  do {
    reversed[n++] = kHex[v & 0xF];
    v >>= 4;
  } while (v != 0);
  while (n < minDigits && n < 8) reversed[n++] = '0';
  for (int i = 0; i < n; ++i) buf[i] = reversed[n - 1 - i];
  return n;
}

}  // namespace

KMXel::KMXel(const char* path)
    : out(nullptr), needSpace(false), prettyPrint(0), depth(0), ownsStream(false) {
  if (!path) return;
  std::unique_ptr<std::ofstream> file(
      new std::ofstream(path, std::ios::out | std::ios::trunc | std::ios::binary));
  if (!file->is_open() || !file->good()) return;
  owned = std::move(file);
  ownedPath = path;
  out = owned.get();
  ownsStream = true;
}

KMXel::KMXel(std::ostream& stream)
    : out(nullptr), needSpace(false), prettyPrint(0), depth(0), ownsStream(false) {
  if (stream.good()) out = &stream;
}

KMXel::KMXel() : out(nullptr), needSpace(false), prettyPrint(0), depth(0), ownsStream(false) {}

KMXel::~KMXel() {
  if (ownsStream && owned) {
    owned->flush();
    static_cast<std::ofstream*>(owned.get())->close();
  }
}

void KMXel::put(char c) { out->put(c); }

void KMXel::flush() {
  if (out) out->flush();
}

LONG KMXel::position() const {
  if (!out || !out->rdbuf()) return -1;
  std::streampos p = out->rdbuf()->pubseekoff(0, std::ios::cur, std::ios::out);
  if (p == std::streampos(-1)) return -1;
  return static_cast<LONG>(static_cast<std::streamoff>(p));
}

void KMXel::writeOpenList(char tag) {
  if (!out) return;
  if (prettyPrint) {
    indent();
    ++depth;
  }
  put('(');
  put(tag);
  needSpace = false;
}

void KMXel::writeCloseList() {
  if (!out) return;
  if (prettyPrint && depth > 0) --depth;
  put(')');
  needSpace = false;
}

void KMXel::writeSeparator() {
  if (!out) return;
  put(',');
  needSpace = false;
}

void KMXel::write(LONG value) {
  if (!out) return;
  if (needSpace) put(' ');
  char buf[8];
  const int n = hexDigits(static_cast<ULONG>(value), 1, buf);
  out->write(buf, n);
  needSpace = true;
}

void KMXel::writeOffset(LONG value) {
  if (!out) return;
  if (needSpace) put(' ');
  char buf[8];
  hexDigits(static_cast<ULONG>(value), 8, buf);
  out->write(buf, 8);
  needSpace = true;
}

void KMXel::writeAndMark(LONG value, LONG& mark) {
  if (!out) return;
  if (needSpace) put(' ');
  needSpace = false;
  mark = position();
  writeOffset(value);
}

void KMXel::writeAtMark(LONG value, LONG mark) {
  if (!out || mark < 0) return;
  bool savedNeedSpace = needSpace;
  out->flush();
  std::streampos here = out->tellp();
  if (here == std::streampos(-1)) return;
  out->seekp(static_cast<std::streamoff>(mark));
  needSpace = false;
  writeOffset(value);
  out->seekp(here);
  needSpace = savedNeedSpace;
}

void KMXel::write(const char* text) {
  if (!text) return;
  writeString(text, static_cast<ULONG>(std::strlen(text)));
}

void KMXel::writeString(const char* text, ULONG n) {
  if (!out || !text) return;
  std::string line;
  line.reserve(96);
  int column = 1;  // the opening quote is on the line
  line.push_back('"');
  for (ULONG i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    char piece[4];
    int len;
    if (c == '\\' || c == '"') {
      piece[0] = '\\';
      piece[1] = static_cast<char>(c);
      len = 2;
    } else if (c == '\n') {
      piece[0] = '\\';
      piece[1] = 'n';
      piece[2] = '\n';
      len = 3;
    } else if (c < 0x20 || c > 0x7E) {
      piece[0] = '\\';
      piece[1] = kHex[c >> 4];
      piece[2] = kHex[c & 0x0F];
      len = 3;
    } else {
      piece[0] = static_cast<char>(c);
      len = 1;
    }
    // Break the line before a piece, never inside an escape: the reader drops
    // the line feed but would take it as the escaped character.
    if (column >= kStringLineLength) {
      line.push_back('\n');
      column = 0;
    }
    line.append(piece, static_cast<size_t>(len));
    column = c == '\n' ? 0 : column + len;
    if (line.size() >= 4096) {
      out->write(line.data(), static_cast<std::streamsize>(line.size()));
      line.clear();
    }
  }
  line.push_back('"');
  out->write(line.data(), static_cast<std::streamsize>(line.size()));
  needSpace = false;
}

void KMXel::write(const void* data, LONG nbytes) {
  if (!out) return;
  ULONG n = nbytes < 0 ? 0 : static_cast<ULONG>(nbytes);
  if (!data) n = 0;
  char head[16];
  std::snprintf(head, sizeof head, "\n~%x\n", static_cast<unsigned>(n));
  out->write(head, static_cast<std::streamsize>(std::strlen(head)));
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  ULONG words = (n + 3) / 4;
  if (n > 0xFFFFFFFCu) words = 0x40000000u;  // (n + 3) wrapped
  std::string line;
  line.reserve(kWordsPerLine * 5 + 1);
  for (ULONG w = 0; w < words; ++w) {
    unsigned char b[4] = {0, 0, 0, 0};
    for (ULONG k = 0; k < 4; ++k) {
      ULONG at = w * 4 + k;
      if (at < n) b[k] = bytes[at];
    }
    uint32_t word = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                    (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    if (word == 0) {
      line.push_back('z');
    } else {
      char digits[5];
      for (int i = 4; i >= 0; --i) {
        digits[i] = static_cast<char>('!' + word % 85);
        word /= 85;
      }
      line.append(digits, 5);
    }
    if ((w + 1) % kWordsPerLine == 0 || w + 1 == words) {
      line.push_back('\n');
      out->write(line.data(), static_cast<std::streamsize>(line.size()));
      line.clear();
    }
  }
  out->write("~\n", 2);
  needSpace = false;
}

void KMXel::write(KMToken& token) {
  switch (token.type) {
    case KMToken::LEFT_PAREN:
      writeOpenList(static_cast<char>(token.intValue));
      break;
    case KMToken::RIGHT_PAREN:
      writeCloseList();
      break;
    case KMToken::COMMA:
      writeSeparator();
      break;
    case KMToken::INTEGER:
      write(token.intValue);
      break;
    case KMToken::STRING:
      if (token.valString && token.length > 0) {
        writeString(token.valString.get(), token.length - 1);
      } else {
        writeString("", 0);
      }
      break;
    case KMToken::BINARY:
      write(static_cast<const void*>(token.binValue.get()),
            token.binValue ? static_cast<LONG>(token.length) : 0);
      break;
    case KMToken::INVALID:
      write(static_cast<LONG>(0x3F));
      break;
    case KMToken::END_OF_INPUT:
      write(static_cast<LONG>(-1));
      break;
    default:
      write(static_cast<LONG>(0x21));
      break;
  }
}

void KMXel::writeBytes(const char* text) {
  if (!text) return;
  writeBytes(text, static_cast<int>(std::strlen(text)));
}

void KMXel::writeBytes(const char* text, int n) {
  if (!out || !text || n <= 0) return;
  out->write(text, n);
  needSpace = false;
}

void KMXel::writeStream(std::istream* in) {
  if (!out || !in) return;
  indent();
  copy(out, in);
  needSpace = false;
}

void KMXel::indent() {
  if (!out) return;
  put('\n');
  for (int i = 0; i < depth; ++i) put(' ');
}

void KMXel::writeEOF() {
  if (!out) return;
  std::streambuf* sb = out->rdbuf();
  std::filebuf* fb = dynamic_cast<std::filebuf*>(sb);
  // A device that can cut itself (a file descriptor stream, a book record).
  Truncatable* cuttable = dynamic_cast<Truncatable*>(sb);
  bool fileStream = cuttable || fb || dynamic_cast<std::ofstream*>(out) ||
                    dynamic_cast<std::fstream*>(out) || dynamic_cast<FdStream*>(out);
  if (!fileStream) return;  // an in-memory stream has nothing to cut
  if (!sb) {
    error(nullptr, 'E', "KMXel::writeEOF: can't get rdbuf()");
    return;
  }
  // The file is known by its descriptor (FdStream) or, for a file this writer
  // opened itself, by its name. A file stream opened by someone else does not
  // show its descriptor; that only matters when there is a tail to cut.
  out->flush();
  bool haveFile = cuttable != nullptr || (fb && fb->is_open() && ownsStream && !ownedPath.empty());
  if (!haveFile) {
    if (fb && fb->is_open()) {
      std::streampos here = fb->pubseekoff(0, std::ios::cur, std::ios::out);
      std::streampos end = fb->pubseekoff(0, std::ios::end, std::ios::out);
      fb->pubseekpos(here, std::ios::out);
      if (here != std::streampos(-1) && end != std::streampos(-1) && end <= here) return;
    }
    error(nullptr, 'E', "KMXel::writeEOF: no file descriptor associated with filebuf");
    return;
  }
  LONG pos = position();
  if (pos < 11) {
    error(nullptr, 'E', "KMXel::writeEOF: stream position = %ld, too short, not truncating",
          static_cast<long>(pos));
    return;
  }
  int rc;
  if (cuttable) {
    rc = cuttable->truncateAt(static_cast<std::streamoff>(pos)) ? 0 : -1;
    if (rc != 0 && errno == 0) errno = EIO;
  } else {
    rc = ::truncate(ownedPath.c_str(), static_cast<off_t>(pos));
  }
  if (rc != 0) {
    error(nullptr, 'E', "KMXel::writeEOF: failed to change file size, error=%d", errno);
  }
}

bool KMXel::classInvarient(const char*, int) const {
  if (ownsStream && out != owned.get()) return false;
  if (depth < 0) return false;
  return true;
}
