// Files that must not outlive a run that a signal ends: the glue's temporary file, and the
// pieces and temporary piece 1 of a split that is not finished. The list is read inside signal
// handlers, so it is a few fixed slots, each published only once it is complete. A run of names
// that differ only in a number at their end (DATA.2, DATA.3, ...) takes one slot however long.
#pragma once

#include <string>

// Registers the path (as the operating system takes it) for removal; false when every slot is
// taken.
bool exit_cleanup_add(const std::string& path);
// Forgets the path: the program renamed or removed that file itself.
void exit_cleanup_drop(const std::string& path);
// Forgets every path: the files are the run's finished outputs.
void exit_cleanup_keep_all();
// Removes every registered file. Async-signal-safe: for the handlers of ending signals.
void exit_cleanup_run();

// The signals that end a process by default and can be caught: their handlers run the clean-up
// (terminal_signals.h).
extern const int ENDING_SIGNALS[11];
// Holds the ending signals back, or lets the held ones come: a file that is made and listed for
// removal in between is never made without being listed.
void exit_cleanup_hold_endings(bool held);
