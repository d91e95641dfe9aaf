// The window that shows a book one page at a time and opens books: the main
// window of the book manager, whose option fields the page windows read (it is
// their PageHost).
//
// Option fields and their defaults: sizePercent 75 (scaleRect), gridSize 4,
// zoomPercent 100 and the option word 0x304 (0x2 automatic link dialog, 0x4
// glyph colours, 0x10 sounds, 0x800 grid on; 0x100 and 0x200 set by default).
//
// Invariant: at most two page windows live per window: the current one
// (visible) and the previous one (hidden). Loading a third destroys the
// previous one. The page history holds the decimal id of every page loaded,
// oldest first.
#ifndef PLUGIN_ORVANE_WINDOW_H
#define PLUGIN_ORVANE_WINDOW_H

#include <memory>
#include <string>
#include <vector>

#include "core/db.h"
#include "core/nexil_window.h"
#include "graphics/page_host.h"
#include "kit/string.h"

class Node;
class NodeRef;
class OrvaneNexil;
class ViewNode;

class OrvaneWindow : public NexilWindow, public PageHost {
 public:
  OrvaneWindow(TWindow* parent, const char* title, OrvaneNexil& manager, TModule* module = nullptr);
  ~OrvaneWindow() override;

  // ---- Option fields ----
  DWORD options() const override { return options_; }
  void setOptions(DWORD o) { options_ = o; }
  int gridSize() const override { return gridSize_; }
  void setGridSize(int g) { gridSize_ = g; }
  int zoomPercent() const override { return zoomPercent_; }
  void setZoomPercent(int z) { zoomPercent_ = z; }
  int sizePercent() const { return sizePercent_; }
  void setSizePercent(int s) { sizePercent_ = s; }
  // No hot zones: a double click opens a symbol's page.
  ZoneMode zoneMode() const override { return NoHotZones; }
  bool singleWindow() const override { return true; }
  void setStatusField(int, const char*) override {}

  // Inflates `r` about its centre so that each side becomes sizePercent percent
  // of its length.
  void scaleRect(TRect& r) const;

  // Loads the page `ref` names into this window (it becomes the current page;
  // the one shown before is kept hidden) and shows it when `show`. `option` is
  // the page's opening mode (NodeRef::getNode); `from`, when given, the
  // rectangle it is shown in. 0, or -1 when no page could be shown (reported).
  virtual int loadNode(TWindow* parent, NodeRef& ref, int option, int unused, TRect* from, bool show);
  // Makes the book `file` current and, when `wantHomePage`, shows its home
  // page. The book, or null when it could not be opened.
  virtual DB* openBook(const char* file, int openFlags, int share, bool wantHomePage, TRect* animateFrom);

  // The book this window opened last (null before).
  DB* book() const { return book_.db(); }
  ViewNode* currentPage() const { return current_.get(); }
  ViewNode* previousPage() const { return previous_.get(); }
  std::vector<String>& history() { return history_; }
  const std::vector<String>& history() const { return history_; }
  OrvaneNexil& manager() const { return manager_; }
  // The height of the strip of buttons and status below the page.
  static int stripHeight();
  // The file the shown book was read from, when it may be saved elsewhere
  // (the plug-in's temporary copy); null when there is none.
  virtual const char* bookCopyPath() const { return nullptr; }

  void EvSize(UINT sizeType, TSize& size) override;

 protected:
  // Where the page window goes in the client area.
  virtual TRect pageArea() const;
  // Drops both page windows and lets go of the book (the window closes).
  void dropPages();

 private:
  OrvaneNexil& manager_;
  int sizePercent_ = 75;
  int gridSize_ = 4;
  int zoomPercent_ = 100;
  DWORD options_ = 0x304;
  std::unique_ptr<ViewNode> current_;
  std::unique_ptr<ViewNode> previous_;
  std::vector<String> history_;
  DBRef book_;
};

#endif  // PLUGIN_ORVANE_WINDOW_H
