// The plug-in's book manager: the application object through which the core
// opens books and turns pages into windows. One exists per process (the
// plug-in library makes it as it loads); `current()` reaches it.
//
// Books: every book it opens is an OrvaneDB, kept in an indexed table whose
// slot is emptied when the book goes. Pages: an ordinary page becomes a Node
// shown in an OrvaneNode (the plug-in's page window, read from the page's body
// stream); the type page becomes a TypeNode. Loading a page is the current main
// window's work (an OrvaneWindow); without one nothing is loaded.
//
// Profile, section "Tavix: Netscape Plugin": "LastOpenBook" (text, default
// empty) names the book the open and save dialogs start from; it is read here
// and never written.
#ifndef PLUGIN_ORVANE_NEXIL_H
#define PLUGIN_ORVANE_NEXIL_H

#include <iosfwd>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/nexil.h"
#include "kit/string.h"
#include "plugin/orvane_find_history.h"

class OrvaneDB;
class OrvaneWindow;
class TWindow;
class ViewNode;

// What the open and save dialogs start from.
struct BookFileDialogData {
  std::string filter;
  std::string defaultExtension;
  std::string fileName;
  std::string initialDirectory;
};

class OrvaneNexil : public Nexil {
 public:
  static constexpr const char* ProfileSection = "Tavix: Netscape Plugin";
  static constexpr int MaxPath = 260;

  OrvaneNexil();
  ~OrvaneNexil() override;

  // The book manager of the process: the most recently made one still alive.
  static OrvaneNexil* current();

  void classInvarient(const char*, int) override {}
  int addDB(DBRef& into, const char* net, const char* name, int openFlags, int share) override;
  // The last open book (in table order) named so; 0 found, 1 none.
  int findDB(DBRef& into, const char* net, const char* name) override;
  using Nexil::setCurrentDB;
  Node* getDisplayedNode(NodeRef&) override { return nullptr; }
  Node* instantiateNode(std::iostream* body, NodeRef& ref) override;
  int saveNode(std::iostream& body, Node& node) override;
  // Loads through the current main window (an OrvaneWindow).
  int loadNode(TWindow* parent, NodeRef& ref, int option, int unused, TRect* from, bool show) override;
  // Refused in the plug-in (reported), null.
  NodeWindow* makeNodeWindow(DB* db, const char* type, const char* name) override;

  // The book has gone: its slots are emptied.
  void deregisterDB(DB* db);
  const String& typesFileName() const { return typesFileName_; }
  void setTypesFileName(const char* text) { typesFileName_ = String(text != nullptr ? text : ""); }
  // The current book stops being current when it is shut down.
  void shutdownDB(DB* db);
  // A dialog record with a file name starts in that file's folder instead.
  static void syncFileData(BookFileDialogData& data);

  // The window pages are loaded into (the plug-in's current main window), or null.
  TWindow* mainWindow() const { return mainWindow_; }
  void setMainWindow(TWindow* w) { mainWindow_ = w; }
  // The window new page windows are made children of.
  TWindow* parentWindow() const { return mainWindow_; }

  const std::vector<OrvaneDB*>& books() const { return books_; }
  // Every book open now, in table order.
  void openDBs(std::vector<DB*>& out) override;
  // The page the main window loaded last (null after a failure).
  Node* lastLoaded() const { return lastLoaded_; }
  void setLastLoaded(Node* n) { lastLoaded_ = n; }
  // Hands over the page window made for `node` by instantiateNode (null when
  // there is none): the caller owns it from now on.
  ViewNode* claimWindow(Node* node);
  // How many page windows are made and not yet claimed.
  std::size_t unclaimedCount() const { return unclaimed_.size(); }
  BookFileDialogData& openFileData() { return openFileData_; }
  BookFileDialogData& saveFileData() { return saveFileData_; }
  // The texts recently looked for.
  OrvaneFindHistory& findHistory() { return findHistory_; }

 private:
  std::vector<OrvaneDB*> books_;  // not owned: a book lives while references to it do
  String typesFileName_;
  OrvaneFindHistory findHistory_;
  BookFileDialogData openFileData_;
  BookFileDialogData saveFileData_;
  TWindow* mainWindow_ = nullptr;
  Node* lastLoaded_ = nullptr;
  // Page windows made and not yet taken by a main window.
  std::vector<std::unique_ptr<ViewNode>> unclaimed_;
  // The texts the type pages were read from, kept while the pages live.
  std::vector<std::unique_ptr<std::stringstream>> typeBodies_;
  OrvaneNexil* previous_ = nullptr;  // the manager current before this one
};

#endif  // PLUGIN_ORVANE_NEXIL_H
