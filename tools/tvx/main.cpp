// main.cpp: the tvx program's entry point and command dispatcher. tvx works on
// books from the command line, one subcommand per job ("tvx ls BOOK"), in the
// manner of version-control tools: "tvx --help" lists the commands, "tvx CMD
// --help" explains one. Exit status: 0 success, 1 failure or problems found,
// 2 wrong command line. Every error is one line on standard error starting
// "tvx: ".
//
// Before any command runs, the tool's desktop is installed so that the
// library's message boxes print as "tvx: " lines and every question gets the
// answer that does least; nothing ever waits for a person.
#include <cstdio>
#include <cstring>

#include "platform/desktop.h"
#include "tools/tvx/commands.h"
#include "tools/tvx/tvx_desktop.h"

namespace {

struct Command {
  const char* name;
  int (*run)(int argc, char** argv);
  const char* summary;
};

// The commands in the order "tvx --help" lists them. Commands whose source
// file is not in this folder yet are left out (see commands.h).
const Command kCommands[] = {
#ifdef TVX_HAVE_CMD_NEW
    {"new", cmdNew, "make a new, empty book file"},
#endif
#ifdef TVX_HAVE_CMD_INFO
    {"info", cmdInfo, "show the book file's header, space use and fragmentation"},
#endif
#ifdef TVX_HAVE_CMD_LS
    {"ls", cmdLs, "list the pages and links of a book"},
#endif
#ifdef TVX_HAVE_CMD_CAT
    {"cat", cmdCat, "write a page's body (map text) to standard output"},
#endif
#ifdef TVX_HAVE_CMD_PUT
    {"put", cmdPut, "replace a page's body with map text from a file"},
#endif
#ifdef TVX_HAVE_CMD_PAGE
    {"page", cmdPage, "add, remove, rename or retype a page"},
#endif
#ifdef TVX_HAVE_CMD_ATTR
    {"attr", cmdAttr, "list, get, set or remove a page's attributes"},
#endif
#ifdef TVX_HAVE_CMD_LINK
    {"link", cmdLink, "add or remove a link between pages"},
#endif
#ifdef TVX_HAVE_CMD_HOME
    {"home", cmdHome, "show or set the book's home page"},
#endif
#ifdef TVX_HAVE_CMD_CHECK
    {"check", cmdCheck, "check the book's structure and contents"},
#endif
#ifdef TVX_HAVE_CMD_EXPORT
    {"export", cmdExport, "write a whole book as a folder of map-text files"},
#endif
#ifdef TVX_HAVE_CMD_IMPORT
    {"import", cmdImport, "make a book from a folder written by export"},
#endif
#ifdef TVX_HAVE_CMD_DEFRAG
    {"defrag", cmdDefrag, "rewrite the book without fragmentation (as blkpack)"},
#endif
};

void printUsage(FILE* out) {
  std::fprintf(out,
               "usage: tvx COMMAND [ARGS...]\n"
               "       tvx COMMAND --help\n"
               "       tvx --help\n"
               "\n"
               "Works on books (.tvx files) from the command line.\n"
               "\n"
               "Commands:\n");
  for (const Command& c : kCommands) std::fprintf(out, "  %-8s %s\n", c.name, c.summary);
  std::fprintf(out,
               "\n"
               "A PAGE is named by its ID (a decimal number) or by its name.\n"
               "Exit status: 0 success, 1 failure or problems found, 2 wrong command line.\n");
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
  if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0 ||
      std::strcmp(name, "help") == 0) {
    if (argc > 2 && std::strcmp(name, "help") == 0) {
      // "tvx help CMD" is "tvx CMD --help".
      for (const Command& c : kCommands) {
        if (std::strcmp(c.name, argv[2]) == 0) {
          char helpArg[] = "--help";
          char* args[] = {argv[2], helpArg, nullptr};
          return c.run(2, args);
        }
      }
      std::fprintf(stderr, "tvx: unknown command \"%s\" (try \"tvx --help\")\n", argv[2]);
      return 2;
    }
    printUsage(stdout);
    return 0;
  }
  for (const Command& c : kCommands) {
    if (std::strcmp(c.name, name) == 0) {
      int status = c.run(argc - 1, argv + 1);
      std::fflush(stdout);
      return status;
    }
  }
  std::fprintf(stderr, "tvx: unknown command \"%s\" (try \"tvx --help\")\n", name);
  return 2;
}
