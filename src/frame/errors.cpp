#include "frame/errors.h"

#include "frame/runtime_state.h"

namespace {
ErrorFrame default_frame;  // catches errors raised outside any routine's frame
}

ErrorFrame& rt_current_frame() {
  return rt_state.error_frame != nullptr ? *rt_state.error_frame : default_frame;
}

ErrorFrame* rt_enter_frame(ErrorFrame* frame) {
  ErrorFrame* previous = rt_state.error_frame;
  rt_state.error_frame = frame;
  return previous;
}

void rt_raise_error(ErrorNumber number) {
  if (number == 0) number = ERR_INTERNAL;
  rt_current_frame().error_word = static_cast<std::uint16_t>(ERROR_PENDING | number);
}

void rt_clear_error() { rt_current_frame().error_word = 0; }
