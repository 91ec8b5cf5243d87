// The process frame: console set-up, the command-line tail, the per-run reset, the call of the
// main routine, and the end of the process with its result as the exit code.
#pragma once

#include "text/text_value.h"

// The process entry: runs the tool on the command line and ends the process. Never returns.
[[noreturn]] void rt_start(const char* command_line);

// The same run without ending the process: tail, app_main; gives the exit code. The console
// device and file system in rt_state must be set.
int rt_run(const char* command_line);

// Fills the console handles and flags, sets the console modes and reads the cursor shape. The
// main routine calls it for a run that shows screens; a scripted run never touches the console.
void rt_console_setup();

// Where the tail begins in a command line: behind the program's own name and the spaces after it.
const char* rt_skip_program_name(const char* command_line);

// Per-run reset before the main routine, and the hand-back of its result after it.
void rt_app_begin();
int rt_app_end(int result);

// A new copy of the command-line tail; the empty text for an empty tail.
TextValue rt_command_tail();

// Ends the run when a key is needed and no console input exists: the terminal is given back,
// one line on standard error says why, and the process ends with exit code 1. After
// rt_set_ending_message the line is that message and the code its status; an empty message
// ends the process quietly.
[[noreturn]] void rt_end_without_console();

// One line on standard error: "tranchor: " and the message (text as the screen shows it).
void rt_report(const TextValue& message);
// The program's own text (plain ASCII lines) on standard output, or standard error.
void rt_write_text(const char* text, bool to_error);

// The message that a run about to wait for its last key has shown (its rows joined by blanks),
// and the exit status of that ending: what rt_end_without_console reports when no console can
// show the screen or give the key.
void rt_set_ending_message(const TextValue& message, int status);

// The application's main routine; its result is the exit code.
int app_main();
