// A scripted run: the split, glue or check of each name the command gives, in turn, with no
// screen and no key. Each failure is its own line on standard error.
#pragma once

#include "app/command_line.h"

// Gives the exit code: 0 when every name was done, 1 when any failed.
int app_run_scripted(const Command& command);
