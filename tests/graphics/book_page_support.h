// What the tests of symbols and links on real pages share: an application that
// opens books and records the pages it is asked to load, and a fixture that
// copies the example book, opens it (writable or read-only) and shows one of
// its pages in a page window on the headless host, read from the page's body
// by the page classes. The page window is the poster board, the one that
// reads every page the plug-in shows.
#ifndef TESTS_GRAPHICS_BOOK_PAGE_SUPPORT_H
#define TESTS_GRAPHICS_BOOK_PAGE_SUPPORT_H

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/db.h"
#include "core/nexil.h"
#include "graphics/poster_board_node.h"
#include "page_test_support.h"

class NodeGNode;
class LinkGNode;

class PageNexil : public Nexil {
 public:
  int addDB(DBRef& into, const char* net, const char* name, int openFlags, int share) override;
  int findDB(DBRef& into, const char* net, const char* name) override;
  Node* getDisplayedNode(NodeRef& ref) override;
  Node* instantiateNode(std::iostream*, NodeRef&) override { return nullptr; }
  // Has the page's window write the page (as the book manager does).
  int saveNode(std::iostream& body, Node& node) override;
  // Recorded as "<page name> mode <x>"; nothing is shown.
  int loadNode(TWindow* parent, NodeRef& ref, int x, int y, TRect* from, bool show) override;
  // The book manager of the plug-in refuses new pages.
  NodeWindow* makeNodeWindow(DB*, const char*, const char*) override { return nullptr; }
  // Answers with `dirAnswer`, setting the reference to `dirChoice` when 0.
  int setDirRef(TWindow* parent, NodeRef& ref, Nexil& app, int* flag) override;

  std::vector<DBRef> books;
  std::vector<std::string> loads;
  Node* displayed = nullptr;  // what getDisplayedNode answers for every reference
  int dirAnswer = 1;
  std::string dirChoice;
};

class BookPageTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Shows the page named `name` of the example book, opened writable or
  // read-only; false when it cannot be found or read.
  bool show(const char* name, bool writable = true);
  // Another page of the book show() opened, read into a window of its own
  // (not created), with its stored body in `stored`; null when it cannot be read.
  std::unique_ptr<PosterBoardNode> readPage(ULONG id, std::string* stored);
  // The node and link sections the page's graphics write.
  std::string writtenSections();
  // The node and link sections of the page's stored body, as it was read.
  std::string storedSections() const;

  NodeGNode* symbol(const char* name) const;
  std::vector<LinkGNode*> boxes() const;
  std::vector<NodeGNode*> symbols() const;

  std::unique_ptr<HeadlessHost> host;
  std::unique_ptr<TWindow> frame;
  PageNexil app;
  DBRef book;
  std::unique_ptr<PosterBoardNode> page;
  std::string body;  // the shown page's stored body
  std::string bookPath;
  ReportRecorder recorder;

 private:
  std::unique_ptr<std::stringstream> stream_;
};

// Map text without the blanks and line ends outside quoted texts, and with the
// quoted texts' own line breaks joined: what two writers of one page share.
std::string squeezed(const std::string& text);

// The node and link sections of a page body: from "(N" to the end of the link
// section, or "" when there is none.
std::string nodeAndLinkSections(const std::string& body);

#endif  // TESTS_GRAPHICS_BOOK_PAGE_SUPPORT_H
