// tvx_common.h: what every tvx command shares: reading its command line,
// reporting in the program's one-line form, opening a book for reading or for
// writing, finding a page by ID or name, walking a book's entries, and writing
// JSON for scripts.
//
// Reporting: every message is one line on standard error starting "tvx: ";
// usage errors end with a pointer to the command's --help and give status 2,
// failures give status 1.
#ifndef TOOLS_TVX_TVX_COMMON_H
#define TOOLS_TVX_TVX_COMMON_H

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/db.h"
#include "kit/json_text.h"
#include "platform/windows_types.h"
#include "tools/tvx/tvx_nexil.h"

// ---- Exit status ----
const int kExitOk = 0;
const int kExitFailure = 1;
const int kExitUsage = 2;

// ---- Command line ----

// One option a command accepts: "--name", with or without a value, and the
// line its command's help gives it.
struct OptionSpec {
  const char* name;   // without the leading "--"
  const char* value;  // the value's placeholder ("TYPE"); null for an option without one
  const char* help;   // what the option does, for the command's help
  char letter = 0;    // a one-letter form ("-o"), or 0 for none
  bool takesValue() const { return value != nullptr; }
};

struct CommandLine {
  std::vector<std::string> args;              // the positional arguments, in order
  std::map<std::string, std::string> values;  // options given with a value
  std::set<std::string> flags;                // options given without one
  bool help = false;                          // --help or -h was given

  bool has(const char* option) const { return flags.count(option) != 0 || values.count(option) != 0; }
  // The option's value, or `fallback` when it was not given.
  std::string value(const char* option, const std::string& fallback) const;
};

// Reads argv[1..argc-1] of a command (argv[0] is its name): "--name VALUE",
// "--name=VALUE" and "--flag" for the options in `specs`, "--" ending the
// options, everything else positional ("-" alone is positional: standard
// input). Returns kExitOk, or kExitUsage after reporting an unknown option or
// a missing value.
int parseCommandLine(int argc, char** argv, const std::vector<OptionSpec>& specs,
                     CommandLine& out);

// "tvx: CMD: <message> (try "tvx CMD --help")"; returns kExitUsage.
int usageError(const char* command, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
// "tvx: <message>"; returns kExitFailure.
int failure(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Checks the positional count: between `least` and `most` arguments, else a
// usage error. Returns kExitOk or kExitUsage.
int expectArgs(const char* command, const CommandLine& cl, std::size_t least, std::size_t most);

// Checks a page name or a type given on the command line: at most 256 bytes
// (what an entry header keeps) and without "#@" or "#$" (which would split the
// page references that links store). Returns kExitOk, or kExitUsage after
// reporting.
int checkEntryText(const char* command, const char* what, const std::string& text);

// ---- Books ----

// One book opened for the life of a command, through the tool's application.
class BookSession {
 public:
  BookSession() = default;
  ~BookSession();
  BookSession(const BookSession&) = delete;
  BookSession& operator=(const BookSession&) = delete;

  // Opens the book file read-only (open flags 0, share 0x40: others may go on
  // writing) or for writing (open flags 2, share 0x20: the book's own file
  // stays locked against other writers, the work goes to a copy until
  // commit). Returns kExitOk, or kExitFailure after reporting.
  int openForReading(const std::string& path);
  // For writing, the book is first checked for the damage that would make an
  // edit lose another page's data (core/book_edit_check.h: here its ID table,
  // through checkEntries the entries the command changes). A damaged book is
  // refused with the integrity check's first problems, unless `force`: then it
  // is edited with a warning, and the store still never frees a record that
  // another ID names.
  int openForWriting(const std::string& path, bool force);
  // The edit check of the entries the command is about to change (IDs that do
  // not exist are passed over). kExitOk, or kExitFailure after refusing.
  int checkEntries(const std::vector<ULONG>& ids);
  // Moves the work into the book file; kExitOk, or kExitFailure after reporting.
  int commit();

  DB& db() const { return *db_; }
  TvxNexil& app() { return app_; }
  const std::string& path() const { return path_; }

 private:
  int open(const std::string& path, int flags, int share);
  // A damaged book found by the edit check (`found`: its first problem):
  // kExitFailure after the refusal, or kExitOk after a warning with --force.
  int refuseDamaged(const std::string& found);

  TvxNexil app_;
  DB* db_ = nullptr;  // held by the application while it is open
  std::string path_;
  bool force_ = false;
  bool warned_ = false;
};

// The option every editing command takes: edit a damaged book all the same.
extern const OptionSpec kForceOption;

const ULONG kNoEntry = 0xFFFFFFFFu;

// Kind bits of an entry.
const ULONG kKindPage = 0x1;
const ULONG kKindLink = 0x2;
const ULONG kKindTypePage = 0x4;
const ULONG kKindHome = 0x8;

// True for the kind word of a link entry; every other entry is a page (the
// type page included).
inline bool isLinkKind(ULONG kind) { return (kind & (kKindPage | kKindLink)) == kKindLink; }

struct EntryInfo {
  ULONG id;
  ULONG kind;
};

// Every entry of the book in store order (the walk is bounded by the book's
// ID table).
std::vector<EntryInfo> allEntries(DB& db);

// The page a command-line PAGE names: an ID (decimal digits) of an existing
// page entry, else the first page of that name; kNoEntry when none.
ULONG findPage(DB& db, const std::string& text);
// Finds PAGE or reports "tvx: no page 'TEXT' in BOOK"; kNoEntry when none.
ULONG findPageOrReport(BookSession& book, const std::string& text);

// The home page: the first entry whose kind has the page and home bits; kNoEntry when none.
ULONG findHomePage(DB& db);

// Reads one facet's record whole into `out` ("" for an empty facet). False
// when the facet names a record that cannot be opened or reads short (a
// damaged book); `out` then holds what could be read.
bool readFacet(DB& db, ULONG id, int facet, std::string* out);
// True when the facet names a record (whether or not it can be read).
bool facetNamesRecord(DB& db, ULONG id, int facet);

// How fragmented a book's file is: the ID table's record and every record
// named by a facet of every entry are read from start to end, and the index is
// the number of blocks visited per record read: the chain's opening visits its
// first block and each chain step visits one more. A book whose records are
// one block each has index 1.00; each extra block a record is split into adds
// to it. `unreadable` counts records that could not be read (left out).
struct Fragmentation {
  double index = 1.0;
  ULONG records = 0;
  ULONG unreadable = 0;
};
Fragmentation measureFragmentation(DB& db);

// ---- Input and output ----

// The most bytes read from a file or standard input as a page body.
const std::size_t kMaxInputBytes = 64u << 20;

// Reads a whole file ("-": standard input) of at most kMaxInputBytes; false
// with a reason when it cannot.
bool readInput(const std::string& path, std::string* out, std::string* why);

// jsonString (a JSON string literal for any bytes) comes from kit/json_text.h.

// "1 page", "2 pages": a count with its noun in the right number.
std::string counted(unsigned long long n, const char* one, const char* many);

// True when `text` is a whole decimal number that fits 32 bits unsigned.
bool parseULong(const std::string& text, ULONG* value);

#endif  // TOOLS_TVX_TVX_COMMON_H
