#include "platform/process.h"

#include <cstring>
#include <string>
#include <string_view>

#include "platform/console_device.h"
#include "platform/cp437.h"
#include "platform/text_forms.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_console.h"
#include "platform/win32/win32_file_system.h"

// Last: windows.h defines the control-key flags of console_device.h as macros of the same names.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

// The process's own command line, exactly as Windows keeps it (quotes and blanks untouched), as a
// text: every character Windows can hold comes through, whatever the code pages. The arguments
// that the C run-time split from it are not needed.
const char* process_command_line(int, char**) {
  static std::string command_line;
  const std::u16string_view line(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  // The program's name as the tail is found behind it: up to the closing quote, or up to the
  // first unit from 0 to 32. A form's first byte is a control byte, which would end an unquoted
  // name early: such a name is put in quotes.
  std::size_t name_end = 0;
  if (!line.empty() && line[0] == u'"') {
    const std::size_t quote = line.find(u'"', 1);
    name_end = quote == std::u16string_view::npos ? line.size() : quote + 1;
  } else {
    while (name_end < line.size() && line[name_end] > u' ') ++name_end;
  }
  const std::string name = text_from_utf16(line.substr(0, name_end));
  bool quote = !line.empty() && line[0] != u'"' && line[0] != u' ';
  if (quote) {
    quote = false;
    for (const char byte : name) quote = quote || static_cast<unsigned char>(byte) < 32;
  }
  command_line = quote ? "\"" + name + "\"" : name;
  command_line += text_from_utf16(line.substr(name_end));
  return command_line.c_str();
}

std::vector<std::string> process_arguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (words == nullptr) return arguments;
  // The first word is the program's name.
  for (int index = 1; index < count; ++index) {
    arguments.push_back(text_from_utf16(std::u16string_view(reinterpret_cast<const char16_t*>(words[index]))));
  }
  LocalFree(words);
  return arguments;
}

ConsoleDevice& process_console() { return win32_console(); }

FileSystem& process_file_system() { return win32_file_system(); }

Clock& process_clock() { return win32_clock(); }

void process_report_failure(const char* message) {
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
  // The message is text of the program (names included): a console takes its characters, a file
  // or pipe their UTF-8.
  std::u32string line = U"tranchor: " + text_for_display(message) + U"\r\n";
  DWORD written = 0;
  DWORD mode = 0;
  if (GetConsoleMode(error, &mode) != FALSE) {
    std::u16string units;
    for (const char32_t character : line) utf16_append(units, character);
    WriteConsoleW(error, reinterpret_cast<const wchar_t*>(units.data()), static_cast<DWORD>(units.size()), &written,
                  nullptr);
    return;
  }
  std::string bytes;
  for (const char32_t character : line) utf8_append(bytes, character);
  WriteFile(error, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void process_write_text(const char* text, bool to_error) {
  HANDLE stream = GetStdHandle(to_error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(stream, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

bool process_error_is_terminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

void process_exit(int code) {
  process_console().finish();
  ExitProcess(static_cast<UINT>(code));
}
