#include "platform/process.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/console_device.h"
#include "platform/cp437.h"
#include "platform/posix/exit_cleanup.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/terminal_console.h"
#include "platform/text_forms.h"

const char* process_command_line(int argc, char** argv) {
  static std::string command_line;
  command_line.clear();
  const std::string program = text_from_utf8(argc > 0 && argv[0] != nullptr ? argv[0] : "tranchor");
  // An unquoted program name ends at the first byte from 0 to 32: one with a blank or a form
  // (whose marker is a control byte) is put in quotes.
  bool quoted = false;
  for (const char byte : program) quoted = quoted || static_cast<unsigned char>(byte) <= 32;
  if (quoted) command_line += '"';
  command_line += program;
  if (quoted) command_line += '"';
  // A zero byte cannot come from argv, and forms hold none, so the line ends where it should.
  for (int index = 1; index < argc; ++index) {
    command_line += ' ';
    command_line += text_from_utf8(argv[index]);
  }
  return command_line.c_str();
}

std::vector<std::string> process_arguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int index = 1; index < argc; ++index) arguments.push_back(text_from_utf8(argv[index]));
  return arguments;
}

ConsoleDevice& process_console() { return posix_terminal_console(); }

FileSystem& process_file_system() { return posix_file_system(); }

Clock& process_clock() { return posix_clock(); }

void process_report_failure(const char* message) {
  // The terminal is handed back first, so that the line stays where it is written: handed back
  // afterwards, the cursor would go back up to the program's cursor and the shell would write
  // over the line.
  process_console().finish();
  // The message is text of the program (code page 437, names included); the terminal reads UTF-8.
  std::string line = "tranchor: ";
  for (const char32_t character : text_for_display(message)) utf8_append(line, character);
  line += '\n';
  ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
  (void)ignored;
}

void process_write_text(const char* text, bool to_error) {
  const int fd = to_error ? STDERR_FILENO : STDOUT_FILENO;
  std::size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t written = ::write(fd, text, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text += written;
    left -= static_cast<std::size_t>(written);
  }
}

bool process_error_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }

void process_exit(int code) {
  // A file still listed for removal is one the run did not finish: it goes on every ending.
  exit_cleanup_run();
  process_console().finish();
  std::exit(code);
}
