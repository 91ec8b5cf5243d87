#include "console/console_setup.h"

#include "console/console_state.h"
#include "frame/runtime_state.h"
#include "platform/console_device.h"

void con_setup() {
  ConsoleDevice& device = *rt_state.console_device;
  ConsoleState& console = con_state;

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
