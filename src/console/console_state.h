// The state of the console services: where output goes, the input device, the current colours,
// the deferred wrap at the bottom row and the cursor shape.
#pragma once

#include <cstdint>

struct ConsoleState {
  bool output_to_standard_output = false;  // else screen output goes to standard error
  bool console_input_open = false;          // the console input device could be opened
  bool input_is_console = false;
  bool output_is_console = false;
  std::int32_t foreground = 7;
  std::int32_t background = 0;
  std::uint8_t pending_wrap = 0;  // 0 or 255
  std::int32_t cursor_size = 0;
  std::int32_t cursor_visible = 0;  // 0 hidden, 1 shown, -1 shown but hidden during a clear
  bool silent = false;  // the run shows nothing and reads no key (console/device_in_use.h)
};

extern ConsoleState con_state;
