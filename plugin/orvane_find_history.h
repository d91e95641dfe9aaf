// The texts recently looked for in the book manager's finds, oldest first, so
// that a find dialog can offer them again newest first. A text equal to the
// newest entry is not added again (a, a, b, a keeps a, b, a); empty texts are
// never kept. The history keeps at most MaxEntries texts, dropping the oldest.
#ifndef PLUGIN_ORVANE_FIND_HISTORY_H
#define PLUGIN_ORVANE_FIND_HISTORY_H

#include <cstddef>
#include <vector>

#include "kit/string.h"

class OrvaneFindHistory {
 public:
  static constexpr std::size_t InitialCapacity = 11;
  // Bounds the history of a long session.
  static constexpr std::size_t MaxEntries = 1000;

  OrvaneFindHistory() { texts_.reserve(InitialCapacity); }

  void add(const String& text);
  // Calls fn with each text from the newest to the oldest.
  void forEach(void (*fn)(String& text, void* context), void* context);
  std::size_t size() const { return texts_.size(); }

 private:
  std::vector<String> texts_;  // oldest first
};

#endif  // PLUGIN_ORVANE_FIND_HISTORY_H
