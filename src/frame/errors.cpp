#include "frame/errors.h"

namespace {
ErrorFrame default_frame;            // catches errors raised outside any routine's frame
ErrorFrame* running_frame = nullptr;  // the running routine's

// The last failing operating-system call, until the raise of its number takes its reason.
struct OsFailure {
  ErrorNumber number = 0;
  std::string reason;
};
OsFailure os_failure;
}  // namespace

ErrorFrame& rt_current_frame() { return running_frame != nullptr ? *running_frame : default_frame; }

ErrorFrame* rt_enter_frame(ErrorFrame* frame) {
  ErrorFrame* previous = running_frame;
  running_frame = frame;
  return previous;
}

void rt_note_os_failure(ErrorNumber number, std::string_view reason) {
  os_failure.number = number;
  os_failure.reason.assign(reason);
}

void rt_raise_error(ErrorNumber number) {
  if (number == 0) number = ERR_INTERNAL;
  ErrorFrame& frame = rt_current_frame();
  frame.error_word = static_cast<std::uint16_t>(ERROR_PENDING | number);
  frame.last_number = number;
  ++frame.failures;
  frame.reason.clear();
  if (os_failure.number == number) frame.reason.swap(os_failure.reason);
  os_failure = OsFailure{};
}

void rt_clear_error() { rt_current_frame().error_word = 0; }

FailureWatch::FailureWatch() : frame_(rt_current_frame()), start_(frame_.failures) { rt_clear_error(); }
