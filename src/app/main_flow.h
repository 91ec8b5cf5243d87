// The whole interactive run: banner, help screen, menus, file-name prompts, the drop detection
// of a first piece, the existence test, and the hand-over to the split or the join.
#pragma once

#include <cstdint>

// The run; gives the exit code: 0 for a finished split or glue, the help screen and Escape; 1
// for a run that ended on a message (a missing file, a refused set, a read or write failure).
int app_main();
