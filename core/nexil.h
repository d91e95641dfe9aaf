// The hypertext core's application object: the user's identity and settings from
// the profile, the current book, the two display fonts, and the factory through
// which the core opens books and builds, writes and shows pages. The core never
// knows how a page looks: book creation and lookup and everything about page
// windows are left to a derived application (the plug-in's, or a tool's).
//
// Profile settings, section "NEXIL":
//
//   KEY                   KIND   DEFAULT      USE
//   UserID                text   NOUSER       user.second
//   NodeID                text   UNDEFINED    user.first; the local network node
//   RootDirectory         text   (empty)      a separator is appended when missing
//   Root                  text   nexil.db     merged with the root directory
//   InitFile              text   nexil.ini    merged with the root directory
//   Backup                int    1            nonzero: page saves back up first
//   LowMemThreshholdKB    int    2000         x 1000 = lowMemThreshold in bytes
#ifndef CORE_NEXIL_H
#define CORE_NEXIL_H

#include <iosfwd>
#include <vector>

#include "core/db.h"
#include "core/id.h"
#include "kit/string.h"
#include "platform/win/windows_gdi.h"
#include "platform/windows_types.h"

class Node;
class NodeRef;
class NodeWindow;
class TRect;
class TWindow;

class Nexil {
 public:
  enum fontTypes { font0 = 0, font1 = 1 };
  // The number stamped into every new book.
  static const ULONG Version = 1568;
  enum Flags : ULONG { BackupFlag = 0x1 };

  // Reads the profile and builds the fonts.
  Nexil();

  // ---- Virtual operations, in slot order ----
  virtual void classInvarient(const char* file, int line);
  // Creates and registers a book object bound to `into`; 0 on success.
  virtual int addDB(DBRef& into, const char* net, const char* name, int openFlags, int share) = 0;
  // Binds `into` to an already open book and returns 0, or returns nonzero.
  virtual int findDB(DBRef& into, const char* net, const char* name) = 0;
  virtual DB* currentDB();
  virtual DB* setCurrentDB(const char* net, const char* name, int openFlags, int share);
  virtual DB* setCurrentDB(DB* db);
  // Runs the page reference dialog in directory mode: 0 OK, 1 Cancel or failure.
  virtual int setDirRef(TWindow* parent, NodeRef& ref, Nexil& app, int* flag);
  // The page currently shown for a reference, or null.
  virtual Node* getDisplayedNode(NodeRef& ref) = 0;
  // Builds a page from its body stream. The stream stays the caller's:
  // NodeRef::getNode hands it to the page's window afterwards, or closes it.
  virtual Node* instantiateNode(std::iostream* body, NodeRef& ref) = 0;
  // Writes a page to its body stream; 0 on success.
  virtual int saveNode(std::iostream& body, Node& node) = 0;
  // Opens and shows a page.
  virtual int loadNode(TWindow* parent, NodeRef& ref, int x, int y, TRect* from, bool show) = 0;
  // Makes a window for a new page of the given type and name.
  virtual NodeWindow* makeNodeWindow(DB* db, const char* type, const char* name) = 0;
  virtual ~Nexil();
  // The books open now, for the page reference dialog's book list: here the
  // current book alone; an application that keeps a table of books lists them all.
  virtual void openDBs(std::vector<DB*>& out);

  Nexil(const Nexil&) = delete;
  Nexil& operator=(const Nexil&) = delete;

  static ULONG version() { return Version; }
  // True when `net` is this node's identity, the empty text or "UNDEFINED".
  bool isLocal(const char* net) const;
  // Finds an open book or opens one: 0 on success, 2 for a network book.
  int getDB(DBRef& into, const char* net, const char* name, int openFlags, int share);

  HFONT font(int which) const;
  const LOGFONT& logFont(int which) const;

  const ID& user() const { return user_; }
  const String& rootDictionary() const { return rootDictionary_; }
  const String& initFile() const { return initFile_; }
  const String& rootDirectory() const { return rootDirectory_; }
  ULONG flags() const { return flags_; }
  ULONG lowMemThreshold() const { return lowMemThreshold_; }

  // The settings as the options dialog changes them (it writes the profile).
  void setUser(const ID& user) { user_ = user; }
  void setRootDictionary(const String& path) { rootDictionary_ = path; }
  void setInitFile(const String& path) { initFile_ = path; }
  // `dir` gets a separator appended when it lacks one, as the profile's does.
  void setRootDirectory(const String& dir);
  void setFlags(ULONG flags) { flags_ = flags; }
  void setLowMemThreshold(ULONG bytes) { lowMemThreshold_ = bytes; }

 protected:
  DBRef current_;

 private:
  void readProfile();

  ID user_;
  String rootDictionary_;
  String initFile_;
  String rootDirectory_;
  HFONT fonts_[2] = {nullptr, nullptr};
  LOGFONT logFonts_[2];
  ULONG flags_ = 0;
  ULONG lowMemThreshold_ = 0;
};

#endif  // CORE_NEXIL_H
