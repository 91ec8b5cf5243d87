// Files that must not outlive a run that a signal ends: the glue's temporary file. The list is
// read inside signal handlers, so it is a few fixed slots, each published only once its path is
// complete.
#pragma once

#include <string>

// Registers the path (as the operating system takes it) for removal; false when every slot is
// taken.
bool exit_cleanup_add(const std::string& path);
// Forgets the path: the program renamed or removed that file itself.
void exit_cleanup_drop(const std::string& path);
// Removes every registered file. Async-signal-safe: for the handlers of ending signals.
void exit_cleanup_run();
