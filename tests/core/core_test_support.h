// A small application for the core's tests: it opens books as plain DB objects,
// remembers them by name, and has no page windows.
#ifndef TESTS_CORE_CORE_TEST_SUPPORT_H
#define TESTS_CORE_CORE_TEST_SUPPORT_H

#include <string>
#include <vector>

#include "core/db.h"
#include "core/nexil.h"

class TestNexil : public Nexil {
 public:
  int addDB(DBRef& into, const char* net, const char* name, int openFlags, int share) override;
  int findDB(DBRef& into, const char* net, const char* name) override;
  Node* getDisplayedNode(NodeRef&) override { return nullptr; }
  Node* instantiateNode(std::iostream*, NodeRef&) override { return nullptr; }
  int saveNode(std::iostream&, Node&) override { return -1; }
  int loadNode(TWindow*, NodeRef&, int, int, TRect*, bool) override { return -1; }
  NodeWindow* makeNodeWindow(DB*, const char*, const char*) override { return nullptr; }

  // The books this application opened, kept open while it lives.
  std::vector<DBRef> books;
  int addCalls = 0;
};

// A fresh, empty folder under the test's temporary folder, with a trailing '/'.
std::string freshDir(const std::string& name);

// While it lives, temporary files (books' working copies among them) go to a
// fresh folder of this test's own: tests running beside it in other processes
// share the runner's temporary folder, may be given a name this test's book has
// just let go of, and change any count of the files there.
class OwnTempFolder {
 public:
  explicit OwnTempFolder(const std::string& name);
  ~OwnTempFolder();
  OwnTempFolder(const OwnTempFolder&) = delete;
  OwnTempFolder& operator=(const OwnTempFolder&) = delete;

 private:
  std::string saved_;
  bool had_;
};
// The bytes of a file.
std::string readFileBytes(const std::string& path);
// The whole log file as written so far.
std::string logText();
// The bytes of one facet of an ID in a book's working store ("" when empty).
std::string facetBytes(DB& db, ULONG id, int facet);

#endif  // TESTS_CORE_CORE_TEST_SUPPORT_H
