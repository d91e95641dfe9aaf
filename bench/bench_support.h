// Shared pieces of the benchmark programs: a scratch folder for the files they
// make (also where the log, the profile and temporary files go, so that a run
// never touches the user's own), a wall-clock timer, and the ratio table that
// each program prints after Google Benchmark's own report.
#ifndef BENCH_BENCH_SUPPORT_H
#define BENCH_BENCH_SUPPORT_H

#include <chrono>
#include <string>
#include <vector>

namespace bench {

// A fresh folder under $TMPDIR (or /tmp) for this run, with a trailing '/'. On
// first use it also points TAVIX_LOG_DIR, TAVIX_PROFILE and TMPDIR into it.
const std::string& scratchDir();
// Removes the scratch folder and everything in it.
void removeScratchDir();
// The whole of a benchmark program's main: makes the scratch folder, runs the
// benchmarks the command line names, prints the program's summary table, and
// removes the folder. Returns the exit status.
int runBenchmarks(int argc, char** argv, void (*summary)());
// The size of a file in bytes, 0 when it cannot be read.
long long fileSize(const std::string& path);

class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()) {}
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

// A plain text table: a header row and rows of cells, printed with the columns
// aligned (first column left, the others right).
class Table {
 public:
  explicit Table(std::vector<std::string> header) : header_(std::move(header)) {}
  void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  void print(const char* title) const;
  // The same rows as a Markdown table (for the README section).
  void printMarkdown() const;

 private:
  std::vector<std::string> header_;
  std::vector<std::vector<std::string>> rows_;
};

// printf into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace bench

#endif  // BENCH_BENCH_SUPPORT_H
