// KMExtensionScanner: walks the top-level blocks of a stream of extension blocks.
#include "maptext/km_extension_scanner.h"

#include <ostream>

namespace {

// Bytes moved per step when a removed block's tail is copied down.
const int kCopyChunk = 4096;

}  // namespace

KMExtensionScanner::KMExtensionScanner(std::istream& s) : KMLex(s) {}

LONG KMExtensionScanner::findExt(LONG app, LONG id) {
  if (!in || !in->rdbuf()) return -1;
  in->clear();
  requeued = false;
  if (in->rdbuf()->pubseekpos(0, std::ios::in) != std::streampos(0)) return -1;
  // Each pass consumes at least one token and the end of input ends the walk;
  // a stream gone bad yields only invalid tokens, so that ends it too.
  for (;;) {
    LONG start = position();
    int t = readKMToken();
    if (t == KMToken::END_OF_INPUT) return -1;
    if (t == KMToken::INVALID && (in->rdstate() & std::ios::badbit)) return -1;
    if (t != KMToken::LEFT_PAREN) continue;
    if (tok.intValue != 'e') {
      scanToCloseParen();  // some other block: skip it whole
      continue;
    }
    // The head of a matching block: app "," id ",". Stop at the first token
    // that differs, then skip the rest of the block from there.
    bool match = (t = readKMToken()) == KMToken::INTEGER && tok.intValue == app &&
                 (t = readKMToken()) == KMToken::COMMA &&
                 (t = readKMToken()) == KMToken::INTEGER && tok.intValue == id &&
                 (t = readKMToken()) == KMToken::COMMA;
    if (match) return start;
    if (t == KMToken::END_OF_INPUT) return -1;
    if (t == KMToken::RIGHT_PAREN) continue;  // that token closed the block
    if (t == KMToken::LEFT_PAREN) requeueKMToken();  // a nested list: count it too
    scanToCloseParen();
  }
}

int KMExtensionScanner::removeExt(LONG app, LONG id) {
  LONG start = findExt(app, id);
  if (start < 0) return -1;
  std::ostream* out = dynamic_cast<std::ostream*>(in);
  if (!out) return -1;
  scanToCloseParen();  // the rest of the found block
  LONG end = position();
  if (end < start) return -1;
  std::streambuf* sb = in->rdbuf();
  char buf[kCopyChunk];
  // Bounded by the stream's length: each step moves the read point forward by
  // the bytes it got, and a step that gets none ends the copy.
  std::streamoff from = end;
  std::streamoff to = start;
  for (;;) {
    if (sb->pubseekpos(from, std::ios::in) != std::streampos(from)) return -1;
    std::streamsize n = sb->sgetn(buf, kCopyChunk);
    if (n <= 0) break;
    if (sb->pubseekpos(to, std::ios::out) != std::streampos(to)) return -1;
    if (sb->sputn(buf, n) != n) return -1;
    from += n;
    to += n;
  }
  if (sb->pubsync() != 0) return -1;
  out->flush();
  return 0;
}
