// One token of map text and the value it carries.
//
// Map text is a nested-list text format: every structure is a parenthesised list
// that opens with a one-character tag, and its atoms are hexadecimal integers,
// quoted strings and ASCII85-encoded binary objects, separated by blanks or
// commas. A KMToken holds the last token the lexer (KMLex) read: its type and,
// depending on the type, an integer, a text or a block of decoded bytes. The
// string and binary bodies are decoded here, since their framing is the token's
// own business; KMLex only dispatches on the first character.
//
// Token types and the value each carries:
//
//   TYPE  NAME            VALUE
//   0     invalid         intValue = the offending character
//   1     left paren      intValue = the tag character that follows "("
//   2     right paren     -
//   3     comma           -
//   4     integer         intValue = signed 32-bit value
//   5     string          valString (NUL-terminated), length = characters + 1
//   6     binary object   binValue, length = number of bytes
//   7     end of input    -
//
// Text body on the wire (after the opening double quote, up to the closing one):
//   printable ASCII 0x20..0x7E        kept as is
//   any other byte (line breaks too)   dropped: layout only
//   \ h h  (two hexadecimal digits)    one byte, high digit first
//   \ n                                line feed
//   \ c    (any other c)               c itself (\" and \\ included)
//
// Binary body on the wire (after "~" and the hexadecimal byte count):
//   "z"                                a 32-bit word of 0
//   c0 c1 c2 c3 c4 (c0 in "!".."u")    word = sum (ci - 33) * 85^(4-i)
//   any other character                ignored (line breaks)
//   then one optional line feed and the closing "~".
// Words are stored little-endian, so the byte order inside a group is the reverse
// of the usual ASCII85 order. The body is valid only when every announced word
// arrived and "~" follows.
//
// Reading a text grows its buffer by 80 characters while it is short and by
// doubling once it is long, so a long string costs linear time.
//
// Invariants: valString always has capacity + 1 characters when it exists; the
// decoded bytes of a binary object live in a buffer of whole 32-bit words, and
// that buffer is only as large as the words that actually arrived, however many
// bytes the count announces.
#ifndef MAPTEXT_KM_TOKEN_H
#define MAPTEXT_KM_TOKEN_H

#include <istream>
#include <memory>

#include "platform/windows_types.h"

class KMToken {
 public:
  enum Type {
    INVALID = 0,
    LEFT_PAREN = 1,
    RIGHT_PAREN = 2,
    COMMA = 3,
    INTEGER = 4,
    STRING = 5,
    BINARY = 6,
    END_OF_INPUT = 7
  };

  // How many characters growValString(0) adds at a time.
  static constexpr ULONG GROW_STEP = 80;

  KMToken();
  ~KMToken();
  KMToken(const KMToken&) = delete;
  KMToken& operator=(const KMToken&) = delete;

  // n == 0: grows the text buffer by GROW_STEP characters; otherwise makes it
  // exactly n characters when it is smaller. The old contents are kept.
  void growValString(ULONG n);
  // Grows the text buffer to n characters only when it is smaller.
  void makeRoom(ULONG n);

  // Reads a text body after its opening double quote. Returns true when the
  // closing quote was found (the token is then a string), false when the input
  // ended first (the token is then invalid).
  bool readCString(std::istream* in);
  // Reads a binary body of nbytes bytes (the count already read). Returns true
  // when it is well formed (the token is then a binary object), false otherwise
  // (the token is then invalid and holds no bytes).
  bool readAscii85(std::istream* in, ULONG nbytes);

  // s = the text when this is a string, else null; true when s is null.
  bool value(char*& s);
  // p = the bytes when this is a binary object, else null; true when p is null.
  bool value(void*& p);
  // Copies min(n, length - 1) characters of a string and a NUL into buf (buf
  // must hold n + 1 characters); for other types only the NUL. True when
  // exactly n characters were copied.
  bool value(char* buf, ULONG n);

  // Hands the decoded bytes of a binary object over to the caller (null when
  // there are none); the token keeps its type and length.
  std::unique_ptr<unsigned char[]> takeBinValue();

  // Forgets any value and sets the type (used by the lexer for the value-less
  // tokens and by callers that build tokens to write).
  void set(int type, LONG intValue = 0);
  // Makes this a string token holding a copy of the first n bytes of text.
  void setString(const char* text, ULONG n);
  // Makes this a binary token holding a copy of n bytes.
  void setBinary(const void* data, ULONG n);

  // The system's consistency check; true when the invariants hold.
  bool classInvarient(const char* file, int line) const;

  int type;
  // Owned text buffer of capacity + 1 characters (null until first used).
  std::unique_ptr<char[]> valString;
  ULONG capacity;
  LONG intValue;
  ULONG length;
  // Owned decoded bytes of the current binary object, in whole 32-bit words.
  std::unique_ptr<unsigned char[]> binValue;
};

#endif  // MAPTEXT_KM_TOKEN_H
