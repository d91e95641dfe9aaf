// Helpers for the tools' tests: a private scratch folder per test, running a
// built program with arguments (and optional standard input) and collecting
// its exit status, standard output and standard error, and whole-file bytes.
#ifndef TESTS_TOOLS_TOOL_TEST_SUPPORT_H
#define TESTS_TOOLS_TOOL_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

// What a program run left behind.
struct RunResult {
  int status = -1;  // exit status; 128 + signal when killed by one
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs `program` with `args` (no shell), with `input` as standard input, in
// the current folder; waits at most `timeoutSeconds` and kills it after that.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& input = std::string(), int timeoutSeconds = 60);

// Runs the built tvx.
RunResult tvx(const std::vector<std::string>& args, const std::string& input = std::string());

// A fresh folder under $TMPDIR, removed with its contents when the object goes.
class ToolScratch {
 public:
  ToolScratch();
  ~ToolScratch();
  ToolScratch(const ToolScratch&) = delete;
  ToolScratch& operator=(const ToolScratch&) = delete;
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

// The bytes of one facet of an entry of a book file, read through the store
// (open read-only, others may write); "" when empty, "<error>" when unreadable.
std::string facetOf(const std::string& book, unsigned id, int facet);
// The kind word of an entry (0 when there is none).
unsigned kindOf(const std::string& book, unsigned id);

// A test on a copy of the example book in a scratch folder of its own.
class ExampleBookTest : public ::testing::Test {
 protected:
  void SetUp() override;
  ToolScratch dir;
  std::string book;  // the copy's path
};

// How many times `what` occurs in `text` (occurrences may overlap).
std::size_t countOf(const std::string& text, const std::string& what);

// A small page body that parses: the map text signature line and an empty body.
std::string sampleBody(const std::string& author = "me");

#endif  // TESTS_TOOLS_TOOL_TEST_SUPPORT_H
