#include "platform/posix/terminal_console.h"

#include "platform/console_device.h"

namespace {
// Placeholder until the terminal stands: a console that shows nothing and has no keys.
class NoConsole : public ConsoleDevice {
 public:
  bool is_console(StandardStream) override { return false; }
  bool open_input_device() override { return false; }
  void select_output(StandardStream) override {}
  void set_output_mode() override {}
  void set_raw_input_mode() override {}
  bool get_cursor_shape(StandardStream, CursorShape&) override { return false; }
  bool get_screen_info(ScreenBufferInfo&) override { return false; }
  void write_cells(int, int, const ConsoleCell*, int) override {}
  void scroll(int, int, int, int, int, int, ConsoleCell) override {}
  void fill_characters(int, int, long, std::uint8_t) override {}
  void fill_attributes(int, int, long, std::uint16_t) override {}
  void set_cursor_position(int, int) override {}
  void set_cursor_shape(CursorShape) override {}
  InputPeek peek_input(InputRecord&) override { return InputPeek::no_input; }
  bool read_input(InputRecord&) override { return false; }
  void flush_input() override {}
  void sleep_one_millisecond() override {}
  void finish() override {}
};
}  // namespace

ConsoleDevice& posix_terminal_console() {
  static NoConsole console;
  return console;
}
