// The page tests' page window, application and message capture.
#include "test_page_window.h"

#include <iostream>
#include <iterator>
#include <sstream>

#include "core/node.h"
#include "core/node_ref.h"

TestPageWindow::TestPageWindow(Nexil& app, const char* name, const char* kind)
    : NodeWindow(app, name, kind), app_(app) {}

TestPageWindow::TestPageWindow(Nexil& app, Node* node, const std::string& text, TWindow* parent)
    : TWindow(parent), NodeWindow(node), content(text), app_(app) {}

TestPageWindow::~TestPageWindow() {
  attach(nullptr);
  destroyNode();
}

void TestPageWindow::attach(std::iostream* s) {
  if (stream_ != nullptr && stream_ != s && owns_) delete stream_;
  stream_ = s;
  owns_ = false;
}

int TestPageWindow::ownsStream(int own) {
  owns_ = own != 0;
  return owns_ ? 1 : 0;
}

int TestPageWindow::save() {
  if (stream_ == nullptr || node() == nullptr) return -1;
  return nodeRef()->saveNode(*node(), app_, stream_);
}

Node* PagesNexil::getDisplayedNode(NodeRef& ref) {
  if (!showPages) return nullptr;
  for (auto& w : windows) {
    if (w->node() != nullptr && w->node()->nodeRef() != nullptr && *w->node()->nodeRef() == ref)
      return w->node();
  }
  return nullptr;
}

Node* PagesNexil::instantiateNode(std::iostream* body, NodeRef& ref) {
  std::string text((std::istreambuf_iterator<char>(*body)), std::istreambuf_iterator<char>());
  Node* node = new Node(nullptr, ref, String("map"), *this);
  windows.emplace_back(new TestPageWindow(*this, node, text));
  return node;
}

int PagesNexil::saveNode(std::iostream& body, Node& node) {
  if (failSaves) return -1;
  TestPageWindow* w = dynamic_cast<TestPageWindow*>(node.window());
  if (w == nullptr) return -1;
  body.write(w->content.data(), static_cast<std::streamsize>(w->content.size()));
  return body.good() ? 0 : -1;
}

DB* PagesNexil::newBook() {
  DBRef ref;
  addDB(ref, "", nullptr, 0, 0);
  setCurrentDB(ref.db());
  return ref.db();
}

DB* PagesNexil::openReadOnly(const std::string& path) {
  DBRef ref;
  addDB(ref, "", path.c_str(), 0, 0x40);
  return ref.db();
}

int CaptureHandler::handleError(char kind, const char* text) {
  (void)kind;
  messages.emplace_back(text != nullptr ? text : "");
  return 0;
}

bool CaptureHandler::saw(const std::string& text) const {
  for (const std::string& m : messages) {
    if (m == text) return true;
  }
  return false;
}

std::string CaptureHandler::all() const {
  std::string out;
  for (const std::string& m : messages) out += "  [" + m + "]\n";
  return out;
}

ULONG PagesTest::page(const char* name, const std::string& body) {
  const ULONG id = db->createNode(String(name), String("map"), 0);
  if (!body.empty()) {
    std::unique_ptr<std::iostream> s = db->getNodeStream(id, 1);
    s->write(body.data(), static_cast<std::streamsize>(body.size()));
    s->flush();
  }
  return id;
}
