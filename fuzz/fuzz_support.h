// What every reader target shares: a quiet process (reports counted, never shown
// or logged), a scratch folder for the book files a target has to write, and a
// minimal application object that opens books as plain DB objects.
#ifndef FUZZ_FUZZ_SUPPORT_H
#define FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/db.h"
#include "core/nexil.h"
#include "kit/error.h"

// Counts reports by kind instead of showing them. Installed as the application's
// handler for as long as it lives; the previous handler comes back afterwards.
class ReportCounter : public ErrorHandler {
 public:
  ReportCounter();
  ~ReportCounter() override;
  ReportCounter(const ReportCounter&) = delete;
  ReportCounter& operator=(const ReportCounter&) = delete;
  int handleError(char kind, const char* text) override;
  // Errors, fatal errors and warnings reported since construction.
  int problems() const { return problems_; }
  const std::string& lastText() const { return last_; }

 private:
  ErrorHandler* previous_;
  int problems_ = 0;
  std::string last_;
};

// An application with no windows: books are DB objects kept until reset.
class FuzzNexil : public Nexil {
 public:
  int addDB(DBRef& into, const char* net, const char* name, int openFlags, int share) override;
  int findDB(DBRef& into, const char* net, const char* name) override;
  Node* getDisplayedNode(NodeRef&) override { return nullptr; }
  Node* instantiateNode(std::iostream*, NodeRef&) override { return nullptr; }
  int saveNode(std::iostream&, Node&) override { return -1; }
  int loadNode(TWindow*, NodeRef&, int, int, TRect*, bool) override { return -1; }
  NodeWindow* makeNodeWindow(DB*, const char*, const char*) override { return nullptr; }

  std::vector<DBRef> books;
};

// Points the log at a place where it cannot be written (so that millions of runs
// leave nothing behind), the profile at nothing and the temporary folder at a
// private scratch folder, unless the environment already names them; installs a
// desktop that answers without asking. Idempotent.
void quietProcess();

// The private scratch folder (with a trailing '/').
const std::string& scratchDir();

// Writes `size` bytes to `name` inside the scratch folder and returns its path.
std::string writeScratchFile(const std::string& name, const uint8_t* data, std::size_t size);

#endif  // FUZZ_FUZZ_SUPPORT_H
