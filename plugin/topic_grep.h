// The search driver of a find: walks every page of a book (DB::doUntilNode, in
// store order) and collects into the find parameters the pages whose name or
// contents match. Names are tried first; a page whose name matches is not
// opened, so a page is reported once. For contents the page is the one already
// shown by the book manager's main window when it is there, else a page window
// made for the search (through the book manager, nothing displayed), searched,
// and deleted again before the next page: a search leaves no page behind.
//
// With a parent window the search shows a progress dialog (TFindingDialog) and
// lets waiting messages through before each page, so that its Cancel button
// stops the walk at the next page. The type page is searched by name only: it
// holds the book's types, not a concept map.
//
// Hostile pages: a page whose map text does not read whole, or that cannot be
// opened, is passed over and counted in the params' `unreadable`; the walk over
// the book is bounded by the book's ID table.
#ifndef PLUGIN_TOPIC_GREP_H
#define PLUGIN_TOPIC_GREP_H

#include <functional>
#include <memory>

#include "kit/string.h"
#include "platform/windows_types.h"

class OrvaneNexil;
class TFindingDialog;
class TFindParams;
class TWindow;
class ViewNode;

class TopicGrep {
 public:
  // The most waiting messages handled before each page, so that a flood of
  // messages cannot hold the search up for ever.
  static constexpr int MaxMessagesPerPage = 1000;

  // Stores the book manager into `params` (which must outlive this); with a
  // parent, makes the progress dialog over it.
  TopicGrep(OrvaneNexil& manager, TFindParams& params, TWindow* parent);
  ~TopicGrep();
  TopicGrep(const TopicGrep&) = delete;
  TopicGrep& operator=(const TopicGrep&) = delete;

  void set(DWORD bits);
  void unSet(DWORD bits);
  // Chooses the match function by the case and whole-word bits and makes the
  // pattern from the find text.
  void Setup();
  // Runs the search: 0 done (cancelled or not), -1 when the params are not
  // set up (see TFindParams::isInstantiated); nothing is searched then.
  int findMatches();
  // Called after each page with the number of pages visited so far.
  void setProgress(std::function<void(ULONG visited)> progress) { progress_ = std::move(progress); }
  // Called for each page window searched that matched, before it goes (the
  // command-line tool lists what on the page matched).
  void setOnMatch(std::function<void(ULONG id, ViewNode& page)> onMatch) { onMatch_ = std::move(onMatch); }
  TFindingDialog* dialog() const { return dialog_.get(); }
  bool cancelled() const;

 private:
  static int visitPage(ULONG id, const String& name, const String& type, ULONG flags, void* data);
  int visit(ULONG id, const String& name, const String& type);
  // Whether the contents of page `id` match.
  bool contentsMatch(ULONG id);
  // The page window showing page `id` in the main window, or null.
  ViewNode* shownPage(ULONG id) const;
  // Lets waiting messages through (bounded).
  void pumpMessages();

  OrvaneNexil& manager_;
  TFindParams& params_;
  std::unique_ptr<TFindingDialog> dialog_;
  std::function<void(ULONG)> progress_;
  std::function<void(ULONG, ViewNode&)> onMatch_;
  ULONG visited_ = 0;
  bool quit_ = false;  // WM_QUIT was seen: it is left for the caller's loop
};

#endif  // PLUGIN_TOPIC_GREP_H
