#include "frame/ending.h"

#include <string>

#include "frame/runtime_state.h"
#include "platform/console_device.h"
#include "platform/process.h"

namespace {

struct Ending {
  std::string message;
  int status = 1;
};
Ending ending;

}  // namespace

void rt_report(std::string_view message) {
  const std::string line(message);
  process_report_failure(line.c_str());
}

void rt_write_text(const char* text, bool to_error) { process_write_text(text, to_error); }

bool rt_error_is_terminal() { return process_error_is_terminal(); }

void rt_set_ending_message(std::string_view message, int status) {
  ending.message.assign(message);
  ending.status = status;
}

void rt_clear_ending_message() { ending = Ending{}; }

void rt_end_without_console() {
  rt_state.console_device->finish();
  if (ending.message.empty() && ending.status == 0) process_exit(0);
  if (ending.message.empty()) {
    process_report_failure("no console is available for input");
    process_exit(1);
  }
  process_report_failure(ending.message.c_str());
  process_exit(ending.status);
}
