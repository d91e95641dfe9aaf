// The map text token writer: the reverse of KMLex.
//
// KMXel writes lists, separators, integers, strings and binary objects in the
// forms KMLex reads, with optional indentation (pretty printing adds a line feed
// and one blank per nesting level before each opening paren; readers ignore it).
//
//   item            written as
//   list open       "(" tag                      (pretty: LF + depth blanks first)
//   list close      ")"
//   separator       ","
//   integer         lower-case hex; a blank first when the previous item was an
//                   integer; negatives as eight-digit two's complement
//   offset          exactly eight zero-filled hex digits (patched later in place)
//   string          '"' body '"': \" \\ escaped, LF as "\n" + LF, other bytes
//                   outside 0x20..0x7E as \hh; a LF is inserted whenever 78
//                   characters are on the line (readers drop it)
//   binary object   LF "~" count(hex) LF, then little-endian 32-bit words, 16 to
//                   a line ("z" for 0, else five characters "!"+digit, most
//                   significant base-85 digit first), each line ending in LF,
//                   then "~" LF
//
// writeEOF() cuts a file at the current output position so that rewriting a
// shorter map text over a longer one leaves no stale tail.
#ifndef MAPTEXT_KM_XEL_H
#define MAPTEXT_KM_XEL_H

#include <istream>
#include <memory>
#include <ostream>
#include <string>

#include "maptext/km_token.h"
#include "platform/windows_types.h"

class KMXel {
 public:
  // Creates or truncates the file for writing; on failure no stream.
  explicit KMXel(const char* path);
  // Writes to `out` (not owned) when its state is good; otherwise no stream.
  explicit KMXel(std::ostream& out);
  // No stream: every write does nothing.
  KMXel();
  // Flushes and closes an owned file.
  virtual ~KMXel();
  KMXel(const KMXel&) = delete;
  KMXel& operator=(const KMXel&) = delete;

  void flush();

  void writeOpenList(char tag);
  void writeCloseList();
  void writeSeparator();

  // An integer in lower-case hexadecimal (a blank first after another integer).
  void write(LONG value);
  // Like write(LONG) but exactly eight hexadecimal digits, zero-filled.
  void writeOffset(LONG value);
  // Like writeOffset; `mark` = the output position of the eight digits.
  void writeAndMark(LONG value, LONG& mark);
  // Overwrites the eight digits at `mark` and returns to the current position.
  void writeAtMark(LONG value, LONG mark);
  // A quoted string (null writes nothing).
  void write(const char* text);
  // A quoted string of the first n bytes of text (NULs written as \00).
  void writeString(const char* text, ULONG n);
  // A binary object of nbytes bytes.
  void write(const void* data, LONG nbytes);
  // A token in its own form; invalid as 0x3F, end of input as -1, any other
  // type as 0x21.
  void write(KMToken& token);

  // Raw bytes, unchanged.
  void writeBytes(const char* text);
  void writeBytes(const char* text, int n);
  // indent(), then the whole of `in` verbatim (null writes nothing).
  void writeStream(std::istream* in);
  // A line feed and one blank per nesting level.
  void indent();

  // Truncates the output file at the current position (file streams only).
  void writeEOF();

  void setPrettyPrint(int on) { prettyPrint = on ? 1 : 0; }
  int getPrettyPrint() const { return prettyPrint; }
  int getDepth() const { return depth; }
  bool getNeedSpace() const { return needSpace; }
  std::ostream* stream() const { return out; }
  bool isOpen() const { return out != nullptr; }
  // The current output position, or -1 without a stream.
  LONG position() const;

  bool classInvarient(const char* file, int line) const;

 protected:
  std::ostream* out;
  bool needSpace;
  int16_t prettyPrint;
  int16_t depth;
  bool ownsStream;

 private:
  void put(char c);
  std::unique_ptr<std::ostream> owned;
  // The file an owned stream writes to (writeEOF cuts it by name).
  std::string ownedPath;
};

#endif  // MAPTEXT_KM_XEL_H
