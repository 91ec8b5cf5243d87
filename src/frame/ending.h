// What a run says outside its screen, and its end when no console is there to give a key: one
// line on standard error, the program's own text on standard output, and the exit.
#pragma once

#include <string_view>

// One line on standard error: "tranchor: " and the message (text as the screen shows it).
void rt_report(std::string_view message);
// The program's own text (plain ASCII lines) on standard output, or standard error.
void rt_write_text(const char* text, bool to_error);
// Whether standard error is a terminal, where a progress line is written again in place.
bool rt_error_is_terminal();

// The message that a run about to wait for its last key has shown (its rows joined by blanks),
// and the exit status of that ending: what rt_end_without_console reports when no console can
// show the screen or give the key.
void rt_set_ending_message(std::string_view message, int status);
// Forgets the ending message, so that a run starts without one.
void rt_clear_ending_message();

// Ends the run when a key is needed and no console input exists: the terminal is given back,
// one line on standard error says why, and the process ends with exit code 1. After
// rt_set_ending_message the line is that message and the code its status; an empty message
// ends the process quietly.
[[noreturn]] void rt_end_without_console();
