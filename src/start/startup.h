// The process's start and end: the command-line tail, the per-run reset of the services, the
// console's set-up for a run that shows screens, the call of the application's main routine,
// and the end of the process with its result as the exit code.
#pragma once

#include <string>
#include <vector>

// The process entry: runs the tool on the command line (as one line, and as the arguments behind
// the program's name) and ends the process. Never returns.
[[noreturn]] void rt_start(const char* command_line, const std::vector<std::string>& arguments);

// The same run without ending the process: tail, reset, set-up, app_main; gives the exit code.
// The console device and file system in rt_state must be set.
int rt_run(const char* command_line, const std::vector<std::string>& arguments);

// Where the tail begins in a command line: behind the program's own name and the spaces after it.
const char* rt_skip_program_name(const char* command_line);

// Per-run reset before the main routine (colours, no pending wrap, no open channel, no search,
// no error, no ending message), and the hand-back of its result after it.
void rt_app_begin();
int rt_app_end(int result);
