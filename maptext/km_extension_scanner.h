// Finds and removes one extension block in a stream of extension blocks.
//
// Extension blocks are the "(e" lists that map text keeps for applications:
//
//   (e app , id , ...anything... )
//
// where app names the application that wrote the block and id the block's kind
// within it. A stream of them holds such blocks back to back (other top-level
// tokens between them are skipped). The scanner walks the top-level blocks
// without recursion; every step consumes at least one token and the end of the
// input ends the walk, so a hostile stream costs at most its own length.
#ifndef MAPTEXT_KM_EXTENSION_SCANNER_H
#define MAPTEXT_KM_EXTENSION_SCANNER_H

#include <istream>

#include "maptext/km_lex.h"
#include "platform/windows_types.h"

class KMExtensionScanner : public KMLex {
 public:
  // Scans `s` (not owned). removeExt also needs it to be writable (an iostream).
  explicit KMExtensionScanner(std::istream& s);

  // Rewinds the stream and returns the input position at which the first block
  // that begins "(e" app "," id "," starts (the layout before its "(" included),
  // or -1 when no block matches before the end.
  LONG findExt(LONG app, LONG id);
  // Removes the block findExt finds by copying every following byte down to its
  // start, then flushes. The stream keeps its old length; the caller truncates
  // it. Returns 0, or -1 when the block was not found or the stream cannot be
  // written.
  int removeExt(LONG app, LONG id);
};

#endif  // MAPTEXT_KM_EXTENSION_SCANNER_H
