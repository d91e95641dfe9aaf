// Scratch folder, file sizes and the ratio table of the benchmark programs.
#include "bench/bench_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <benchmark/benchmark.h>

namespace bench {

namespace {
std::string g_scratch;
}

const std::string& scratchDir() {
  if (!g_scratch.empty()) return g_scratch;
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tvxbench-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data()) == nullptr) {
    std::perror("mkdtemp");
    std::exit(2);
  }
  g_scratch = std::string(buf.data()) + "/";
  const std::string tmpDir = g_scratch + "tmp";
  const std::string logDir = g_scratch + "log";
  mkdir(tmpDir.c_str(), 0700);
  mkdir(logDir.c_str(), 0700);
  setenv("TAVIX_LOG_DIR", logDir.c_str(), 1);
  setenv("TAVIX_PROFILE", (g_scratch + "tavix.ini").c_str(), 1);
  setenv("TMPDIR", tmpDir.c_str(), 1);
  return g_scratch;
}

void removeScratchDir() {
  if (g_scratch.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(g_scratch, ec);
  g_scratch.clear();
}

long long fileSize(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : 0;
}

std::string format(const char* fmt, ...) {
  char buf[256];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  return buf;
}

void Table::print(const char* title) const {
  std::vector<size_t> width(header_.size(), 0);
  auto measure = [&](const std::vector<std::string>& row) {
    for (size_t i = 0; i < row.size() && i < width.size(); ++i) {
      if (row[i].size() > width[i]) width[i] = row[i].size();
    }
  };
  measure(header_);
  for (const auto& r : rows_) measure(r);
  std::printf("\n%s\n", title);
  auto line = [&](const std::vector<std::string>& row) {
    for (size_t i = 0; i < width.size(); ++i) {
      const std::string cell = i < row.size() ? row[i] : "";
      if (i == 0) {
        std::printf("%-*s", static_cast<int>(width[i]), cell.c_str());
      } else {
        std::printf("  %*s", static_cast<int>(width[i]), cell.c_str());
      }
    }
    std::printf("\n");
  };
  line(header_);
  for (const auto& r : rows_) line(r);
  std::fflush(stdout);
}

void Table::printMarkdown() const {
  auto line = [](const std::vector<std::string>& row) {
    std::printf("|");
    for (const auto& c : row) std::printf(" %s |", c.c_str());
    std::printf("\n");
  };
  line(header_);
  std::printf("|");
  for (size_t i = 0; i < header_.size(); ++i) std::printf(i == 0 ? "---|" : "---:|");
  std::printf("\n");
  for (const auto& r : rows_) line(r);
  std::fflush(stdout);
}

int runBenchmarks(int argc, char** argv, void (*summary)()) {
  scratchDir();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  summary();
  removeScratchDir();
  return 0;
}

}  // namespace bench
