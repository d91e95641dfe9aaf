// The hostile-input tests' oracle and helpers; see hostile_support.h.
#include "hostile_support.h"

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "core/book_check.h"

namespace {

// Lines of `part` that `whole` does not have ("" when none).
std::string extraLine(const std::string& whole, const std::string& part) {
  std::set<std::string> lines;
  std::istringstream w(whole);
  std::string line;
  while (std::getline(w, line)) lines.insert(line);
  std::istringstream p(part);
  while (std::getline(p, line)) {
    if (lines.count(line) == 0) return line;
  }
  return std::string();
}

}  // namespace

std::string subsetViolation(const BookImage& original, const BookImage& damaged) {
  for (const auto& entry : damaged.entries) {
    const ULONG id = entry.first;
    const BookEntryImage& d = entry.second;
    const std::string at = "ID " + std::to_string(id) + ": ";
    auto o = original.entries.find(id);
    if (o == original.entries.end()) return at + "not in the sound book";
    const BookEntryImage& s = o->second;
    if (d.kind != s.kind) {
      return at + "kind " + std::to_string(d.kind) + ", expected " + std::to_string(s.kind);
    }
    for (int f = 0; f < DB::Facets; ++f) {
      if (d.facetFailed[f] || d.facets[f].empty()) continue;
      if (d.facets[f] != s.facets[f]) {
        return at + "facet " + std::to_string(f) + " holds " + std::to_string(d.facets[f].size()) +
               " bytes that differ from the sound book's " + std::to_string(s.facets[f].size());
      }
    }
    if (d.headerStatus == 0 && (d.name != s.name || d.type != s.type || d.flags != s.flags)) {
      return at + "entry header \"" + d.name + "\" \"" + d.type + "\" " + std::to_string(d.flags) +
             ", expected \"" + s.name + "\" \"" + s.type + "\" " + std::to_string(s.flags);
    }
    if (d.bodyStatus == 0 && d.bodyRecords != s.bodyRecords) {
      return at + "body gave " + std::to_string(d.bodyRecords) + " records, expected " +
             std::to_string(s.bodyRecords);
    }
    std::string extra = extraLine(s.attrs, d.attrs);
    if (!extra.empty()) return at + "attribute " + extra + " not in the sound book";
    extra = extraLine(s.linkRecord, d.linkRecord);
    if (!extra.empty()) return at + "link end " + extra + " not in the sound book";
    extra = extraLine(s.linkList, d.linkList);
    if (!extra.empty()) return at + "link list entry " + extra + " not in the sound book";
  }
  return std::string();
}

std::string checkBookFile(const std::string& path) {
  const BookCheckReport report = BookCheck::checkFile(path);
  if (report.ok()) return std::string();
  if (report.problems.empty()) return "unlisted problems";
  return report.problems.front().line();
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool sameBook(const BookImage& a, const BookImage& b) {
  if (a.entries.size() != b.entries.size()) return false;
  for (const auto& e : a.entries) {
    if (b.entries.count(e.first) == 0) return false;
  }
  return subsetViolation(a, b).empty() && subsetViolation(b, a).empty();
}
