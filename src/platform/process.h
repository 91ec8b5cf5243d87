// The process as the frame relies on it: its command line, its console, file system and clock,
// and its end.
#pragma once

#include <string>
#include <vector>

class Clock;
class ConsoleDevice;
class FileSystem;

// The command line as one zero-terminated text, program name first: code-page-437 bytes, and the
// forms of what the code page lacks (platform/text_forms.h). Where the system hands over
// separate arguments, they are joined by single blanks. The program name is put in double
// quotes when it holds a blank or a form, so that it ends where the name ends.
const char* process_command_line(int argc, char** argv);
// The same command line as separate arguments behind the program's name, each one whole, in the
// same text: on POSIX the arguments the system hands over, on Windows the command line split by
// the system's own rules.
std::vector<std::string> process_arguments(int argc, char** argv);

// The real console, file system and clock of this system. The console is set up lazily and is
// safe to use with no terminal at all.
ConsoleDevice& process_console();
FileSystem& process_file_system();
Clock& process_clock();

// One line on standard error, for the rare failure that must be said outside the screen. The
// message is code-page-437 text, as the screen shows it.
void process_report_failure(const char* message);

// Writes the program's own text (plain ASCII lines) to standard output, or to standard error,
// as it is. Nothing is said when it cannot be written.
void process_write_text(const char* text, bool to_error);
// Whether standard error is a terminal (or a console), where a line can be written again in place.
bool process_error_is_terminal();

// Gives the terminal back as it was found and ends the process with the code.
[[noreturn]] void process_exit(int code);
