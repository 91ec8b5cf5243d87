// The whole interactive run: banner, help screen, menus, file-name prompts, the drop detection
// of a first piece, the existence test, and the hand-over to the split or the join.
#pragma once

#include <cstdint>

#include "text/text_value.h"

// The run on the command-line tail; gives the exit code: 0 for a finished split or glue, the help screen and Escape; 1
// for a run that ended on a message (a missing file, a refused set, a read or write failure).
int app_main(const TextValue& tail);

// Whether the run on this tail shows screens and reads keys, so that the console must be set up
// first; a scripted split or glue, --help and --version never touch the console.
bool app_needs_console(const TextValue& tail);
