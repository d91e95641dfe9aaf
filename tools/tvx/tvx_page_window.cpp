// tvx_page_window.cpp: a page window that holds its page body as text.
#include "tools/tvx/tvx_page_window.h"

#include <iostream>

#include "core/node.h"
#include "core/node_ref.h"

TvxPageWindow::TvxPageWindow(Nexil& app, const char* name, const char* kind)
    : NodeWindow(app, name, kind), app_(app) {}

TvxPageWindow::TvxPageWindow(Nexil& app, Node* node, const std::string& text)
    : TWindow(static_cast<TWindow*>(nullptr)), NodeWindow(node), app_(app), text_(text) {}

TvxPageWindow::~TvxPageWindow() {
  attach(nullptr);
  destroyNode();
}

void TvxPageWindow::attach(std::iostream* s) {
  if (stream_ != nullptr && stream_ != s && owns_) delete stream_;
  stream_ = s;
  owns_ = false;
}

int TvxPageWindow::ownsStream(int own) {
  owns_ = own != 0;
  return owns_ ? 1 : 0;
}

int TvxPageWindow::save() {
  if (stream_ == nullptr || node() == nullptr) return -1;
  return nodeRef()->saveNode(*node(), app_, stream_);
}
