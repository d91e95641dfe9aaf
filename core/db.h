// One open book: a middle-level store on which every page and every link is an
// ID with facets. DB hides the store behind page- and link-level operations and
// owns the policy for opening a book.
//
// Book layout on the store (the on-disk contract of a book file):
//
//   store signature "#NXST#", version 1568, 6 facets per ID, 128 hash buckets,
//   opened by this system with share mode 0x20 (others may read, not write).
//
//   ID kind (the ID's flags word): 1 page, 2 link (further bits may be set on a
//   page, such as 8 on the home page).
//
//   FACET  PAGE                         LINK                SIZE HINT
//   0      entry header                 entry header        name + type + 30
//   1      page body (map text)         link record         1024 / 256
//   2      link list                    -                   0
//   3      attribute list               attribute list      1024
//   4, 5   unused
//
//   Entry header: the name bytes, a NUL, the type bytes, a NUL, then the flags
//   as unsigned decimal digits with no terminator. A link's name is empty.
//   Attribute list: map-text pairs (V"name","value") followed by ")" and a line end.
//
// Open states (the life cycle of a DB):
//
//   STATE        WORKING STORE ON              LOCK STORE
//   new book     a temporary file              none
//   writable     a temporary copy of the book  the book file (flags 2, share 0x20)
//   read-only    the book file itself          none
//
// commit() moves a writable book's work to its file atomically: the working
// store is flushed, copied to a new file beside the book, synced, and renamed
// over the book; only then is the lock taken again. A failure at any step leaves
// the book file as it was. The temporary working file is removed when the book
// closes (also after a failed open), never the book file itself. While it
// exists this process claims it; before making its own, an open for writing
// removes the working files that dead editors left in the temporary folder
// (platform/io/work_file_claim.h).
//
// DBRef handles own a DB: it lives until the last handle lets go.
#ifndef CORE_DB_H
#define CORE_DB_H

#include <functional>
#include <iosfwd>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/attr_value_list.h"
#include "core/entry_header_cache.h"
#include "kit/string.h"
#include "platform/windows_types.h"
#include "store/handle_map.h"

class DBRef;
class ErrorMsgException;
class MiddleLevelStore;
class Nexil;
class PendingCopy;
class WorkFileClaim;
class WrittenRanges;

class DB {
 public:
  // The layout constants of a book.
  static const char Signature[];  // "#NXST#"
  static const ULONG Version = 1568;
  static const int Facets = 6;
  static const int Buckets = 128;
  static const int DefaultShare = 0x20;
  enum Kind : ULONG { KindNode = 1, KindLink = 2 };
  enum Facet { EntryHeader = 0, Body = 1, LinkList = 2, Attributes = 3 };

  // Opens (fileName given) or creates (fileName null) a book. Throws the store's
  // exception, or ErrorMsgException-family BookOpenFailure, when it cannot; the
  // failure has been reported through error() by then.
  DB(Nexil& app, const char* netAddress, const char* fileName, int openFlags, int share,
     const char* namePrefix = "Book");

  // ---- Virtual operations, in slot order ----
  virtual void classInvarient(const char* file, int line);
  virtual ~DB();
  virtual String netAddress() const { return netAddress_; }
  virtual int hasFile() const { return hasFile_; }
  virtual String bookName() const { return bookName_; }
  // The working file; a copy of the book still landing there is waited for, so
  // that the file named holds the whole book.
  virtual String workPath() const;
  virtual int commit();
  virtual ULONG createNode(const String& name, const String& type, ULONG flags);
  virtual int removeEntry(ULONG id);
  virtual int changeName_Type_Flags(ULONG id, const String* name, const String* type,
                                    const ULONG* flags);
  virtual int createAttribute(ULONG id, const char* name, const char* value);
  virtual int createIntAttribute(ULONG id, const char* name, int value);
  virtual int getAttributeLen(ULONG id, const char* name, int& len);
  virtual int getAttribute(ULONG id, const char* name, char* buf, int& len);
  virtual int getIntAttribute(ULONG id, const char* name, int& value);
  virtual int removeAttribute(ULONG id, const char* name);
  virtual int readAttrs(std::iostream* stream, AttrValueList& list);
  virtual int writeAttrs(std::iostream* stream, const AttrValueList& list);

  // ---- Entries ----
  ULONG createLink(const String& type);
  int clearNodeStream(ULONG id);
  int clearLinkListStream(ULONG id);
  // Reads the entry header; -1 when the ID or its header does not exist.
  int lookupName_Type_Flags(ULONG id, String* name, String* type, ULONG* flags);
  // The first page (in store order) named exactly `name`, or 0xFFFFFFFF.
  ULONG resolveName(const String& name);
  // The kind word of an ID (its store flags), or 0 when the ID does not exist.
  ULONG kind(ULONG id);
  // Sets the kind word of an ID; 0, or -1 when it does not exist.
  int setKind(ULONG id, ULONG kind);

  // Calls fn(id, name, type, flags, data) for every entry of `kind` (1 pages,
  // 2 links) in store order until fn returns nonzero.
  typedef int (*EntryFn)(ULONG id, const String& name, const String& type, ULONG flags,
                         void* data);
  void doUntilEntry(EntryFn fn, void* data, ULONG kind);
  void doUntilNode(EntryFn fn, void* data) { doUntilEntry(fn, data, KindNode); }
  void doUntilLink(EntryFn fn, void* data) { doUntilEntry(fn, data, KindLink); }

  // ---- Streams (the caller owns the stream; null when there is none) ----
  std::unique_ptr<std::iostream> getNodeStream(ULONG id, int create);
  std::unique_ptr<std::iostream> getLinkListStream(ULONG id, int create);
  std::unique_ptr<std::iostream> getLinkStream(ULONG id, int create);
  std::unique_ptr<std::iostream> getAttrStream(ULONG id, int create);
  bool isBodyEmpty(ULONG id);

  // ---- Identity ----
  // netAddress, "#@", bookName.
  String makeString() const;
  bool isNamed(const char* netAddress, const char* name) const;
  bool isLocal() const;
  bool isReadOnly() const;
  // Why a book asked for with write access opened read-only ("" when it did not):
  // another program holds the book for writing, or its working copy could not be
  // made (with the system's reason).
  const std::string& readOnlyReason() const { return readOnlyReason_; }
  int verify() { return 0; }

  // The working store (null when none), for tools that look beneath the book.
  MiddleLevelStore* store() const { return store_.get(); }
  // The fragmentation index so far: chain steps per chain opened (0 when none).
  float fragmentationIndex() const;
  // Checker of the kept entry headers: compares those of `ids` with a plain
  // read of their records; "" when they agree (EntryHeaderCache::check).
  std::string checkKeptEntryHeaders(const std::vector<ULONG>& ids);
  Nexil& app() const { return app_; }
  ULONG refCount() const { return refCount_; }

  // The process-wide counter behind new book names (Book1, Book2 ...).
  static ULONG newBookCounter();

 protected:
  // References the book holds on itself through what it keeps (a kept page
  // names its book). When only those remain nobody else holds the book, and
  // releaseOwnReferences lets them go, which ends the book.
  virtual ULONG ownReferences() const { return 0; }
  // Lets go of what holds the book's own references; the book may be gone
  // when this returns.
  virtual void releaseOwnReferences() {}

 private:
  friend class DBRef;
  void link(DBRef*);
  void unlink(DBRef*);

  void makeTempFileName();
  std::unique_ptr<std::iostream> facetStream(ULONG id, int facet, ULONG sizeHint, int create);
  int writeEntryHeader(ULONG id, const String& name, const String& type, ULONG flags);
  // Keeps a header just written to the record at `handle` when a reader would
  // get the same texts back (EntryHeaderCache, invariant 2).
  void keepWrittenHeader(ULONG id, ULONG handle, bool oneBlock, const String& name,
                         const String& type, ULONG flags);
  ULONG createEntry(ULONG kind, const String& name, const String& type, ULONG flags);
  // Removes a facet (or the whole entry for facet -1); a failure is logged as
  // "Failed to <what> <id>: <reason>" and gives -1.
  int removeQuietly(ULONG id, int facet, const char* what);
  void removeWorkFile();
  // Claims the working file for this process (platform/io/work_file_claim.h).
  void claimWorkFile();
  void offerDefragmentation(float index);

  typedef EntryHeaderCache::Header EntryText;
  // The entry header of `id` held in the record at `handle` (not 0): from the
  // kept headers when `reread` is false and one is kept for that record, else
  // read from the record (and kept unless the read failed). `readFailed`
  // (optional) tells whether a read of the file failed part way (the texts are
  // then what was read before it). Store exceptions (a bad handle) pass
  // through.
  std::shared_ptr<const EntryText> entryText(ULONG id, ULONG handle, bool reread = false,
                                             bool* readFailed = nullptr);
  // Rebuilds the page-name index when the ID table or an entry header changed
  // since it was built; false when it cannot serve (too many pages).
  bool pageNamesCurrent();
  struct EntryWalk;
  static int visitEntryRecord(const ULONG* record, void* context);

  Nexil& app_;
  ULONG refCount_ = 0;
  String netAddress_;
  int hasFile_ = 0;
  String bookName_;
  String workPath_;
  std::unique_ptr<MiddleLevelStore> store_;
  std::unique_ptr<MiddleLevelStore> lockStore_;
  // True when workPath_ names a temporary file of ours (never the book file).
  bool ownsWorkFile_ = false;
  // Held while the working file is ours, so that another editor never takes it
  // for a dead one's leftover.
  std::unique_ptr<WorkFileClaim> workClaim_;
  // The book's bytes landing in the working file after a writable open, until a
  // commit has seen them whole: the working store reads the book file meanwhile
  // and waits for them before it writes (platform/io/pending_copy.h).
  std::shared_ptr<PendingCopy> workCopy_;
  // What the working store wrote to the working file since it last equalled the
  // book, so that a commit copies only that back (platform/io/written_ranges.h).
  std::shared_ptr<WrittenRanges> workWrites_;
  std::string readOnlyReason_;

  // Entry headers already read or written (core/entry_header_cache.h).
  static constexpr std::size_t MaxKeptEntries = EntryHeaderCache::MaxEntries;
  EntryHeaderCache entryHeaders_;
  // Each page name and the first page (in store order) that bears it, from one
  // walk; trusted while the ID table has seen no change and no entry header was
  // written since (both counters as they were when it was built).
  std::unordered_map<std::string, ULONG> pageNames_;
  bool pageNamesBuilt_ = false;
  uint64_t pageNamesTableChanges_ = 0;
  uint64_t pageNamesHeaderWrites_ = 0;
  uint64_t entryHeaderWrites_ = 0;
};

// A counted handle on a DB. The DB is destroyed when its last handle lets go.
class DBRef {
 public:
  explicit DBRef(DB* db = nullptr);
  DBRef(const DBRef& other);
  DBRef& operator=(const DBRef& other);
  virtual void classInvarient(const char* file, int line) const;
  virtual DB* db() const { return db_; }
  virtual void ref(DB* d);
  virtual ~DBRef();

 private:
  DB* db_ = nullptr;
};

#endif  // CORE_DB_H
