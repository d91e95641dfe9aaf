// Scratch folders, log reading and whole-file helpers for the kit's tests.
#include "kit/kit_test_support.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "kit/error.h"

ScratchFolder::ScratchFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/kitXXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) != nullptr) path_ = buffer.data();
  const char* log = std::getenv("TAVIX_LOG_DIR");
  hadLogDir_ = log != nullptr;
  if (hadLogDir_) previousLogDir_ = log;
  setenv("TAVIX_LOG_DIR", path_.c_str(), 1);
}

ScratchFolder::~ScratchFolder() {
  if (hadLogDir_)
    setenv("TAVIX_LOG_DIR", previousLogDir_.c_str(), 1);
  else
    unsetenv("TAVIX_LOG_DIR");
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> logLines() {
  std::vector<std::string> lines;
  std::ifstream in(errorLogPath());
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

bool splitLogLine(const std::string& line, std::string* time, std::string* rest) {
  static const std::regex shape(
      R"(\[((Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) )"
      R"([ 123][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4})\] ([\s\S]*))");
  std::smatch m;
  if (!std::regex_match(line, m, shape)) return false;
  *time = m[1].str();
  *rest = m[4].str();
  return time->size() == 24;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool fileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}
