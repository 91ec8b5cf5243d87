#include "console/console_state.h"
#include "console/screen.h"

#include <string>

#include "fakes/runtime_fixture.h"

namespace {

class ScreenTest : public RuntimeFixture {
 protected:
  ScreenTest() : RuntimeFixture(10, 4) {}
  void print(const std::string& bytes) { con_print(txt_constant(bytes)); }
  void expect_cursor(int column, int row) {
    EXPECT_EQ(console.cursor_column(), column);
    EXPECT_EQ(console.cursor_row(), row);
  }
};

TEST_F(ScreenTest, TextIsWrittenAtTheCursorAndMovesIt) {
  console.set_cursor(3, 2);
  print("abc");
  EXPECT_EQ(console.row(2), "  abc");
  expect_cursor(6, 2);
  EXPECT_EQ(console.cell(3, 2).attribute, 7);
}

TEST_F(ScreenTest, LongTextContinuesAtColumnOneOfTheNextRow) {
  console.set_cursor(8, 1);
  print("12345");
  EXPECT_EQ(console.row(1), "       123");
  EXPECT_EQ(console.row(2), "45");
  expect_cursor(3, 2);
}

TEST_F(ScreenTest, FillingTheBottomRowDefersTheScroll) {
  console.set_cursor(1, 4);
  print("0123456789");
  EXPECT_EQ(console.row(4), "0123456789");
  EXPECT_EQ(console.scroll_count(), 0);
  expect_cursor(1, 4);
  EXPECT_NE(con_state.pending_wrap, 0);

  print("x");  // the deferred scroll comes first
  EXPECT_EQ(console.scroll_count(), 1);
  EXPECT_EQ(console.row(3), "0123456789");
  EXPECT_EQ(console.row(4), "x");
  expect_cursor(2, 4);
  EXPECT_EQ(con_state.pending_wrap, 0);
}

TEST_F(ScreenTest, TextPastTheBottomRowScrollsBeforeItsContinuation) {
  console.set_cursor(6, 4);
  print("abcdefgh");
  EXPECT_EQ(console.row(3), "     abcde");
  EXPECT_EQ(console.row(4), "fgh");
  EXPECT_EQ(console.scroll_count(), 1);
}

TEST_F(ScreenTest, NewLineAfterAFullRowLeavesOneEmptyRow) {
  // In the middle of the screen.
  print("0123456789");
  con_new_line();
  expect_cursor(1, 3);
  EXPECT_EQ(console.row(2), "");

  // At the bottom: the deferred scroll and the new line's own scroll.
  console.set_cursor(1, 4);
  print("ABCDEFGHIJ");
  con_new_line();
  EXPECT_EQ(console.scroll_count(), 2);
  EXPECT_EQ(console.row(2), "ABCDEFGHIJ");
  EXPECT_EQ(console.row(3), "");
  EXPECT_EQ(console.row(4), "");
  expect_cursor(1, 4);
}

TEST_F(ScreenTest, NewLineMovesToColumnOneOfTheNextRowOrScrollsAtTheBottom) {
  console.set_cursor(5, 2);
  con_new_line();
  expect_cursor(1, 3);
  console.set_cursor(5, 4);
  print("z");
  con_new_line();
  EXPECT_EQ(console.scroll_count(), 1);
  EXPECT_EQ(console.row(3), "    z");
  expect_cursor(1, 4);
}

TEST_F(ScreenTest, ANewLineIsAMomentToShowTheScreenAndPresentShowsItNow) {
  struct Step {
    const char* name;
    int row;
    void (*call)();
    int presents, urgent;  // counted from the start
  };
  const Step steps[] = {
      {"a write", 2, [] { con_print(txt_constant("abc")); }, 0, 0},
      {"a new line", 2, con_new_line, 1, 0},
      {"a new line at the bottom", 4, con_new_line, 2, 0},
      {"long work ahead", 4, con_present, 2, 1},
  };
  for (const Step& step : steps) {
    console.set_cursor(1, step.row);
    step.call();
    EXPECT_EQ(console.present_count(false), step.presents) << step.name;
    EXPECT_EQ(console.present_count(true), step.urgent) << step.name;
  }
}

TEST_F(ScreenTest, ControlBytesShowAsSingleCells) {
  const std::string bytes = std::string("\x07\x08\x09\x0a\x0d", 5) + std::string(1, '\0') + "\xfe";
  print(bytes);
  EXPECT_EQ(console.row_cells(1).substr(0, 7), bytes);
  expect_cursor(8, 1);
}

TEST_F(ScreenTest, EmptyTextKeepsAPendingWrap) {
  console.set_cursor(1, 4);
  print("0123456789");
  print("");
  EXPECT_NE(con_state.pending_wrap, 0);
  EXPECT_EQ(console.scroll_count(), 0);
}

TEST_F(ScreenTest, CursorPlacementChecksColumnAndRowEachOnItsOwn) {
  struct Case {
    int column, row, want_column, want_row;
  };
  const Case cases[] = {
      {0, 3, 4, 3}, {11, 3, 4, 3}, {2, 0, 2, 2}, {2, 5, 2, 2}, {-1, -1, 4, 2}, {10, 4, 10, 4}, {1, 1, 1, 1},
  };
  for (const Case& c : cases) {
    console.set_cursor(4, 2);
    con_state.pending_wrap = 255;
    con_set_cursor(c.column, c.row);
    EXPECT_EQ(console.cursor_column(), c.want_column) << c.column << "," << c.row;
    EXPECT_EQ(console.cursor_row(), c.want_row) << c.column << "," << c.row;
    EXPECT_EQ(con_state.pending_wrap, 0);
  }
}

TEST_F(ScreenTest, CursorBackCrossesRowsAndStopsInRowOne) {
  console.set_cursor(3, 2);
  con_cursor_back();
  expect_cursor(2, 2);
  console.set_cursor(1, 2);
  con_cursor_back();
  expect_cursor(10, 1);
  console.set_cursor(1, 1);
  con_cursor_back();
  expect_cursor(10, 1);
  // A pending wrap means the cursor stands just past the bottom row's last cell.
  console.set_cursor(1, 4);
  print("0123456789");
  con_cursor_back();
  expect_cursor(10, 4);
  EXPECT_EQ(con_state.pending_wrap, 0);
}

TEST_F(ScreenTest, ClearFillsEveryCellAndKeepsVisibility) {
  print("garbage in row one");
  con_state.foreground = 7;
  con_clear_screen();
  for (int row = 1; row <= 4; ++row) {
    EXPECT_EQ(console.row_cells(row), std::string(10, ' '));
    for (int column = 1; column <= 10; ++column) EXPECT_EQ(console.cell(column, row).attribute, 7);
  }
  expect_cursor(1, 1);
  EXPECT_TRUE(console.cursor_shape().visible);
  EXPECT_EQ(con_state.cursor_visible, 1);
  EXPECT_EQ(con_state.pending_wrap, 0);

  con_set_cursor_shape(0);
  con_clear_screen();
  EXPECT_FALSE(console.cursor_shape().visible);
  EXPECT_EQ(con_state.cursor_visible, 0);
}

TEST_F(ScreenTest, CursorShapeIsLimitedTo99) {
  con_state.cursor_size = 100;
  con_clear_screen();
  EXPECT_EQ(con_state.cursor_size, 99);
  EXPECT_EQ(console.cursor_shape().size, 99);
  con_set_cursor_shape(50);
  EXPECT_EQ(console.cursor_shape().size, 50);
  con_set_cursor_shape(0);
  EXPECT_FALSE(console.cursor_shape().visible);
  EXPECT_EQ(con_state.cursor_size, 50);
}

TEST_F(ScreenTest, ForcedShowLeavesTheRecordHiddenAndRestoreHidesAgain) {
  con_set_cursor_shape(0);
  con_cursor_force_show();
  EXPECT_TRUE(console.cursor_shape().visible);
  EXPECT_EQ(con_state.cursor_visible, 0);
  con_cursor_restore();
  EXPECT_FALSE(console.cursor_shape().visible);
}

TEST_F(ScreenTest, NothingIsShownWhenTheOutputIsNoConsole) {
  console.set_console_streams(false, false, false);
  print("abc");
  con_new_line();
  con_clear_screen();
  console.set_console_streams(true, true, true);
  EXPECT_EQ(console.row(1), "");
}

class WideScreenTest : public RuntimeFixture {
 protected:
  WideScreenTest() : RuntimeFixture(300, 3) {}
};

TEST_F(WideScreenTest, RowsWiderThan255CellsAreWrittenWhole) {
  const std::string line(299, 'w');
  con_print(txt_constant(line));
  EXPECT_EQ(console.row(1), line);
  EXPECT_EQ(console.cursor_column(), 300);
  con_put_char('!');
  EXPECT_EQ(console.cursor_row(), 2);
  EXPECT_EQ(console.cursor_column(), 1);
}

}  // namespace
