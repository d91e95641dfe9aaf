// The book manager's find history (see orvane_find_history.h).
#include "plugin/orvane_find_history.h"

void OrvaneFindHistory::add(const String& text) {
  if (text.length() == 0) return;
  if (!texts_.empty() && texts_.back().isEqual(text)) return;
  if (texts_.size() >= MaxEntries) texts_.erase(texts_.begin());
  texts_.push_back(text);
}

void OrvaneFindHistory::forEach(void (*fn)(String& text, void* context), void* context) {
  if (fn == nullptr) return;
  for (auto it = texts_.rbegin(); it != texts_.rend(); ++it) fn(*it, context);
}
