// command.h: one tvx command as the command table (main.cpp) holds it: its
// name, the line "tvx --help" gives it, the options its command line takes,
// the parts of its own help, and the function that does its work. The table
// drives both the reading of a command line and every help text, so that no
// command reads its options or prints its help itself.
//
// Every command's help has the same parts, in this order:
//
//   usage: tvx NAME ...        the usage lines
//                              (blank line)
//   what the command does      one or more paragraphs
//                              (blank line)
//   Options:                   each option, with its value, and what it does;
//     -h, --help ...           every command takes --help
//                              (blank line)
//   Example: / Examples:       one command line or more
#ifndef TOOLS_TVX_COMMAND_H
#define TOOLS_TVX_COMMAND_H

#include <cstdio>
#include <vector>

#include "tools/tvx/tvx_common.h"

struct Command {
  const char* name;
  const char* summary;  // the one line of "tvx --help"
  // The usage lines, one a line, each starting "tvx NAME"; the help puts
  // "usage: " before the first.
  const char* usage;
  const char* description;  // what it does: lines, each ending in a newline
  std::vector<OptionSpec> options;
  const char* examples;  // command lines, one a line
  // Runs the command on its read command line (help already answered).
  // Returns the exit status: 0 success, 1 failure or problems found, 2 wrong
  // command line.
  int (*run)(const CommandLine& cl);
};

// Prints the command's help, in the parts above.
void printCommandHelp(const Command& command, FILE* out);

// Reads the command line (argv[0] is the command's name) with the command's
// options, answers --help, and runs the command. Returns the exit status.
int runCommand(const Command& command, int argc, char** argv);

#endif  // TOOLS_TVX_COMMAND_H
