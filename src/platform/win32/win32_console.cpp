#include "platform/win32/win32_console.h"

#include <algorithm>
#include <string>

#include "platform/console_device.h"
#include "platform/cp437.h"
#include "platform/text_forms.h"

// Last: windows.h defines the control-key flags of console_device.h as macros of the same names.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

// Cells go to the console in batches of this many; longer segments take several calls.
constexpr int CELL_BATCH = 256;

// What the console shows in cell `at` of a row segment: the code-page-437 glyph of its byte, or,
// for the cells of a whole form in the segment (a character that code page 437 lacks), the
// character in the first cell and blanks in the others. A character that is no single narrow
// UTF-16 unit shows as the replacement character: a console cell holds one unit.
WCHAR shown_character(const ConsoleCell* cells, int count, int at) {
  for (int start = at; start >= 0 && start > at - static_cast<int>(TEXT_FORM_MAX_BYTES); --start) {
    const auto length = static_cast<int>(text_form_length(cells[start].character));
    if (length == 0 || start + length <= at || start + length > count) continue;
    char bytes[TEXT_FORM_MAX_BYTES];
    for (int i = 0; i < length; ++i) bytes[i] = static_cast<char>(cells[start + i].character);
    char32_t code = 0;
    if (text_take_code(std::string_view(bytes, static_cast<std::size_t>(length)), code) != length) continue;
    if (start != at) return L' ';
    return character_cells(code) == 1 && code < 0x10000 ? static_cast<WCHAR>(code) : static_cast<WCHAR>(STAND_IN);
  }
  return static_cast<WCHAR>(cp437_glyph(cells[at].character));
}

// How many input records one look takes at most: a character beyond the 16-bit range comes as
// two key records, maybe with releases between them.
constexpr DWORD PEEK_RECORDS = 4;

bool valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }

bool is_high_surrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

InputRecord input_record_from(const INPUT_RECORD& event, char32_t character) {
  InputRecord record;
  switch (event.EventType) {
    case KEY_EVENT: {
      const KEY_EVENT_RECORD& key = event.Event.KeyEvent;
      record.kind = InputEventKind::key;
      record.key_down = key.bKeyDown != FALSE;
      record.repeat_count = key.wRepeatCount;
      input_record_set_character(record, character);
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
    for (int done = 0; done < count;) {
      const int n = count - done < CELL_BATCH ? count - done : CELL_BATCH;
      for (int i = 0; i < n; ++i) {
        batch[i].Char.UnicodeChar = shown_character(cells, count, done + i);
        batch[i].Attributes = cells[done + i].attribute;
      }
      SMALL_RECT target{static_cast<SHORT>(x + done), static_cast<SHORT>(y),
                        static_cast<SHORT>(x + done + n - 1), static_cast<SHORT>(y)};
      WriteConsoleOutputW(screen_, batch, COORD{static_cast<SHORT>(n), 1}, COORD{0, 0}, &target);
      done += n;
    }
  }

  void scroll(int left, int top, int right, int bottom, int dest_x, int dest_y,
              ConsoleCell fill) override {
    CHAR_INFO fill_cell{};
    fill_cell.Char.UnicodeChar = static_cast<WCHAR>(cp437_glyph(fill.character));
    fill_cell.Attributes = fill.attribute;
    // Rows that would land above the top are dropped here, not left to the console: not every
    // console takes a destination above the buffer. The rows of the rectangle that nothing lands
    // on get the fill, as a scroll leaves them.
    const int dropped = dest_y < 0 ? -dest_y : 0;
    if (top + dropped <= bottom) {
      SMALL_RECT rectangle{static_cast<SHORT>(left), static_cast<SHORT>(top + dropped),
                           static_cast<SHORT>(right), static_cast<SHORT>(bottom)};
      ScrollConsoleScreenBufferW(screen_, &rectangle, nullptr,
                                 COORD{static_cast<SHORT>(dest_x), static_cast<SHORT>(dest_y + dropped)},
                                 &fill_cell);
    }
    if (dropped == 0) return;
    const int shift = dest_y - top;  // where each row of the rectangle goes, in rows
    const auto count = static_cast<DWORD>(right - left + 1);
    for (int row = std::max(top, bottom + shift + 1); row <= bottom; ++row) {
      const COORD start{static_cast<SHORT>(left), static_cast<SHORT>(row)};
      DWORD written = 0;
      FillConsoleOutputCharacterW(screen_, fill_cell.Char.UnicodeChar, count, start, &written);
      FillConsoleOutputAttribute(screen_, fill_cell.Attributes, count, start, &written);
    }
  }

  void fill_characters(int x, int y, long count, std::uint8_t character) override {
    DWORD written = 0;
    FillConsoleOutputCharacterW(screen_, static_cast<WCHAR>(cp437_glyph(character)), static_cast<DWORD>(count),
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
    INPUT_RECORD events[PEEK_RECORDS]{};
    DWORD copied = 0;
    if (PeekConsoleInputW(console_input_, events, PEEK_RECORDS, &copied) == FALSE) return InputPeek::failed;
    if (copied == 0) return InputPeek::empty;
    DWORD taken = 0;
    record = first_record(events, copied, taken);
    return InputPeek::record;
  }

  bool read_input(InputRecord& record) override {
    if (!valid(console_input_)) return false;
    INPUT_RECORD events[PEEK_RECORDS]{};
    DWORD copied = 0;
    if (PeekConsoleInputW(console_input_, events, PEEK_RECORDS, &copied) == FALSE || copied == 0) return false;
    DWORD taken = 0;
    record = first_record(events, copied, taken);
    DWORD read = 0;
    return ReadConsoleInputW(console_input_, events, taken, &read) != FALSE && read == taken;
  }

  void flush_input() override {
    if (valid(console_input_)) FlushConsoleInputBuffer(console_input_);
  }

  void sleep_one_millisecond() override { Sleep(1); }

  // Handles and console modes are left to the operating system at the end of the process, and
  // the screen buffer already shows everything written.
  void finish() override {}

 private:
  // The first record of those looked at, and how many records it takes: a key with the high
  // half of a surrogate pair takes the key with the low half too (and the releases between).
  static InputRecord first_record(const INPUT_RECORD* events, DWORD copied, DWORD& taken) {
    taken = 1;
    const INPUT_RECORD& first = events[0];
    if (first.EventType != KEY_EVENT) return input_record_from(first, 0);
    const wchar_t unit = first.Event.KeyEvent.uChar.UnicodeChar;
    if (first.Event.KeyEvent.bKeyDown != FALSE && is_high_surrogate(unit)) {
      for (DWORD at = 1; at < copied && events[at].EventType == KEY_EVENT; ++at) {
        const KEY_EVENT_RECORD& next = events[at].Event.KeyEvent;
        if (next.bKeyDown == FALSE) continue;
        if (is_low_surrogate(next.uChar.UnicodeChar)) {
          taken = at + 1;
          return input_record_from(first, 0x10000 + ((unit - 0xD800) << 10) + (next.uChar.UnicodeChar - 0xDC00));
        }
        break;
      }
    }
    return input_record_from(first, unit);
  }

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
