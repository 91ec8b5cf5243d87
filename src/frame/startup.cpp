#include "frame/startup.h"

#include <string>

#include "console/screen.h"
#include "files/channels.h"
#include "files/dir_search.h"
#include "frame/runtime_state.h"
#include "platform/console_device.h"
#include "platform/process.h"

namespace {
ErrorFrame main_routine_frame;
ErrorFrame* frame_before_run = nullptr;
}  // namespace

void rt_console_setup() {
  ConsoleDevice& device = *rt_state.console_device;
  ConsoleState& console = rt_state.console;

  // Screen output goes to standard error unless standard output is a console.
  console.output_to_standard_output = false;
  device.select_output(StandardStream::error);
  console.console_input_open = device.open_input_device();
  console.input_is_console = false;
  console.output_is_console = false;
  if (device.is_console(StandardStream::output)) {
    console.output_to_standard_output = true;
    console.output_is_console = true;
    device.select_output(StandardStream::output);
  }
  device.set_output_mode();
  if (device.is_console(StandardStream::input)) console.input_is_console = true;
  device.set_raw_input_mode();

  CursorShape shape;
  bool known = device.get_cursor_shape(console.output_to_standard_output ? StandardStream::output
                                                                         : StandardStream::error,
                                       shape) &&
               shape.size != 0;
  if (!known) known = device.get_cursor_shape(StandardStream::output, shape) && shape.size != 0;
  if (known) {
    console.cursor_size = shape.size;
    console.cursor_visible = shape.visible ? 1 : 0;
  } else {
    console.cursor_size = 1;
    console.cursor_visible = 1;
    device.set_cursor_shape(CursorShape{1, true});
  }
}

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

TextValue rt_command_tail() { return txt_from_zstring(rt_state.command_tail); }

void rt_app_begin() {
  con_reset();
  rt_state.ending_message.clear();
  rt_state.ending_status = 1;
  main_routine_frame = ErrorFrame{};
  frame_before_run = rt_enter_frame(&main_routine_frame);
  // Whatever an earlier run in this process left open is closed, so each run starts with no
  // channel and no search.
  file_close_all();
  dir_search_end();
}

int rt_app_end(int result) {
  rt_enter_frame(frame_before_run);
  return result;
}

int rt_run(const char* command_line) {
  rt_state.command_tail = rt_skip_program_name(command_line);
  rt_app_begin();
  const int result = app_main();
  return rt_app_end(result);
}

void rt_start(const char* command_line) {
  rt_state.console_device = &process_console();
  rt_state.file_system = &process_file_system();
  process_exit(rt_run(command_line));
}

void rt_report(const TextValue& message) {
  const std::string line(txt_view(message));
  process_report_failure(line.c_str());
}

void rt_write_text(const char* text, bool to_error) { process_write_text(text, to_error); }

void rt_set_ending_message(const TextValue& message, int status) {
  rt_state.ending_message.assign(txt_view(message));
  rt_state.ending_status = status;
}

void rt_end_without_console() {
  rt_state.console_device->finish();
  if (rt_state.ending_message.empty() && rt_state.ending_status == 0) process_exit(0);
  if (rt_state.ending_message.empty()) {
    process_report_failure("no console is available for input");
    process_exit(1);
  }
  process_report_failure(rt_state.ending_message.c_str());
  process_exit(rt_state.ending_status);
}
