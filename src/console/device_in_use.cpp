#include "console/device_in_use.h"

#include "console/console_state.h"
#include "frame/runtime_state.h"
#include "platform/console_device.h"

namespace {

class SilentConsole final : public ConsoleDevice {
 public:
  bool is_console(StandardStream) override { return false; }
  bool open_input_device() override { return false; }
  void select_output(StandardStream) override {}
  void set_output_mode() override {}
  void set_raw_input_mode() override {}
  bool get_cursor_shape(StandardStream, CursorShape&) override { return false; }
  bool get_screen_info(ScreenBufferInfo& info) override {
    info = ScreenBufferInfo{};
    return true;
  }
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

ConsoleDevice& con_device() {
  static SilentConsole silent;
  if (con_state.silent) return silent;
  return *rt_state.console_device;
}

void con_set_silent(bool silent) { con_state.silent = silent; }

bool con_silent() { return con_state.silent; }
