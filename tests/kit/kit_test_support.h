// Helpers for the kit's tests: a private scratch folder that also receives the
// log, reading the log back line by line, and checking the time part of a line.
#ifndef TESTS_KIT_KIT_TEST_SUPPORT_H
#define TESTS_KIT_KIT_TEST_SUPPORT_H

#include <string>
#include <vector>

// A fresh folder under $TMPDIR, removed with its contents when the object goes.
// While it lives, TAVIX_LOG_DIR points at it (and is restored afterwards).
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
  std::string previousLogDir_;
  bool hadLogDir_ = false;
};

// The lines of the log file (without their newlines); empty when there is none.
std::vector<std::string> logLines();

// Splits "[<time>] <rest>" into its time text and rest; false when the line does
// not have that shape or the time is not a 24-character ctime text.
bool splitLogLine(const std::string& line, std::string* time, std::string* rest);

// Whole-file helpers.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);

#endif  // TESTS_KIT_KIT_TEST_SUPPORT_H
