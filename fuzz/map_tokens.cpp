// Reader target: the token level. Every token of the input is read (strings and
// ASCII85 binary objects decoded, end of input at most once), the token writer
// writes the well-formed ones back, and reading the written text must give the
// same tokens with the same values. Block scans and copies run over the input
// too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "maptext/km_lex.h"
#include "maptext/km_token.h"
#include "maptext/km_xel.h"

namespace {

// A token as a comparable text: type and value bytes.
std::string describe(const KMToken& t) {
  std::string s = std::to_string(t.type) + ":";
  switch (t.type) {
    case KMToken::LEFT_PAREN:
    case KMToken::INTEGER:
    case KMToken::INVALID:
      s += std::to_string(t.intValue);
      break;
    case KMToken::STRING:
      // length counts the terminator.
      if (t.valString && t.length > 0) s.append(t.valString.get(), t.length - 1);
      break;
    case KMToken::BINARY:
      s += std::to_string(t.length) + ":";
      if (t.binValue) s.append(reinterpret_cast<const char*>(t.binValue.get()), t.length);
      break;
    default:
      break;
  }
  return s;
}

// Reads every token; `written` (when given) receives each well-formed one.
std::vector<std::string> readAll(const std::string& text, KMXel* written) {
  std::istringstream in(text);
  KMLex lex(in);
  std::vector<std::string> tokens;
  // Every token consumes at least one byte except end of input, which ends the
  // walk; the bound only guards against a lexer that stops consuming.
  for (std::size_t n = 0; n <= text.size() + 1; ++n) {
    const int type = lex.readKMToken();
    if (type == KMToken::END_OF_INPUT) break;
    if (type == KMToken::INVALID) continue;
    tokens.push_back(describe(lex.token()));
    if (written != nullptr) written->write(lex.token());
  }
  return tokens;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::ostringstream out;
  std::vector<std::string> first;
  {
    KMXel xel(out);
    first = readAll(input, &xel);
    xel.flush();
  }
  const std::vector<std::string> again = readAll(out.str(), nullptr);
  if (again != first) {
    std::fprintf(stderr, "token round trip differs: %zu tokens, then %zu\n", first.size(),
                 again.size());
    for (std::size_t i = 0; i < first.size() && i < again.size(); ++i) {
      if (first[i] != again[i]) {
        std::fprintf(stderr, "token %zu: %s / %s\n", i, first[i].c_str(), again[i].c_str());
        break;
      }
    }
    std::abort();
  }
  {
    std::istringstream in(input);
    KMLex lex(in);
    lex.readKMToken();
    lex.scanToCloseParen();
    lex.readKMToken();
    std::ostringstream copy;
    lex.copyBlockToStream(copy);
    lex.peekTokenAsString();
    char buf[16];
    lex.readBytes(buf, sizeof buf, ')');
  }
  return 0;
}
