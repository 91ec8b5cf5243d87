#include "console/console_state.h"
#include "console/screen.h"

#include <string>
#include <vector>

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

  // A text written from a place on a fresh screen, a step after it, and what shows then.
  struct Written {
    int column, row;
    std::string text;
    std::vector<ScreenRow> rows;
    int cursor_column, cursor_row, scrolls;
  };
  void expect_written(const Written& c, void (*then)()) {
    SCOPED_TRACE(c.text);
    console = VirtualConsole(10, 4);
    con_state.pending_wrap = 0;
    console.set_cursor(c.column, c.row);
    print(c.text);
    then();
    expect_screen(console, c.rows);
    expect_cursor(c.cursor_column, c.cursor_row);
    EXPECT_EQ(console.scroll_count(), c.scrolls);
    EXPECT_EQ(console.cell(c.column, c.row).attribute, 7);
  }
};

TEST_F(ScreenTest, TextFillsOneCellPerByteFromTheCursorAndContinuesOnTheNextRow) {
  const std::string controls = std::string("\x07\x08\x09\x0a\x0d", 5) + std::string(1, '\0') + "\xfe";
  const Written cases[] = {
      {3, 2, "abc", {{2, "  abc"}}, 6, 2, 0},
      {8, 1, "12345", {{1, "       123"}, {2, "45"}}, 3, 2, 0},
      // Past the bottom row the screen scrolls before the continuation.
      {6, 4, "abcdefgh", {{3, "     abcde"}, {4, "fgh"}}, 4, 4, 1},
      {1, 1, controls, {{1, controls}}, 8, 1, 0},  // control bytes are single cells
  };
  for (const Written& c : cases) expect_written(c, [] {});
}

TEST_F(ScreenTest, FillingTheBottomRowDefersTheScroll) {
  console.set_cursor(1, 4);
  print("0123456789");
  EXPECT_EQ(console.row(4), "0123456789");
  EXPECT_EQ(console.scroll_count(), 0);
  expect_cursor(1, 4);
  EXPECT_NE(con_state.pending_wrap, 0);
  print("");  // an empty text keeps it waiting
  EXPECT_NE(con_state.pending_wrap, 0);
  EXPECT_EQ(console.scroll_count(), 0);

  print("x");  // the deferred scroll comes first
  EXPECT_EQ(console.scroll_count(), 1);
  EXPECT_EQ(console.row(3), "0123456789");
  EXPECT_EQ(console.row(4), "x");
  expect_cursor(2, 4);
  EXPECT_EQ(con_state.pending_wrap, 0);
}

TEST_F(ScreenTest, NewLineGoesToColumnOneOfTheNextRowOrScrollsAtTheBottom) {
  const Written cases[] = {
      {5, 2, "", {}, 1, 3, 0},
      {5, 4, "z", {{3, "    z"}}, 1, 4, 1},
      // After a full row it leaves one empty row: at the bottom, the deferred scroll and its own.
      {1, 1, "0123456789", {{2, ""}}, 1, 3, 0},
      {1, 4, "ABCDEFGHIJ", {{2, "ABCDEFGHIJ"}, {3, ""}, {4, ""}}, 1, 4, 2},
  };
  for (const Written& c : cases) expect_written(c, con_new_line);
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

// Where the cursor stands, and where a move takes it.
struct Move {
  int column, row, want_column, want_row;
};

TEST_F(ScreenTest, CursorPlacementChecksColumnAndRowEachOnItsOwn) {
  const Move cases[] = {
      {0, 3, 4, 3}, {11, 3, 4, 3}, {2, 0, 2, 2}, {2, 5, 2, 2}, {-1, -1, 4, 2}, {10, 4, 10, 4}, {1, 1, 1, 1},
  };
  for (const Move& c : cases) {
    console.set_cursor(4, 2);
    con_state.pending_wrap = 255;
    con_set_cursor(c.column, c.row);
    EXPECT_EQ(console.cursor_column(), c.want_column) << c.column << "," << c.row;
    EXPECT_EQ(console.cursor_row(), c.want_row) << c.column << "," << c.row;
    EXPECT_EQ(con_state.pending_wrap, 0);
  }
}

TEST_F(ScreenTest, CursorBackCrossesRowsAndStopsInRowOne) {
  for (const Move& c : {Move{3, 2, 2, 2}, Move{1, 2, 10, 1}, Move{1, 1, 10, 1}}) {
    console.set_cursor(c.column, c.row);
    con_cursor_back();
    expect_cursor(c.want_column, c.want_row);
  }
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
