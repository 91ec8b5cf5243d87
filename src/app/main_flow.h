// The whole interactive run: banner, help screen, menus, file-name prompts, the drop detection
// of a first piece, the existence test, and the hand-over to the split or the join.
#pragma once

#include <cstdint>

// The run; gives the exit code: 0, or 1 when a split or join had to stop on a failure.
int app_main();
