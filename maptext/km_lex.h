// The map text lexer: turns a byte stream into KMTokens.
//
// readKMToken() skips layout (bytes 0x00..0x20 and 0x7F), then dispatches on the
// first character:
//
//   "(" c        left paren with tag c (the very next byte, whatever it is)
//   ")" ","      right paren, comma
//   hex digits   integer (unsigned hexadecimal, wrapping at 32 bits)
//   "-" digits   the negative integer; "-" followed by 0 is an invalid token
//   '"'          string (KMToken::readCString)
//   "~" count    binary object (KMToken::readAscii85)
//   0xFF byte    end of input (the byte is taken as a signed character -1)
//   end          end of input
//   other        invalid token carrying the character (bytes 0x80..0xFE too)
//
// One token can be pushed back with requeueKMToken(). The lexer never throws and
// never reports a lexical error: bad input becomes invalid tokens, which the
// parser turns into its status codes. Only a stream in a bad state is reported.
//
// Bytes are taken straight from the stream's buffer, so the stream's own state
// flags are left alone by reading past the end and tellg() keeps working.
#ifndef MAPTEXT_KM_LEX_H
#define MAPTEXT_KM_LEX_H

#include <iosfwd>
#include <istream>
#include <memory>
#include <ostream>

#include "maptext/km_token.h"
#include "platform/windows_types.h"

class KMLex {
 public:
  // Opens the file for reading; on failure the lexer has no stream.
  explicit KMLex(const char* path);
  // Reads from `in` (not owned) when its state is good; otherwise no stream.
  explicit KMLex(std::istream& in);
  // No stream: every read yields end of input.
  KMLex();
  virtual ~KMLex();
  KMLex(const KMLex&) = delete;
  KMLex& operator=(const KMLex&) = delete;

  // Reads the next token and returns its type (KMToken::Type); the token stays
  // in the lexer (token()).
  int readKMToken();
  // The next readKMToken() delivers the current token again. Returns 0, or 1
  // when a token was already requeued (one level of push-back only).
  int requeueKMToken();

  // Reads hexadecimal digits and returns their value, wrapping at 32 bits; the
  // first non-digit stays unread.
  ULONG readUInt();
  // Skips tokens until the list open at the call is closed (or input ends);
  // returns the last token type. Iterative: nesting depth costs no stack.
  int scanToCloseParen();
  // Writes the current token and every token up to and including the matching
  // right paren to `out`; end of input is not written. Returns the last type.
  int copyBlockToStream(std::ostream& out);
  // Skips white space (blank, tab, LF, VT, FF, CR).
  void eatWhite();
  // Reads up to n - 1 raw bytes, stopping before `delim`, and NUL-terminates
  // them (buf holds n bytes). Returns the number read.
  int readBytes(char* buf, int n, char delim);
  // Reads up to n raw bytes (no terminator). Returns the number read.
  int readBytes(char* buf, int n);

  // The display name of the current token: "Left Paren", "String", "EOF", ...;
  // for an invalid token "Invalid character '%c' (%d)" formatted into one static
  // buffer that the next call overwrites.
  const char* peekTokenAsString();

  // The current token.
  KMToken& token() { return tok; }
  const KMToken& token() const { return tok; }
  // The input stream (null when none).
  std::istream* stream() const { return in; }
  // The current input position, or -1 without a stream or when the stream
  // cannot tell.
  LONG position() const;
  bool isOpen() const { return in != nullptr; }
  // True when the stream is in a bad state (every read then yields an invalid
  // token and consumes nothing).
  bool streamIsBad() const;

  bool classInvarient(const char* file, int line) const;

 protected:
  // The next byte as the stream gives it (0..255), or -1 at the end.
  int nextByte();
  // The next byte without consuming it, or -1 at the end.
  int peekByte();

  std::istream* in;
  KMToken tok;
  bool requeued;
  bool ownsStream;

 private:
  std::unique_ptr<std::istream> owned;
};

#endif  // MAPTEXT_KM_LEX_H
