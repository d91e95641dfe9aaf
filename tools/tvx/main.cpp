// main.cpp: the tvx program's entry point and its command table. tvx works on
// books from the command line, one subcommand per job ("tvx ls BOOK"), in the
// manner of version-control tools: "tvx --help" lists the commands, "tvx help
// CMD" (or "tvx CMD --help") explains one, "tvx --version" names the version.
// Exit status: 0 success, 1 failure or problems found, 2 wrong command line.
// Every error is one line on standard error starting "tvx: ".
//
// Before any command runs, the tool's desktop is installed so that the
// library's message boxes print as "tvx: " lines and every question gets the
// answer that does least; nothing ever waits for a person.
#include <cstdio>
#include <cstring>

#include "platform/system/desktop.h"
#include "tools/tvx/commands.h"
#include "tools/tvx/tvx_desktop.h"

namespace {

// The commands, in the order "tvx --help" lists them.
const Command* const kCommands[] = {
    &newCommand,  &infoCommand,  &lsCommand,     &catCommand,   &putCommand,
    &pageCommand, &attrCommand,  &linkCommand,   &homeCommand,  &typesCommand, &findCommand, &renderCommand,
    &openCommand, &htmlCommand,  &viewCommand,   &checkCommand, &exportCommand, &importCommand, &defragCommand,
    &salvageCommand,
};

const Command* commandNamed(const char* name) {
  for (const Command* c : kCommands) {
    if (std::strcmp(c->name, name) == 0) return c;
  }
  return nullptr;
}

void printUsage(FILE* out) {
  std::fprintf(out,
               "usage: tvx COMMAND [ARGS...]\n"
               "       tvx help COMMAND\n"
               "       tvx --help\n"
               "       tvx --version\n"
               "\n"
               "Works on books (.tvx files) from the command line.\n"
               "\n"
               "Commands:\n");
  for (const Command* c : kCommands) std::fprintf(out, "  %-8s %s\n", c->name, c->summary);
  std::fprintf(out,
               "\n"
               "\"tvx help COMMAND\" (or \"tvx COMMAND --help\") explains one command, with\n"
               "an example. A PAGE is named by its ID (a decimal number) or by its name.\n"
               "Exit status: 0 success, 1 failure or problems found, 2 wrong command line.\n");
}

int unknownCommand(const char* name) {
  std::fprintf(stderr, "tvx: unknown command \"%s\" (try \"tvx --help\")\n", name);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  TvxDesktop desktop;
  DesktopScope desktopScope(desktop);

  if (argc < 2) {
    std::fprintf(stderr, "tvx: no command given (try \"tvx --help\")\n");
    return 2;
  }
  const char* name = argv[1];
  if (std::strcmp(name, "--version") == 0) {
    std::printf("tvx %s\n", TVX_VERSION);
    return 0;
  }
  if (std::strcmp(name, "help") == 0 && argc > 2) {
    const Command* c = commandNamed(argv[2]);
    if (c == nullptr) return unknownCommand(argv[2]);
    printCommandHelp(*c, stdout);
    return 0;
  }
  if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0 ||
      std::strcmp(name, "help") == 0) {
    printUsage(stdout);
    return 0;
  }
  const Command* c = commandNamed(name);
  if (c == nullptr) return unknownCommand(name);
  return runCommand(*c, argc - 1, argv + 1);
}
