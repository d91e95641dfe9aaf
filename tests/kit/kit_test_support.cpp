// Scratch folders, log reading and whole-file helpers for the kit's tests.
#include "kit/kit_test_support.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
  // "[Www Mmm dd hh:mm:ss yyyy] rest": the ctime text is exactly 24 characters.
  if (line.size() < 27 || line[0] != '[' || line[25] != ']' || line[26] != ' ') return false;
  const std::string t = line.substr(1, 24);
  static const std::string kDays = "SunMonTueWedThuFriSat";
  static const std::string kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  auto digit = [&t](std::size_t i) { return t[i] >= '0' && t[i] <= '9'; };
  auto named = [&t](const std::string& names, std::size_t at) {
    const std::size_t found = names.find(t.substr(at, 3));
    return found != std::string::npos && found % 3 == 0;
  };
  const bool dayName = named(kDays, 0);
  const bool monthName = named(kMonths, 4);
  const bool shape = t[3] == ' ' && t[7] == ' ' && (t[8] == ' ' || digit(8)) && digit(9) &&
                     t[10] == ' ' && digit(11) && digit(12) && t[13] == ':' && digit(14) &&
                     digit(15) && t[16] == ':' && digit(17) && digit(18) && t[19] == ' ' &&
                     digit(20) && digit(21) && digit(22) && digit(23);
  if (!dayName || !monthName || !shape) return false;
  *time = t;
  *rest = line.substr(27);
  return true;
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
