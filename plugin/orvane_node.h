// The plug-in's page window: an ordinary page of a book as the plug-in shows
// it. Its window class "NPTavixPane" takes double clicks and paints white; its
// title is its page's name ("A Title" without a page). Its right-button menu
// offers colours, zoom, refresh and "Save as..." (the book the plug-in was given
// written to a file the person picks).
//
// A page window is made from the page's body stream, which it reads whole as
// the poster board does (annotations included).
#ifndef PLUGIN_ORVANE_NODE_H
#define PLUGIN_ORVANE_NODE_H

#include <iosfwd>

#include "graphics/poster_board_node.h"

class DB;

class OrvaneNode : public PosterBoardNode {
 public:
  enum Command : UINT {
    CmZoom50 = 240,
    CmZoom75 = 241,
    CmZoom100 = 242,
    CmZoom150 = 243,
    CmZoom200 = 244,
    CmZoomCustom = 246,
    CmZoomFit = 247,
    CmRefresh = 272,
    CmFileSaveAs = 24334,
  };

  // A window for `node` (owned from now on) read from `body` (null or at its
  // end: an empty page).
  OrvaneNode(std::iostream* body, TWindow* parent, Node* node, Nexil& app);
  ~OrvaneNode() override;

  // A new page of `db` named `name` of type `type`, through the new-page
  // dialog; null when none was made.
  static OrvaneNode* make(TWindow* parent, Nexil& app, DB* db, const char* name, const char* type);

  const char* GetClassName() override { return "NPTavixPane"; }
  void GetWindowClass(WNDCLASS& wc) override;
  HMENU createPopup() override;
  LRESULT EvCommand(UINT id, HWND hWndCtl, UINT notifyCode) override;
  void EvCommandEnable(TCommandEnabler& enabler) override;
  // Writes the book the plug-in was given to a file the person picks.
  void CMFileSaveAs();
  void highlightAll() {}
  void dehighlightAll() {}
  // Whether the page read whole (false: the reader's error was reported).
  bool readWhole() const { return readError().empty(); }
};

#endif  // PLUGIN_ORVANE_NODE_H
