// tvx_nexil.h: the tool's application object. The core opens books, builds
// pages and writes them back only through the application; tvx opens each
// book as a plain DB, keeps it open while the command runs, and makes a
// TvxPageWindow (tools/tvx/tvx_page_window.h) for every page the core reads,
// holding the page body as the map text it is.
//
// It is also the tool's error handler: errors and warnings that the libraries
// report become "tvx: " lines on standard error (they are logged as well);
// traces, notes and information are only logged.
#ifndef TOOLS_TVX_TVX_NEXIL_H
#define TOOLS_TVX_TVX_NEXIL_H

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "core/db.h"
#include "core/nexil.h"
#include "kit/error.h"

class TvxPageWindow;

class TvxNexil : public Nexil, public ErrorHandler {
 public:
  TvxNexil();
  ~TvxNexil() override;

  // Opens the book file `name` as a DB with the given open flags and share
  // mode and keeps it open; 0, or -1 when it could not be opened (already
  // reported by the book database).
  int addDB(DBRef& into, const char* net, const char* name, int openFlags, int share) override;
  int findDB(DBRef& into, const char* net, const char* name) override;
  Node* getDisplayedNode(NodeRef&) override { return nullptr; }
  // Reads the whole body stream into a new page window; the page is owned by
  // that window, which this application keeps until it closes.
  Node* instantiateNode(std::iostream* body, NodeRef& ref) override;
  // Writes the page window's text to `body`; 0, or -1 without a window.
  int saveNode(std::iostream& body, Node& node) override;
  int loadNode(TWindow*, NodeRef&, int, int, TRect*, bool) override { return -1; }
  // A window for a new page of `type` named `name` in the current book.
  NodeWindow* makeNodeWindow(DB* db, const char* type, const char* name) override;

  int handleError(char kind, const char* text) override;

  // Closes every page window and lets go of every book.
  void closeAll();

  // Number of errors and warnings reported so far.
  int reported() const { return reported_; }

 private:
  std::vector<std::unique_ptr<TvxPageWindow>> windows_;
  std::vector<DBRef> books_;
  int reported_ = 0;
};

#endif  // TOOLS_TVX_TVX_NEXIL_H
