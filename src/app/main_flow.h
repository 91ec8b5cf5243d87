// The whole interactive run: banner, help screen, menus, file-name prompts, the drop detection
// of a first piece, the existence test, and the hand-over to the split or the join.
#pragma once

#include "app/command_line.h"

// The run of the command; gives the exit code: 0 for a finished split or glue, the help screen,
// Escape, --help and --version; 1 for a run that ended on a message (a missing file, a refused
// set, a refused size, a read or write failure); 2 for a wrong command line.
int app_main(Command command);

// Whether the run shows screens and reads keys, so that the console must be set up first; a
// scripted split or glue, --help and --version never touch the console.
bool app_needs_console(const Command& command);
