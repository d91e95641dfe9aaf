// command.cpp: every command's help, made from its table entry, and the one
// way a command is run (see command.h).
#include "tools/tvx/command.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// The left column of an option's help line: "--type TYPE".
std::string optionColumn(const OptionSpec& o) {
  std::string text = o.letter != 0 ? std::string("-") + o.letter + ", --" + o.name : std::string("--") + o.name;
  if (o.takesValue()) text += std::string(" ") + o.value;
  return text;
}

// Prints each line of `lines` after `first` (for the first line) or `rest`.
void printLines(FILE* out, const char* lines, const char* first, const char* rest) {
  const char* lead = first;
  // Bounded by the text's length: each turn moves past one line.
  for (const char* at = lines; *at != '\0';) {
    const char* end = std::strchr(at, '\n');
    const std::size_t n = end != nullptr ? static_cast<std::size_t>(end - at) : std::strlen(at);
    std::fprintf(out, "%s%.*s\n", lead, static_cast<int>(n), at);
    lead = rest;
    at += n;
    if (*at == '\n') ++at;
  }
}

}  // namespace

void printCommandHelp(const Command& c, FILE* out) {
  printLines(out, c.usage, "usage: ", "       ");
  std::fprintf(out, "\n%s\nOptions:\n", c.description);
  const char* const helpColumn = "-h, --help";
  std::size_t width = std::strlen(helpColumn);
  for (const OptionSpec& o : c.options) width = std::max(width, optionColumn(o).size());
  for (const OptionSpec& o : c.options) {
    std::fprintf(out, "  %-*s   %s\n", static_cast<int>(width), optionColumn(o).c_str(), o.help);
  }
  std::fprintf(out, "  %-*s   show this help\n", static_cast<int>(width), helpColumn);
  const bool several = std::strchr(c.examples, '\n') != nullptr &&
                       std::strchr(c.examples, '\n')[1] != '\0';
  std::fprintf(out, "\n%s\n", several ? "Examples:" : "Example:");
  printLines(out, c.examples, "  ", "  ");
}

int runCommand(const Command& c, int argc, char** argv) {
  CommandLine cl;
  const int rc = parseCommandLine(argc, argv, c.options, cl);
  if (rc != kExitOk) return rc;
  if (cl.help) {
    printCommandHelp(c, stdout);
    return kExitOk;
  }
  const int status = c.run(cl);
  std::fflush(stdout);
  return status;
}
