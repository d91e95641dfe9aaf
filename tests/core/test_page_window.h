// The page tests' own page window and application, standing where the plug-in's
// page window and application object will: a page's content is a plain text,
// written to and read from the page body as it is; the application keeps the
// windows it made and can report them as shown. A capturing error handler
// records every reported message instead of showing it.
#ifndef TESTS_CORE_TEST_PAGE_WINDOW_H
#define TESTS_CORE_TEST_PAGE_WINDOW_H

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/node_window.h"
#include "core_test_support.h"
#include "kit/error.h"
#include "platform/system/desktop.h"

class TestPageWindow : public NodeWindow {
 public:
  // A window for a new page in the application's current book.
  TestPageWindow(Nexil& app, const char* name, const char* kind);
  // A window showing `node` (owned from now on) with `content`.
  TestPageWindow(Nexil& app, Node* node, const std::string& content, TWindow* parent = nullptr);
  ~TestPageWindow() override;

  bool isOpen() override { return stream_ != nullptr; }
  bool isEmpty() override { return content.empty(); }
  void attach(std::iostream* s) override;
  Nexil& application() override { return app_; }
  int ownsStream(int own) override;
  // Writes the content to the attached stream through the application.
  int save() override;

  std::iostream* attached() const { return stream_; }
  bool owns() const { return owns_; }

  std::string content;

 private:
  Nexil& app_;
  std::iostream* stream_ = nullptr;  // owned when owns_
  bool owns_ = false;
};

class PagesNexil : public TestNexil {
 public:
  Node* getDisplayedNode(NodeRef& ref) override;
  Node* instantiateNode(std::iostream* body, NodeRef& ref) override;
  int saveNode(std::iostream& body, Node& node) override;

  // Makes a new, writable, unnamed book, keeps it open and makes it current.
  DB* newBook();
  // Opens a book file read-only (shared read), keeps it open.
  DB* openReadOnly(const std::string& path);

  // The windows this application made for pages read from books.
  std::vector<std::unique_ptr<TestPageWindow>> windows;
  // When true, getDisplayedNode reports the pages of `windows` as shown.
  bool showPages = false;
  // When true, writing a page fails.
  bool failSaves = false;
};

// Records every reported message; none reaches a message box.
class CaptureHandler : public ErrorHandler {
 public:
  CaptureHandler() { ErrorHandler::setApplicationHandler(this); }
  ~CaptureHandler() override { ErrorHandler::setApplicationHandler(nullptr); }
  int handleError(char kind, const char* text) override;

  // True when a message with exactly this text ("K: text" for every kind but
  // the notes 'z' and 'Z', which arrive bare) was reported.
  bool saw(const std::string& text) const;
  // All messages, one per line, for failure output.
  std::string all() const;
  void clear() { messages.clear(); }

  std::vector<std::string> messages;
};

// A new, writable book made current, with messages captured and every question
// answered from a script.
class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override { db = app.newBook(); }

  // A new page of type "map" with an optional body; returns its ID.
  ULONG page(const char* name, const std::string& body = std::string());
  // The name of the book, as references write it.
  std::string book() const { return db->bookName().c_str(); }

  ScriptedDesktop desk;
  DesktopScope scope{desk};
  CaptureHandler capture;
  PagesNexil app;
  DB* db = nullptr;
};

#endif  // TESTS_CORE_TEST_PAGE_WINDOW_H
