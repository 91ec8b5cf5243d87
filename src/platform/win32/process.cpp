#include "platform/process.h"

#include <cstring>

#include "platform/console_device.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_file_system.h"

// Last: windows.h defines the control-key flags of console_device.h as macros of the same names.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// The process's own command line, exactly as Windows keeps it: quotes, blanks and code page
// untouched. The arguments that the C run-time split from it are not needed.
const char* process_command_line(int, char**) { return GetCommandLineA(); }

ConsoleDevice& process_console() { return win32_console(); }

FileSystem& process_file_system() { return win32_file_system(); }

void process_report_failure(const char* message) {
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
  const char prefix[] = "tranchor: ";
  const char line_end[] = "\r\n";
  DWORD written = 0;
  WriteFile(error, prefix, sizeof prefix - 1, &written, nullptr);
  WriteFile(error, message, static_cast<DWORD>(std::strlen(message)), &written, nullptr);
  WriteFile(error, line_end, sizeof line_end - 1, &written, nullptr);
}

void process_write_text(const char* text, bool to_error) {
  HANDLE stream = GetStdHandle(to_error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(stream, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

void process_exit(int code) {
  process_console().finish();
  ExitProcess(static_cast<UINT>(code));
}
