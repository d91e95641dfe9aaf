// A find at work: the options (TFindOptions) plus what the search needs once it
// is set up (the match function and the pattern it matches with, the book, the
// book manager, the progress dialog) and the pages it has found.
//
// Matching. The pattern is the find text, lower-cased when the search ignores
// case; the text is lower-cased the same way before it is compared. Lower-casing
// is the single-byte rule: 'A'..'Z' become 'a'..'z', every other byte stays.
// A substring match finds the pattern anywhere. A whole-word match looks at the
// first occurrence only: it matches when neither the byte before it nor the
// byte after it is a letter or digit ('A'..'Z', 'a'..'z', '0'..'9'); the start
// and the end of the text count as neither. So "big cat" has the word "cat",
// "cats cat" has not.
//
// Invariant: isInstantiated() holds once TopicGrep::Setup has run on a
// non-empty find text with a book and a book manager set; only then does a
// search run. Results hold each page at most once, in the order found.
#ifndef PLUGIN_T_FIND_PARAMS_H
#define PLUGIN_T_FIND_PARAMS_H

#include <string>
#include <vector>

#include "core/db.h"
#include "kit/string.h"
#include "plugin/t_find_options.h"

class Nexil;
class TFindingDialog;

class TFindParams : public TFindOptions {
 public:
  // Nonzero when `text` holds `pattern` (both NUL-terminated, neither null).
  typedef int (*MatchFn)(const char* text, const char* pattern);

  // One page found.
  struct Result {
    ULONG id;
    String name;
    String type;
  };

  TFindParams() : pattern("") {}

  // The book, a match function and the book manager are set and the pattern
  // is not empty.
  bool isInstantiated() const;
  // Whether `text` matches (null never does); 0 before a match function is set.
  int match(const char* text) const;

  // The four match functions (see the file comment).
  static int substring(const char* text, const char* pattern);
  static int wholeWord(const char* text, const char* pattern);
  static int substringIgnoringCase(const char* text, const char* pattern);
  static int wholeWordIgnoringCase(const char* text, const char* pattern);
  // Where the pattern first occurs in `text` (compared as the search compares,
  // ignoring case or not): its byte offset, or -1 when it does not occur.
  LONG firstOffset(const char* text) const;
  // Where the pattern next occurs in `text` at or after byte `from`, as a
  // find-next goes on through an edited text: ignoring case or not, and with
  // the whole-word option only at word boundaries. -1 when it does not.
  LONG nextOffset(const char* text, LONG from) const;
  // `text` lower-cased by the single-byte rule.
  static std::string lowered(const char* text);

  MatchFn matchFn = nullptr;
  DBRef book;  // let go of before the book manager that opened the book goes
  Nexil* bookManager = nullptr;  // not owned
  String pattern;
  TFindingDialog* dialog = nullptr;  // owned by the TopicGrep that made it
  std::vector<Result> results;
  // Pages whose contents were to be searched but could not be read (a page
  // whose map text does not read, a page that could not be opened): passed
  // over and counted here.
  ULONG unreadable = 0;
};

#endif  // PLUGIN_T_FIND_PARAMS_H
