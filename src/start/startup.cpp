#include "start/startup.h"

#include "app/command_line.h"
#include "app/main_flow.h"
#include "console/console_setup.h"
#include "console/screen.h"
#include "files/channels.h"
#include "frame/ending.h"
#include "frame/errors.h"
#include "frame/runtime_state.h"
#include "platform/process.h"
#include "text/text_value.h"

namespace {
ErrorFrame main_routine_frame;
ErrorFrame* frame_before_run = nullptr;
}  // namespace

const char* rt_skip_program_name(const char* command_line) {
  const auto* at = reinterpret_cast<const unsigned char*>(command_line);
  if (*at == '"') {
    ++at;
    while (*at != 0 && *at != '"') ++at;
    if (*at == 0) return reinterpret_cast<const char*>(at);  // no closing quote: empty tail
    ++at;
    while (*at == ' ') ++at;
  } else if (*at == ' ') {
    while (*at == ' ') ++at;
  } else {
    while (*at > 32) ++at;
    // A control byte (the terminating zero, a tab, ...) ending the name starts the tail.
    while (*at == ' ') ++at;
  }
  return reinterpret_cast<const char*>(at);
}

void rt_app_begin() {
  con_reset();
  rt_clear_ending_message();
  main_routine_frame = ErrorFrame{};
  frame_before_run = rt_enter_frame(&main_routine_frame);
  // Whatever an earlier run in this process left open is closed, so each run starts with no
  // channel and no search.
  file_reset();
}

int rt_app_end(int result) {
  rt_enter_frame(frame_before_run);
  return result;
}

int rt_run(const char* command_line, const std::vector<std::string>& arguments) {
  const TextValue tail = txt_from_zstring(rt_skip_program_name(command_line));
  std::vector<TextValue> words;
  for (const std::string& argument : arguments) {
    words.push_back(txt_from_bytes(argument.data(), static_cast<std::uint32_t>(argument.size())));
  }
  Command command = app_read_command_line(tail, words);
  rt_app_begin();
  // A scripted run shows nothing and never touches the terminal.
  if (app_needs_console(command)) con_setup();
  const int result = app_main(std::move(command));
  return rt_app_end(result);
}

void rt_start(const char* command_line, const std::vector<std::string>& arguments) {
  rt_state.console_device = &process_console();
  rt_state.file_system = &process_file_system();
  rt_state.clock = &process_clock();
  process_exit(rt_run(command_line, arguments));
}
