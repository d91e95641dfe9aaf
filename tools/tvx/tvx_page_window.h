// tvx_page_window.h: the tool's page window. tvx never draws a page: its page
// window keeps the page body as the map text it is, so that the core can read
// a page into it and write it back (NodeRef::getNode, Node::save) exactly as
// it does with a drawing page window.
#ifndef TOOLS_TVX_TVX_PAGE_WINDOW_H
#define TOOLS_TVX_TVX_PAGE_WINDOW_H

#include <iosfwd>
#include <string>

#include "core/node_window.h"

class TvxPageWindow : public NodeWindow {
 public:
  // A window for a new page named `name` of type `kind` in the application's
  // current book (the core makes the page entry).
  TvxPageWindow(Nexil& app, const char* name, const char* kind);
  // A window showing `node` (owned from now on) whose body is `text`.
  TvxPageWindow(Nexil& app, Node* node, const std::string& text);
  ~TvxPageWindow() override;

  bool isOpen() override { return stream_ != nullptr; }
  bool isEmpty() override { return text_.empty(); }
  void attach(std::iostream* s) override;
  Nexil& application() override { return app_; }
  int ownsStream(int own) override;
  // Writes the text to the attached body stream through the core.
  int save() override;

  const std::string& text() const { return text_; }
  void setText(const std::string& text) { text_ = text; }

 private:
  Nexil& app_;
  std::string text_;
  std::iostream* stream_ = nullptr;  // owned when owns_ (handed over by the core)
  bool owns_ = false;
};

#endif  // TOOLS_TVX_TVX_PAGE_WINDOW_H
