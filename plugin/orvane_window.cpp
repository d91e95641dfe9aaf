// The book manager's main window: pages shown one at a time, books opened
// (see orvane_window.h).
#include "plugin/orvane_window.h"

#include <cstdio>

#include "core/db.h"
#include "core/node.h"
#include "core/node_ref.h"
#include "graphics/view_node.h"
#include "graphics/wait_cursor.h"
#include "kit/error.h"
#include "kit/window_helpers.h"
#include "platform/win/windows_user.h"
#include "plugin/orvane_db.h"
#include "plugin/orvane_nexil.h"

OrvaneWindow::OrvaneWindow(TWindow* parent, const char* title, OrvaneNexil& manager, TModule* module)
    : NexilWindow(parent, title, module), manager_(manager) {}

OrvaneWindow::~OrvaneWindow() { dropPages(); }

void OrvaneWindow::dropPages() {
  previous_.reset();
  current_.reset();
  book_.ref(nullptr);
}

int OrvaneWindow::stripHeight() {
  return ::GetSystemMetrics(SM_CYCAPTION) + ::GetSystemMetrics(SM_CYFRAME) / 2;
}

void OrvaneWindow::scaleRect(TRect& r) const {
  const LONG w = r.right - r.left, h = r.bottom - r.top;
  const LONG dx = (w * sizePercent_ / 100 - w) / 2, dy = (h * sizePercent_ / 100 - h) / 2;
  r.left -= dx;
  r.right += dx;
  r.top -= dy;
  r.bottom += dy;
}

TRect OrvaneWindow::pageArea() const {
  TRect c = HWindow != nullptr ? GetClientRect() : TRect(0, 0, Attr.W, Attr.H);
  return TRect(c.left, c.top, c.right, c.bottom - stripHeight());
}

void OrvaneWindow::EvSize(UINT sizeType, TSize& size) {
  NexilWindow::EvSize(sizeType, size);
  if (current_ != nullptr && current_->HWindow != nullptr) {
    const TRect a = pageArea();
    current_->MoveWindow(a.left, a.top, a.right - a.left, a.bottom - a.top, true);
  }
}

int OrvaneWindow::loadNode(TWindow* parent, NodeRef& ref, int option, int, TRect* from, bool show) {
  manager_.setLastLoaded(nullptr);
  Node* node = manager_.getDisplayedNode(ref);
  // A page of a read-only book is never opened for writing.
  ULONG mode = static_cast<ULONG>(option);
  if (ref.db() == nullptr) ref.resolve(manager_);
  if (ref.db() != nullptr && ref.db()->isReadOnly()) mode &= ~static_cast<ULONG>(NodeRef::ModeWrite);
  if (node == nullptr) node = ref.getNode(parent, manager_, mode);
  if (node == nullptr) {
    error(HWindow, 'E', "OrvaneWindow::loadNode: Failed to instantiate a Node");
    error(HWindow, 'E', "Unable to open page %s: possibly deleted or currently inaccessible", ref.name().c_str());
    return -1;
  }
  std::unique_ptr<ViewNode> page(manager_.claimWindow(node));
  if (page == nullptr) {
    error(HWindow, 'E', "OrvaneWindow::loadNode: Failed to instantiate a NodeWindow");
    delete node;
    return -1;
  }
  page->setHost(this);
  if (current_ != nullptr) {
    previous_.reset();
    previous_ = std::move(current_);
    if (previous_->HWindow != nullptr) previous_->Show(SW_HIDE);
  }
  current_ = std::move(page);
  current_->Attr.Style &= ~static_cast<DWORD>(WS_VISIBLE);
  current_->Attr.Style |= WS_CHILD;
  current_->SetParent(this);
  const TRect a = pageArea();
  current_->Attr.X = a.left;
  current_->Attr.Y = a.top;
  current_->Attr.W = a.right - a.left;
  current_->Attr.H = a.bottom - a.top;
  current_->Create();
  char id[16];
  std::snprintf(id, sizeof id, "%d", static_cast<int>(ref.uid()));
  history_.emplace_back(id);
  manager_.setLastLoaded(node);
  if (show) {
    // The page fills the page area; the rectangle it was opened from (a
    // symbol's, in screen units) is where the opening is animated from.
    node->display(nullptr);
    if (from != nullptr && current_->HWindow != nullptr) {
      RECT r = *from;
      animateRect(r, current_.get(), 8);
    }
  }
  return 0;
}

DB* OrvaneWindow::openBook(const char* file, int openFlags, int share, bool wantHomePage, TRect* animateFrom) {
  WaitCursor wait;
  DB* db = manager_.setCurrentDB("", file, openFlags, share);
  auto* book = dynamic_cast<OrvaneDB*>(db);
  if (book == nullptr) {
    // Why has gone to the status line; the person sees that nothing opened.
    if (db == nullptr) error(HWindow, 'E', "Unable to open book '%s': it is damaged or is not a book", file != nullptr ? file : "");
    return db;
  }
  book_.ref(book);
  const bool named = file != nullptr && file[0] != '\0';
  const char* name = named ? file : "";
  if (!book->isReadOnly()) {
    if (named) error(HWindow, 'z', "Opening book '%s' for writing...", name);
    else error(HWindow, 'z', "Opening book for writing...");
  } else if ((openFlags & 3) == 0) {
    error(HWindow, 'z', "Opening book '%s' for read only...", name);
  } else {
    error(HWindow, 'W', "Opening book '%s' for read only (write locked by another user)...", name);
  }
  if (wantHomePage) {
    Node* home = book->openHomePage();
    if (home != nullptr) {
      char id[16];
      std::snprintf(id, sizeof id, "%d", static_cast<int>(home->uid()));
      // Loading the page has put it in the history already: each visit is
      // kept once, so that Back never shows the page it leaves.
      if (history_.empty() || !history_.back().isEqual(String(id))) history_.emplace_back(id);
      if (animateFrom != nullptr && current_ != nullptr && current_->HWindow != nullptr) {
        RECT r = *animateFrom;
        animateRect(r, current_.get(), 8);
      }
    }
  }
  if (!book->isReadOnly()) {
    if (named) error(HWindow, 'z', "Book '%s' opened for writing", name);
  } else if ((openFlags & 3) == 0) {
    error(HWindow, 'z', "Book '%s' opened for read only", name);
  } else {
    error(HWindow, 'W', "Book '%s' opened for read only (write locked by another user)", name);
  }
  return db;
}
