// commands.h: the subcommands of the tvx program, as the dispatcher in main.cpp
// calls them. Each takes the command line from the subcommand's own name on
// (argv[0] is the subcommand, e.g. "check") and returns the program's exit
// status: 0 success, 1 failure or problems found, 2 wrong command line.
// Errors go to standard error as one line starting "tvx: ".
//
// Where each command lives (one file per command, in this folder):
//   cmdNew      cmd_new.cpp        cmdInfo    cmd_info.cpp
//   cmdLs       cmd_ls.cpp         cmdCat     cmd_cat.cpp
//   cmdPut      cmd_put.cpp        cmdPage    cmd_page.cpp
//   cmdAttr     cmd_attr.cpp       cmdLink    cmd_link.cpp
//   cmdHome     cmd_home.cpp
//   cmdCheck    cmd_check.cpp      (the book's integrity check, with book_check.h/.cpp)
//   cmdExport   cmd_export.cpp     cmdImport  cmd_import.cpp
//   cmdDefrag   cmd_defrag.cpp
//
// The build compiles every .cpp of this folder into tvx. A command whose file
// is not there yet is left out of the dispatcher table (tools/CMakeLists.txt
// defines TVX_HAVE_CMD_<NAME> for each cmd_<name>.cpp it finds), so the
// program keeps building while the commands arrive one by one.
//
// The one-line summaries shown by "tvx --help" are kept beside the table in
// main.cpp; a command's own "--help" text is printed by the command itself.
#ifndef TVX_TOOLS_TVX_COMMANDS_H
#define TVX_TOOLS_TVX_COMMANDS_H

int cmdNew(int argc, char** argv);
int cmdInfo(int argc, char** argv);
int cmdLs(int argc, char** argv);
int cmdCat(int argc, char** argv);
int cmdPut(int argc, char** argv);
int cmdPage(int argc, char** argv);
int cmdAttr(int argc, char** argv);
int cmdLink(int argc, char** argv);
int cmdHome(int argc, char** argv);

int cmdCheck(int argc, char** argv);   // argv[0] is "check"
int cmdExport(int argc, char** argv);
int cmdImport(int argc, char** argv);
int cmdDefrag(int argc, char** argv);

#endif  // TVX_TOOLS_TVX_COMMANDS_H
