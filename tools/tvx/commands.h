// commands.h: the tvx commands, one file each (cmd_<name>.cpp defines
// <name>Command). The command table in main.cpp lists them in the order
// "tvx --help" shows them.
#ifndef TOOLS_TVX_COMMANDS_H
#define TOOLS_TVX_COMMANDS_H

#include "tools/tvx/command.h"

extern const Command newCommand;
extern const Command infoCommand;
extern const Command lsCommand;
extern const Command catCommand;
extern const Command putCommand;
extern const Command pageCommand;
extern const Command attrCommand;
extern const Command linkCommand;
extern const Command homeCommand;
extern const Command typesCommand;
extern const Command findCommand;
extern const Command renderCommand;
extern const Command openCommand;
extern const Command htmlCommand;
extern const Command checkCommand;
extern const Command exportCommand;
extern const Command importCommand;
extern const Command defragCommand;
extern const Command salvageCommand;
extern const Command viewCommand;

#endif  // TOOLS_TVX_COMMANDS_H
