#include "platform/process.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/console_device.h"
#include "platform/posix/cp437.h"
#include "platform/posix/exit_cleanup.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/terminal_console.h"

const char* process_command_line(int argc, char** argv) {
  static std::string command_line;
  command_line.clear();
  std::string program = argc > 0 && argv[0] != nullptr ? argv[0] : "tranchor";
  if (program.find(' ') != std::string::npos) {
    command_line += '"';
    command_line += program;
    command_line += '"';
  } else {
    command_line += program;
  }
  for (int index = 1; index < argc; ++index) {
    command_line += ' ';
    command_line += argv[index];
  }
  // A zero byte cannot come from argv, so the converted line ends where it should.
  command_line = utf8_to_cp437(command_line);
  return command_line.c_str();
}

ConsoleDevice& process_console() { return posix_terminal_console(); }

FileSystem& process_file_system() { return posix_file_system(); }

void process_report_failure(const char* message) {
  // The terminal is handed back first, so that the line stays where it is written: handed back
  // afterwards, the cursor would go back up to the program's cursor and the shell would write
  // over the line.
  process_console().finish();
  // The message is text of the program (code page 437, names included); the terminal reads UTF-8.
  std::string line = "tranchor: ";
  line += cp437_to_utf8(message);
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

void process_exit(int code) {
  // A file still listed for removal is one the run did not finish: it goes on every ending.
  exit_cleanup_run();
  process_console().finish();
  std::exit(code);
}
