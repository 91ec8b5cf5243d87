#include "frame/errors.h"

namespace {
ErrorFrame default_frame;            // catches errors raised outside any routine's frame
ErrorFrame* running_frame = nullptr;  // the running routine's
}  // namespace

ErrorFrame& rt_current_frame() { return running_frame != nullptr ? *running_frame : default_frame; }

ErrorFrame* rt_enter_frame(ErrorFrame* frame) {
  ErrorFrame* previous = running_frame;
  running_frame = frame;
  return previous;
}

void rt_raise_error(ErrorNumber number) {
  if (number == 0) number = ERR_INTERNAL;
  rt_current_frame().error_word = static_cast<std::uint16_t>(ERROR_PENDING | number);
}

void rt_clear_error() { rt_current_frame().error_word = 0; }
