#include "platform/win32/win32_console.h"

#include "platform/console_device.h"

// Last: windows.h defines the control-key flags of console_device.h as macros of the same names.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// Cells go to the console in batches of this many; longer segments take several calls.
constexpr int CELL_BATCH = 256;

bool valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

InputRecord input_record_from(const INPUT_RECORD& event) {
  InputRecord record;
  switch (event.EventType) {
    case KEY_EVENT: {
      const KEY_EVENT_RECORD& key = event.Event.KeyEvent;
      record.kind = InputEventKind::key;
      record.key_down = key.bKeyDown != FALSE;
      record.repeat_count = key.wRepeatCount;
      record.character = static_cast<std::uint8_t>(key.uChar.AsciiChar);
      record.scan_code = key.wVirtualScanCode;
      record.control_state = key.dwControlKeyState;
      break;
    }
    case MOUSE_EVENT:
      record.kind = InputEventKind::mouse;
      record.key_down = false;
      break;
    default:
      record.kind = InputEventKind::other;
      record.key_down = false;
      break;
  }
  return record;
}

class Win32Console final : public ConsoleDevice {
 public:
  Win32Console()
      : input_(GetStdHandle(STD_INPUT_HANDLE)),
        output_(GetStdHandle(STD_OUTPUT_HANDLE)),
        error_(GetStdHandle(STD_ERROR_HANDLE)),
        screen_(error_) {}

  bool is_console(StandardStream stream) override {
    DWORD mode = 0;
    return GetConsoleMode(handle_of(stream), &mode) != FALSE;
  }

  bool open_input_device() override {
    if (!valid(console_input_)) {
      console_input_ = CreateFileA("CONIN$", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
    }
    return valid(console_input_);
  }

  void select_output(StandardStream stream) override { screen_ = handle_of(stream); }

  void set_output_mode() override {
    SetConsoleMode(screen_, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);
  }

  void set_raw_input_mode() override {
    SetConsoleMode(input_, 0);
    // Keys are read from the console input device; with standard input redirected it is the
    // only console input, and Ctrl+C must reach the program there too.
    if (valid(console_input_)) SetConsoleMode(console_input_, 0);
  }

  bool get_cursor_shape(StandardStream stream, CursorShape& shape) override {
    CONSOLE_CURSOR_INFO info{};
    if (GetConsoleCursorInfo(handle_of(stream), &info) == FALSE) return false;
    shape.size = static_cast<int>(info.dwSize);
    shape.visible = info.bVisible != FALSE;
    return true;
  }

  bool get_screen_info(ScreenBufferInfo& info) override {
    CONSOLE_SCREEN_BUFFER_INFO buffer{};
    if (GetConsoleScreenBufferInfo(screen_, &buffer) == FALSE) return false;
    info.columns = buffer.dwSize.X;
    info.rows = buffer.dwSize.Y;
    info.cursor_x = buffer.dwCursorPosition.X;
    info.cursor_y = buffer.dwCursorPosition.Y;
    return true;
  }

  void write_cells(int x, int y, const ConsoleCell* cells, int count) override {
    CHAR_INFO batch[CELL_BATCH];
    while (count > 0) {
      const int n = count < CELL_BATCH ? count : CELL_BATCH;
      for (int i = 0; i < n; ++i) {
        batch[i].Char.UnicodeChar = 0;  // the other half of the character field stays 0
        batch[i].Char.AsciiChar = static_cast<CHAR>(cells[i].character);
        batch[i].Attributes = cells[i].attribute;
      }
      SMALL_RECT target{static_cast<SHORT>(x), static_cast<SHORT>(y),
                        static_cast<SHORT>(x + n - 1), static_cast<SHORT>(y)};
      WriteConsoleOutputA(screen_, batch, COORD{static_cast<SHORT>(n), 1}, COORD{0, 0}, &target);
      cells += n;
      x += n;
      count -= n;
    }
  }

  void scroll(int left, int top, int right, int bottom, int dest_x, int dest_y,
              ConsoleCell fill) override {
    SMALL_RECT rectangle{static_cast<SHORT>(left), static_cast<SHORT>(top),
                         static_cast<SHORT>(right), static_cast<SHORT>(bottom)};
    CHAR_INFO fill_cell{};
    fill_cell.Char.AsciiChar = static_cast<CHAR>(fill.character);
    fill_cell.Attributes = fill.attribute;
    ScrollConsoleScreenBufferA(screen_, &rectangle, nullptr,
                               COORD{static_cast<SHORT>(dest_x), static_cast<SHORT>(dest_y)},
                               &fill_cell);
  }

  void fill_characters(int x, int y, long count, std::uint8_t character) override {
    DWORD written = 0;
    FillConsoleOutputCharacterA(screen_, static_cast<CHAR>(character), static_cast<DWORD>(count),
                                COORD{static_cast<SHORT>(x), static_cast<SHORT>(y)}, &written);
  }

  void fill_attributes(int x, int y, long count, std::uint16_t attribute) override {
    DWORD written = 0;
    FillConsoleOutputAttribute(screen_, attribute, static_cast<DWORD>(count),
                               COORD{static_cast<SHORT>(x), static_cast<SHORT>(y)}, &written);
  }

  void set_cursor_position(int x, int y) override {
    SetConsoleCursorPosition(screen_, COORD{static_cast<SHORT>(x), static_cast<SHORT>(y)});
  }

  void set_cursor_shape(CursorShape shape) override {
    CONSOLE_CURSOR_INFO info{};
    info.dwSize = static_cast<DWORD>(shape.size);
    info.bVisible = shape.visible ? TRUE : FALSE;
    SetConsoleCursorInfo(screen_, &info);
  }

  InputPeek peek_input(InputRecord& record) override {
    if (!valid(console_input_)) return InputPeek::no_input;
    INPUT_RECORD event{};
    DWORD copied = 0;
    if (PeekConsoleInputA(console_input_, &event, 1, &copied) == FALSE) return InputPeek::failed;
    if (copied == 0) return InputPeek::empty;
    record = input_record_from(event);
    return InputPeek::record;
  }

  bool read_input(InputRecord& record) override {
    if (!valid(console_input_)) return false;
    INPUT_RECORD event{};
    DWORD read = 0;
    if (ReadConsoleInputA(console_input_, &event, 1, &read) == FALSE || read != 1) return false;
    record = input_record_from(event);
    return true;
  }

  void flush_input() override {
    if (valid(console_input_)) FlushConsoleInputBuffer(console_input_);
  }

  void sleep_one_millisecond() override { Sleep(1); }

  // Handles and console modes are left to the operating system at the end of the process, and
  // the screen buffer already shows everything written.
  void finish() override {}

 private:
  HANDLE handle_of(StandardStream stream) const {
    switch (stream) {
      case StandardStream::input:
        return input_;
      case StandardStream::output:
        return output_;
      case StandardStream::error:
        break;
    }
    return error_;
  }

  HANDLE input_;
  HANDLE output_;
  HANDLE error_;
  HANDLE screen_;  // where all screen output goes: standard output or standard error
  HANDLE console_input_ = INVALID_HANDLE_VALUE;
};

}  // namespace

ConsoleDevice& win32_console() {
  static Win32Console console;
  return console;
}
