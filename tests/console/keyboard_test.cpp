#include "console/console_state.h"
#include "console/keyboard.h"

#include <string>
#include <vector>

#include "console/screen.h"
#include "fakes/runtime_fixture.h"
#include "fakes/test_text.h"
#include "platform/text_forms.h"

namespace {

class KeyboardTest : public RuntimeFixture {
 protected:
  KeyboardTest() : RuntimeFixture(10, 4) {}
};

TEST_F(KeyboardTest, PollWithAnEmptyQueueGivesTheEmptyTextAtOnce) {
  EXPECT_EQ(bytes(con_poll_key()), "");
  EXPECT_EQ(console.sleep_count(), 0);
}

TEST_F(KeyboardTest, KeysDecodeAsOneByteOrZeroAndScanCode) {
  struct Case {
    std::uint8_t character;
    std::uint16_t scan_code;
    std::uint32_t control_state;
    std::string want;
  };
  const Case cases[] = {
      {'s', 0x1F, 0, "s"}, {27, 0x01, 0, "\x1b"}, {13, 0x1C, 0, "\r"}, {3, 0x2E, LEFT_CTRL_PRESSED, "\x03"},
      {0x84, 0x28, 0, "\x84"},
      {0, 59, 0, std::string("\0;", 2)},                    // F1
      {0, 72, 0, std::string("\0H", 2)},                    // Up
      {'x', 45, LEFT_ALT_PRESSED, std::string("\0-", 2)},   // Alt+X
      {'x', 45, RIGHT_ALT_PRESSED, std::string("\0-", 2)},  // AltGr counts as Alt
      {0, 0x15B, 0, std::string("\0[", 2)},                 // Windows key: low byte of the scan code
  };
  for (const Case& c : cases) {
    console.press_key(c.character, c.scan_code, c.control_state);
    EXPECT_EQ(bytes(con_wait_key()), c.want) << int(c.character) << "/" << c.scan_code;
    EXPECT_EQ(console.pending_input(), 0u);
  }
}

TEST_F(KeyboardTest, ModifiersAloneAndReleasesAreRemovedWithoutAKey) {
  for (std::uint16_t scan : {0x1D, 0x2A, 0x36, 0x38, 0x3A, 0x45, 0x46}) {
    console.press_key(0, scan);
    console.release_key(0, scan);
  }
  InputRecord mouse;
  mouse.kind = InputEventKind::mouse;
  console.queue(mouse);
  InputRecord focus;
  focus.kind = InputEventKind::other;
  console.queue(focus);
  EXPECT_EQ(bytes(con_poll_key()), "");
  EXPECT_EQ(console.pending_input(), 0u);
}

TEST_F(KeyboardTest, WaitGoesOnPastModifiersAndSleepsBeforeEveryLook) {
  console.press_key(0, 0x2A);
  console.press_key('G', 0x22, SHIFT_PRESSED);
  console.hold_input_until_sleeps(3);
  EXPECT_EQ(bytes(con_wait_key()), "G");
  EXPECT_EQ(console.sleep_count(), 3);
}

TEST_F(KeyboardTest, HeldKeyWithARepeatCountCountsOnce) {
  InputRecord record;
  record.character = 'a';
  record.scan_code = 0x1E;
  record.repeat_count = 5;
  console.queue(record);
  EXPECT_EQ(bytes(con_poll_key()), "a");
  EXPECT_EQ(bytes(con_poll_key()), "");
}

TEST_F(KeyboardTest, FlushDiscardsKeysTypedBefore) {
  console.type("abc");
  con_flush_input();
  console.type("z");
  EXPECT_EQ(bytes(con_wait_key()), "z");
}

TEST_F(KeyboardTest, LineEditorEchoesAndReturnsTheLine) {
  struct Case {
    int column, row;
    std::string typed;  // F1 follows, which never reaches the editor
    std::string line;
    std::vector<ScreenRow> rows;
    int cursor_column, cursor_row;
  };
  const Case cases[] = {
      {3, 1, "ab\x1b\x09\x01" "c\r", "abc", {{1, "  abc"}}, 1, 2},  // Escape, Tab and Ctrl+A add nothing
      {5, 2, "\r", "", {}, 1, 3},
      // Backspace erases across a row's end and does nothing at the start.
      {8, 1, "\x08" "abcd\x08\x08" "X\r", "abX", {{1, "       abX"}, {2, ""}}, 1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    console = VirtualConsole(10, 4);
    console.set_cursor(c.column, c.row);
    console.type(c.typed);
    console.press_key(0, 59);
    EXPECT_EQ(bytes(con_input_line()), c.line);
    expect_screen(console, c.rows);
    EXPECT_EQ(console.cursor_column(), c.cursor_column);
    EXPECT_EQ(console.cursor_row(), c.cursor_row);
  }
}

TEST_F(KeyboardTest, LineEditorSkipsExtendedKeysWhileWaiting) {
  console.press_key(0, 72);
  console.press_key('x', 45, LEFT_ALT_PRESSED);
  console.type("k\r");
  EXPECT_EQ(bytes(con_input_line()), "k");
}

// The text of typed characters; control characters (Backspace) stay the keys they are.
std::string text_of(std::u32string_view characters) {
  std::string text;
  for (char32_t c : characters) {
    if (c < 32) {
      text += static_cast<char>(c);
    } else {
      text_append_code(text, c);
    }
  }
  return text;
}

TEST_F(KeyboardTest, ACharacterOfSeveralBytesIsTakenWholeAndErasedWhole) {
  // Ж takes 2 bytes, 日 3, 🎉 4; Backspace takes the last character away however long it is,
  // also when the row's end cut it; a form starting with a control byte is no control key.
  struct Case {
    std::u32string typed;  // 8 is Backspace
    std::u32string line;
  };
  const Case cases[] = {
      {U"a\u0416b", U"a\u0416b"},
      {U"a\u0416\u65e5\U0001F389\x08\x08" U"b", U"a\u0416b"},
      {U"\u263a\u0416\x08\x08\x08", U""},
      {U"abcdefg\u65e5\u0416\x08x", U"abcdefg\u65e5x"},  // 日 runs over the row's end
  };
  for (const Case& c : cases) {
    console.set_cursor(1, 1);
    con_clear_screen();
    console.type(text_of(c.typed) + "\r");
    EXPECT_EQ(bytes(con_input_line()), text_of(c.line));
    std::string shown = console.row(1) + console.row(2);
    while (!shown.empty() && shown.back() == ' ') shown.pop_back();
    EXPECT_EQ(shown, text_of(c.line));
  }
  console.type(text_of(U"\u0416"));
  EXPECT_EQ(bytes(con_poll_key()), text_of(U"\u0416"));
}

class LongLineTest : public RuntimeFixture {
 protected:
  LongLineTest() : RuntimeFixture(80, 25) {}
};

TEST_F(LongLineTest, OnlyTheFirst128BytesAreTakenInWholeCharactersAndBackspaceMakesRoom) {
  std::string typed;
  for (int i = 0; i < 130; ++i) typed += static_cast<char>('A' + i % 26);
  const std::string a127(127, 'a');
  struct Case {
    std::string typed, line;
  };
  const Case cases[] = {
      {typed + "\x08" "z\r", typed.substr(0, 127) + "z"},
      // 127 bytes leave room for one byte: a 2-byte character is refused, a plain one taken.
      {a127 + text_of(U"\u0416") + "z\r", a127 + "z"},
  };
  for (const Case& c : cases) {
    console = VirtualConsole(80, 25);
    console.type(c.typed);
    EXPECT_EQ(bytes(con_input_line()), c.line);
    expect_screen(console, {{1, c.line.substr(0, 80)}, {2, c.line.substr(80)}});
  }
}

TEST_F(LongLineTest, HiddenCursorIsHiddenAgainAfterTheLine) {
  con_set_cursor_shape(0);
  console.type("a\r");
  con_input_line();
  EXPECT_FALSE(console.cursor_shape().visible);
  EXPECT_EQ(con_state.cursor_visible, 0);
}

TEST_F(KeyboardTest, FailingLooksCountAsAnEmptyQueue) {
  console.set_input_fails(true);
  EXPECT_EQ(bytes(con_poll_key()), "");
}

TEST_F(KeyboardTest, WaitingWithNoConsoleInputEndsTheRunWithCodeOne) {
  console.set_no_input_when_empty(true);
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // the child runs alone, not forked mid-test
  EXPECT_EXIT(con_wait_key(), ::testing::ExitedWithCode(1), "no console is available for input");
  EXPECT_EXIT(con_input_line(), ::testing::ExitedWithCode(1), "no console");
  EXPECT_EXIT(con_poll_key(), ::testing::ExitedWithCode(1), "no console");
}

TEST_F(KeyboardTest, KeysThatCannotBeStoredAreLostWithoutAnError) {
  console.type("q");
  txt_fail_allocations_after(0);
  const TextValue key = con_poll_key();
  txt_fail_allocations_after(-1);
  EXPECT_EQ(bytes(key), "");
  EXPECT_EQ(frame.error_word, 0);
}

}  // namespace
