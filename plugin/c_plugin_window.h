// The plug-in's window inside the browser's: the page shown, and below it a
// strip with the current page's name and the Back (201) and Help (202)
// buttons. It keeps the page history, which the browser holds for it between
// visits as saved data.
//
// Layout of the client rectangle (H = caption height + frame height / 2):
//
//   ELEMENT      POSITION AND SIZE
//   page window  (left, top), width right - left, height bottom - top - H
//   Back button  (right - 6H, bottom - (H - 1)), 3H x (H - 1)
//   Help button  (right - 3H, bottom - (H - 1)), 3H x (H - 1)
//   status       (left, bottom - H - 1, right, bottom)
//   separator    (left, bottom - H) to (right, bottom - H)
//
// Saved data (historyToBlock): each history entry's characters and a NUL, then
// one more NUL; an empty history is the one NUL byte.
#ifndef PLUGIN_C_PLUGIN_WINDOW_H
#define PLUGIN_C_PLUGIN_WINDOW_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "plugin/orvane_window.h"

class TButton;

class CPluginWindow : public OrvaneWindow {
 public:
  static constexpr int BackId = 201;
  static constexpr int HelpId = 202;
  static constexpr const char* HelpFile = "NPTavix.hlp";

  CPluginWindow(TWindow* parent, OrvaneNexil& manager);
  ~CPluginWindow() override;

  // Loads as OrvaneWindow does, then shows Back when there is a page to go
  // back to and puts the page's name on the status strip.
  int loadNode(TWindow* parent, NodeRef& ref, int option, int unused, TRect* from, bool show) override;
  // Shows the page before the current one again.
  void goBack();
  // Shows the page `name` names ("Unable to load node, bad node reference
  // given: '%s'" when it names none).
  void gotoNode(const char* name);
  // The history as saved data, and back.
  std::vector<char> historyToBlock() const;
  void historyFromBlock(const char* block, std::size_t length);

  void setBookCopyPath(const char* path) { bookCopy_ = path != nullptr ? path : ""; }
  const char* bookCopyPath() const override { return bookCopy_.empty() ? nullptr : bookCopy_.c_str(); }
  const std::string& statusText() const { return status_; }
  bool backShown() const;
  int stripH() const { return stripHeight_; }

  void SetupWindow() override;
  void Paint(TDC& dc, bool erase, TRect& area) override;
  void EvSize(UINT sizeType, TSize& size) override;
  LRESULT EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) override;
  // A press anywhere in this window (its page, its strip, its buttons) makes
  // it the main window, so that a page opened from a symbol opens here when
  // several books share the browser's page.
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void layOut();
  // The book whose pages this window shows.
  DB* bookShown() const;
  TRect statusRect() const;

  std::unique_ptr<TButton> backButton_;
  std::unique_ptr<TButton> helpButton_;
  int stripHeight_;
  bool setUp_ = false;
  std::string status_;
  std::string bookCopy_;
};

#endif  // PLUGIN_C_PLUGIN_WINDOW_H
