// The Windows console device against a real console: what its cells, cursor and input records
// hold afterwards, read back with the console's own calls. Skipped when the process has no
// console (a test run with its output in a pipe); tools/windows.sh also runs it in a terminal.
#include "platform/console_device.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cp437.h"
#include "platform/process.h"
#include "platform/text_forms.h"

// Last: windows.h defines the control-key flags of console_device.h as macros of the same names.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

class Win32ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (device.is_console(StandardStream::output)) {
      stream_ = StandardStream::output;
      screen_ = GetStdHandle(STD_OUTPUT_HANDLE);
    } else if (device.is_console(StandardStream::error)) {
      stream_ = StandardStream::error;
      screen_ = GetStdHandle(STD_ERROR_HANDLE);
    } else {
      GTEST_SKIP() << "no console";
    }
    device.select_output(stream_);
    ASSERT_TRUE(device.open_input_device());
    input_ = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(input_, INVALID_HANDLE_VALUE);
    device.set_raw_input_mode();
    device.flush_input();
    ASSERT_TRUE(device.get_screen_info(screen));
  }
  void TearDown() override {
    if (input_ != INVALID_HANDLE_VALUE) {
      device.flush_input();
      CloseHandle(input_);
    }
  }

  CHAR_INFO cell_at(int x, int y) {
    CHAR_INFO cell{};
    SMALL_RECT from{static_cast<SHORT>(x), static_cast<SHORT>(y), static_cast<SHORT>(x),
                    static_cast<SHORT>(y)};
    ReadConsoleOutputW(screen_, &cell, COORD{1, 1}, COORD{0, 0}, &from);
    return cell;
  }
  char32_t char_at(int x, int y) { return cell_at(x, y).Char.UnicodeChar; }

  void inject(const INPUT_RECORD& event) {
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputW(input_, &event, 1, &written));
    ASSERT_EQ(written, 1u);
  }
  static INPUT_RECORD key(bool down, wchar_t character, WORD scan, DWORD control = 0) {
    INPUT_RECORD event{};
    event.EventType = KEY_EVENT;
    event.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
    event.Event.KeyEvent.wRepeatCount = 3;
    event.Event.KeyEvent.uChar.UnicodeChar = character;
    event.Event.KeyEvent.wVirtualScanCode = scan;
    event.Event.KeyEvent.dwControlKeyState = control;
    return event;
  }

  ConsoleDevice& device = process_console();
  ScreenBufferInfo screen;

 private:
  StandardStream stream_ = StandardStream::output;
  HANDLE screen_ = INVALID_HANDLE_VALUE;
  HANDLE input_ = INVALID_HANDLE_VALUE;
};

TEST_F(Win32ConsoleTest, ScreenInfoIsTheWholeBufferAndItsCursor) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  ASSERT_TRUE(GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info) ||
              GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info));
  EXPECT_EQ(screen.columns, info.dwSize.X);
  EXPECT_EQ(screen.rows, info.dwSize.Y);
  device.set_cursor_position(3, 2);
  ASSERT_TRUE(device.get_screen_info(screen));
  EXPECT_EQ(screen.cursor_x, 3);
  EXPECT_EQ(screen.cursor_y, 2);
}

TEST_F(Win32ConsoleTest, CellsShowTheGlyphOfEveryByteAndTheCursorStays) {
  ASSERT_GE(screen.columns, 24);
  device.set_cursor_position(0, 0);
  // Control bytes, the square of the prompts and the top half: each is one cell, whatever the
  // console's code page.
  const std::uint8_t bytes[] = {7, 8, 9, 10, 13, 27, 0xFE, 0x84, 'A', 0, 255};
  ConsoleCell cells[sizeof bytes];
  for (std::size_t i = 0; i < sizeof bytes; ++i) cells[i] = ConsoleCell{bytes[i], 0x1E};
  device.write_cells(2, 1, cells, static_cast<int>(sizeof bytes));
  for (std::size_t i = 0; i < sizeof bytes; ++i) {
    const CHAR_INFO cell = cell_at(2 + static_cast<int>(i), 1);
    EXPECT_EQ(static_cast<char32_t>(cell.Char.UnicodeChar), cp437_glyph(bytes[i])) << i;
    EXPECT_EQ(cell.Attributes, 0x1E) << i;
  }
  ASSERT_TRUE(device.get_screen_info(screen));
  EXPECT_EQ(screen.cursor_x, 0);
  EXPECT_EQ(screen.cursor_y, 0);
}

TEST_F(Win32ConsoleTest, AFormShowsItsCharacterOnceAndBlanks) {
  // A Cyrillic letter (a form of 2 bytes) shows itself; a CJK character, which takes two cells of
  // a console, shows the stand-in; a form cut by the segment's end shows its bytes' glyphs.
  std::string text = "a";
  text_append_code(text, U'\u0416');
  text_append_code(text, U'\u65e5');
  text += 'b';
  text_append_code(text, U'\u0416');
  text.pop_back();
  std::vector<ConsoleCell> cells;
  for (char byte : text) cells.push_back(ConsoleCell{static_cast<std::uint8_t>(byte), 7});
  device.write_cells(0, 3, cells.data(), static_cast<int>(cells.size()));
  const char32_t shown[] = {U'a', U'\u0416', U' ', STAND_IN, U' ', U' ', U'b', cp437_glyph(cells.back().character)};
  ASSERT_EQ(cells.size(), std::size(shown));
  for (std::size_t i = 0; i < std::size(shown); ++i) EXPECT_EQ(char_at(static_cast<int>(i), 3), shown[i]) << i;
}

TEST_F(Win32ConsoleTest, FillsRunAcrossRowEndsAndScrollsMoveRowsUp) {
  const int w = screen.columns;
  device.fill_characters(0, 0, static_cast<long>(w) * 3, 'x');
  device.fill_attributes(0, 0, static_cast<long>(w) * 3, 7);
  device.fill_characters(w - 1, 0, 2, 'y');  // the last cell of row 0, the first of row 1
  EXPECT_EQ(char_at(w - 1, 0), 'y');
  EXPECT_EQ(char_at(0, 1), 'y');
  EXPECT_EQ(char_at(1, 1), 'x');
  ConsoleCell row2[] = {{'r', 7}, {'2', 7}};
  device.write_cells(0, 2, row2, 2);
  // The whole screen up by one row, as the screen service scrolls: the bottom row is blanked.
  device.scroll(0, 1, w - 1, screen.rows - 1, 0, 0, ConsoleCell{' ', 7});
  EXPECT_EQ(char_at(0, 0), 'y');
  EXPECT_EQ(char_at(0, 1), 'r');
  EXPECT_EQ(char_at(1, 1), '2');
  EXPECT_EQ(char_at(0, screen.rows - 1), ' ');
  EXPECT_EQ(cell_at(0, screen.rows - 1).Attributes, 7);

  // Several rows at once, as a long write scrolls: the whole screen moves up, the rows it leaves
  // are blanked.
  const char32_t third_row = char_at(0, 2);
  device.write_cells(0, 3, row2, 2);
  device.scroll(0, 0, w - 1, screen.rows - 1, 0, -2, ConsoleCell{' ', 7});
  EXPECT_EQ(char_at(0, 0), third_row);
  EXPECT_EQ(char_at(0, 1), 'r');
  EXPECT_EQ(char_at(1, 1), '2');
  for (int row = screen.rows - 2; row < screen.rows; ++row) EXPECT_EQ(char_at(0, row), ' ') << row;
}

TEST_F(Win32ConsoleTest, TheCursorShapeIsAppliedAndReadBack) {
  CursorShape before;
  ASSERT_TRUE(device.get_cursor_shape(StandardStream::error, before) ||
              device.get_cursor_shape(StandardStream::output, before));
  device.set_cursor_shape(CursorShape{99, false});
  CONSOLE_CURSOR_INFO info{};
  ASSERT_TRUE(GetConsoleCursorInfo(GetStdHandle(STD_ERROR_HANDLE), &info) ||
              GetConsoleCursorInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info));
  EXPECT_EQ(info.dwSize, 99u);
  EXPECT_FALSE(info.bVisible);
  device.set_cursor_shape(before);
}

TEST_F(Win32ConsoleTest, KeyRecordsArriveAsTheConsoleGivesThem) {
  InputRecord record;
  EXPECT_EQ(device.peek_input(record), InputPeek::empty);
  inject(key(true, L'\u00e4', 0x28, LEFT_ALT_PRESSED | SHIFT_PRESSED));
  INPUT_RECORD mouse{};
  mouse.EventType = MOUSE_EVENT;
  inject(mouse);
  INPUT_RECORD focus{};
  focus.EventType = FOCUS_EVENT;
  inject(focus);
  inject(key(false, 'a', 0x1E));

  // A look leaves the record in the queue.
  ASSERT_EQ(device.peek_input(record), InputPeek::record);
  ASSERT_EQ(device.peek_input(record), InputPeek::record);
  EXPECT_EQ(record.kind, InputEventKind::key);
  EXPECT_TRUE(record.key_down);
  EXPECT_EQ(record.repeat_count, 3);
  EXPECT_EQ(record.character, 0x84);
  EXPECT_EQ(record.scan_code, 0x28);
  EXPECT_EQ(record.control_state, LEFT_ALT_PRESSED | SHIFT_PRESSED);
  ASSERT_TRUE(device.read_input(record));
  EXPECT_EQ(record.character, 0x84);

  ASSERT_TRUE(device.read_input(record));
  EXPECT_EQ(record.kind, InputEventKind::mouse);
  ASSERT_TRUE(device.read_input(record));
  EXPECT_EQ(record.kind, InputEventKind::other);
  ASSERT_EQ(device.peek_input(record), InputPeek::record);
  EXPECT_EQ(record.kind, InputEventKind::key);
  EXPECT_FALSE(record.key_down);
  EXPECT_EQ(record.character, 'a');

  inject(key(true, 'b', 0x30));
  device.flush_input();
  EXPECT_EQ(device.peek_input(record), InputPeek::empty);
}

TEST_F(Win32ConsoleTest, ACharacterThatCodePage437LacksArrivesAsItsForm) {
  // Control characters stay keys; other characters are their byte or the bytes of their form.
  // A character beyond 16 bits comes as two key records, which make one key.
  struct Case {
    std::vector<wchar_t> units;
    char32_t character;
  };
  const Case cases[] = {{{L'\u0416'}, U'\u0416'}, {{L'\u263a'}, U'\u263a'}, {{0xD83C, 0xDF89}, U'\U0001F389'},
                        {{L'\u00e9'}, U'\u00e9'}, {{1}, 1}};
  for (const Case& c : cases) {
    for (wchar_t unit : c.units) inject(key(true, unit, 0));
    std::string want;
    if (c.character < 32) {
      want = std::string(1, static_cast<char>(c.character));
    } else {
      text_append_code(want, c.character);
    }
    InputRecord record;
    ASSERT_TRUE(device.read_input(record));
    const std::string got = std::string(1, static_cast<char>(record.character)) +
                            std::string(reinterpret_cast<const char*>(record.more), record.more_count);
    EXPECT_EQ(got, want) << static_cast<unsigned>(c.character);
    EXPECT_EQ(device.peek_input(record), InputPeek::empty) << static_cast<unsigned>(c.character);
  }
}

}  // namespace
