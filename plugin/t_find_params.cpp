// Find parameters and the four ways a text can match (see t_find_params.h).
#include "plugin/t_find_params.h"

#include <cstring>

namespace {

bool isWordByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

bool TFindParams::isInstantiated() const {
  return book.db() != nullptr && matchFn != nullptr && bookManager != nullptr && pattern.length() > 0;
}

int TFindParams::match(const char* text) const {
  if (matchFn == nullptr || text == nullptr) return 0;
  return matchFn(text, pattern.c_str());
}

LONG TFindParams::firstOffset(const char* text) const {
  if (text == nullptr || pattern.length() == 0) return -1;
  const bool exact = (flags & CaseSensitive) != 0;
  const std::string seen = exact ? std::string(text) : lowered(text);
  const std::size_t at = seen.find(pattern.c_str());
  return at == std::string::npos || at > 0x7FFFFFFF ? -1 : static_cast<LONG>(at);
}

LONG TFindParams::nextOffset(const char* text, LONG from) const {
  if (text == nullptr || pattern.length() == 0 || from < 0) return -1;
  const bool exact = (flags & CaseSensitive) != 0;
  const std::string seen = exact ? std::string(text) : lowered(text);
  const std::size_t n = pattern.length();
  for (std::size_t at = seen.find(pattern.c_str(), static_cast<std::size_t>(from)); at != std::string::npos;
       at = seen.find(pattern.c_str(), at + 1)) {
    if (at > 0x7FFFFFFF) return -1;
    const bool word = (flags & WholeWord) == 0 ||
                      ((at == 0 || !isWordByte(static_cast<unsigned char>(seen[at - 1]))) &&
                       (at + n == seen.size() || !isWordByte(static_cast<unsigned char>(seen[at + n]))));
    if (word) return static_cast<LONG>(at);
  }
  return -1;
}

std::string TFindParams::lowered(const char* text) {
  std::string out(text != nullptr ? text : "");
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

int TFindParams::substring(const char* text, const char* pattern) {
  return std::strstr(text, pattern) != nullptr;
}

int TFindParams::wholeWord(const char* text, const char* pattern) {
  const char* at = std::strstr(text, pattern);
  if (at == nullptr) return 0;
  const std::size_t n = std::strlen(pattern);
  const bool startOk = at == text || !isWordByte(static_cast<unsigned char>(at[-1]));
  const bool endOk = at[n] == '\0' || !isWordByte(static_cast<unsigned char>(at[n]));
  return startOk && endOk;
}

int TFindParams::substringIgnoringCase(const char* text, const char* pattern) {
  return substring(lowered(text).c_str(), pattern);
}

int TFindParams::wholeWordIgnoringCase(const char* text, const char* pattern) {
  return wholeWord(lowered(text).c_str(), pattern);
}
