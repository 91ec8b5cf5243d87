#include "platform/posix/terminal_render.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/cp437.h"
#include "platform/text_forms.h"
#include "platform/vt_model.h"

namespace {

void write_text(TerminalGrid& grid, int x, int y, std::string_view text, std::uint16_t attribute = 7) {
  std::vector<ConsoleCell> cells;
  for (char c : text) cells.push_back(ConsoleCell{static_cast<std::uint8_t>(c), attribute});
  grid.write_cells(x, y, cells.data(), static_cast<int>(cells.size()));
}

// A grid, its renderer and a terminal of the same size that sees every frame.
struct Rendered {
  Rendered(int columns, int rows)
      : grid(columns, rows), renderer(columns, rows), frame(TerminalRenderer::frame_capacity(columns, rows)),
        terminal(columns, rows) {}
  // The next frame's bytes, sent to the terminal.
  std::string refresh() {
    frame.clear();
    renderer.render(grid, frame);
    EXPECT_FALSE(frame.overflowed());
    terminal.apply(frame.view());
    return std::string(frame.view());
  }

  TerminalGrid grid;
  TerminalRenderer renderer;
  ByteBuffer frame;
  VtModel terminal;
};

class TerminalRenderTest : public testing::Test, protected Rendered {
 protected:
  TerminalRenderTest() : Rendered(80, 25) {}
};

TEST_F(TerminalRenderTest, FirstFrameClearsAndDrawsLightGreyOnBlack) {
  write_text(grid, 0, 1, "Tranchor v2.1");
  const std::string out = refresh();
  EXPECT_EQ(out.rfind("\x1b[0m\x1b[H\x1b[2J\x1b[0;37;40m", 0), 0u) << out.substr(0, 40);
  EXPECT_NE(out.find("Tranchor v2.1"), std::string::npos);
  // One colour code for a screen of one colour.
  EXPECT_EQ(out.find("m", out.find("40m") + 3), std::string::npos);
  expect_same(grid, terminal);
}

TEST_F(TerminalRenderTest, EveryByteShowsAsItsGlyphAndNeverMovesTheCursor) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  for (int row = 0; row < 4; ++row) write_text(grid, 0, row, std::string_view(all).substr(static_cast<std::size_t>(row) * 64, 64));
  const std::string out = refresh();
  expect_same(grid, terminal);
  EXPECT_NE(out.find("\xe2\x96\xa0"), std::string::npos);  // 0xFE is a filled square
  // 7, 8, 9, 10, 13: bullet, inverse bullet, circle, inverse circle, note.
  EXPECT_NE(out.find("\xe2\x80\xa2\xe2\x97\x98\xe2\x97\x8b\xe2\x97\x99"), std::string::npos);
  EXPECT_NE(out.find("\xe2\x99\xaa"), std::string::npos);
}

TEST(TerminalRenderForms, ACharacterShowsOnceInTheCellsOfItsFormAndTheRowKeepsItsLayout) {
  // On a row of 10 cells: the character in the first cell of its form and blanks after it; a
  // wide one in two cells; one of unsure width as the stand-in. A form that the right edge cuts
  // shows the character in the part that has room for it. Then the rest of the row follows in
  // its own columns, and a form that a later frame completes or breaks is drawn again.
  struct Case {
    int column;
    char32_t character;
    std::u32string row0;  // what the terminal shows on rows 0 and 1 (RIGHT_HALF as U'\0')
    std::u32string row1;
  };
  const char32_t half = VtModel::RIGHT_HALF;
  const Case cases[] = {
      {0, U'\u0416', U"\u0416 x", U""},
      {0, U'\u65e5', std::u32string(U"\u65e5") + half + U" x", U""},
      {0, U'\U0001F389', std::u32string(U"\U0001F389") + half + U"  x", U""},
      {0, U'\u0301', U"\uFFFD  x", U""},
      {9, U'\u0416', U"         \u0416", U" x"},
      {9, U'\u65e5', U"          ", std::u32string(U"\u65e5") + half + U"x"},
      {8, U'\U0001F389', std::u32string(U"        \U0001F389") + half, U"  x"},
      {9, U'\U0001F389', U"          ", std::u32string(U"\U0001F389") + half + U" x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<unsigned>(c.character));
    Rendered r(10, 3);
    std::string text;
    text_append_code(text, c.character);
    text += 'x';
    // The first frame shows the form's first byte alone; the second, the whole form.
    write_text(r.grid, c.column, 0, text.substr(0, 1));
    r.refresh();
    const std::string rest = text.substr(1);
    const int first_row = std::min(static_cast<int>(rest.size()), 10 - c.column - 1);
    write_text(r.grid, c.column + 1, 0, rest.substr(0, static_cast<std::size_t>(first_row)));
    write_text(r.grid, 0, 1, rest.substr(static_cast<std::size_t>(first_row)));
    r.refresh();
    for (int x = 0; x < 10; ++x) {
      EXPECT_EQ(r.terminal.cell(x, 0).glyph, x < static_cast<int>(c.row0.size()) ? c.row0[x] : U' ') << x;
      EXPECT_EQ(r.terminal.cell(x, 1).glyph, x < static_cast<int>(c.row1.size()) ? c.row1[x] : U' ') << x;
    }
    expect_same(r.grid, r.terminal);
    // Broken again: the bytes show as their glyphs.
    write_text(r.grid, c.column, 0, "?");
    r.refresh();
    expect_same(r.grid, r.terminal);
  }
}

TEST_F(TerminalRenderTest, SecondFrameWithoutChangesIsEmpty) {
  write_text(grid, 3, 4, "abc");
  grid.set_cursor(6, 4);
  refresh();
  EXPECT_EQ(refresh(), "");
  // Writing the same cells again changes nothing that shows.
  write_text(grid, 3, 4, "abc");
  EXPECT_EQ(refresh(), "");
}

TEST_F(TerminalRenderTest, ChangedCellsAloneAreSent) {
  refresh();
  write_text(grid, 4, 2, "x");
  grid.set_cursor(0, 0);
  EXPECT_EQ(refresh(), "\x1b[3;5Hx\x1b[1;1H");
  // Two changes close together go as one run; far apart, as two.
  write_text(grid, 10, 5, "a");
  write_text(grid, 13, 5, "b");
  write_text(grid, 60, 5, "c");
  EXPECT_EQ(refresh(), "\x1b[6;11Ha  b\x1b[6;61Hc\x1b[1;1H");
}

TEST_F(TerminalRenderTest, ColourCodesOnlyWhenTheColoursChange) {
  refresh();
  write_text(grid, 0, 0, "ab", 0x1F);
  write_text(grid, 2, 0, "c", 0x1F);
  write_text(grid, 3, 0, "d", 7);
  grid.set_cursor(4, 0);
  // The cursor already stands at the first cell: no move, just colours and glyphs.
  EXPECT_EQ(refresh(), "\x1b[97;44mabc\x1b[37;40md");
}

struct Colour {
  std::uint16_t attribute;
  int foreground;
  int background;
};

TEST(SgrColours, FollowTheConsoleColourOrder) {
  const Colour table[] = {{0x07, 37, 40}, {0x00, 30, 40}, {0x01, 34, 40}, {0x02, 32, 40},
                          {0x03, 36, 40}, {0x04, 31, 40}, {0x05, 35, 40}, {0x06, 33, 40},
                          {0x08, 90, 40}, {0x09, 94, 40}, {0x0C, 91, 40}, {0x0E, 93, 40},
                          {0x0F, 97, 40}, {0x17, 37, 44}, {0x47, 37, 41}, {0x70, 30, 47},
                          {0x87, 37, 100}, {0xF0, 30, 107}, {0x107, 37, 40}};
  for (const Colour& c : table) {
    EXPECT_EQ(sgr_foreground(c.attribute), c.foreground) << std::hex << c.attribute;
    EXPECT_EQ(sgr_background(c.attribute), c.background) << std::hex << c.attribute;
  }
}

TEST_F(TerminalRenderTest, CursorVisibilityFollowsTheShape) {
  const std::string first = refresh();
  EXPECT_NE(first.find("\x1b[?25h"), std::string::npos);
  grid.set_cursor_visible(false);
  EXPECT_EQ(refresh(), "\x1b[?25l");
  grid.set_cursor_visible(true);
  EXPECT_EQ(refresh(), "\x1b[?25h");
}

struct HandBack {
  const char* name;
  std::vector<int> rows_written;  // rows that show something
  int cursor_y;
  const char* expected;
};

TEST_F(TerminalRenderTest, HandBackResetsColoursAndStartsALineBelowTheLastRowThatShows) {
  const HandBack cases[] = {
      {"nothing shows", {}, 7, "\x1b[0m\x1b[H\x1b[J\x1b[?25h"},
      {"cursor below the text", {0, 5}, 7, "\x1b[0m\x1b[6;1H\n\x1b[J\x1b[?25h"},
      {"cursor on the menu's row", {1, 7}, 7, "\x1b[0m\x1b[8;1H\n\x1b[J\x1b[?25h"},
      {"text on the bottom row", {24}, 3, "\x1b[0m\x1b[25;1H\n\x1b[J\x1b[?25h"},
  };
  for (const HandBack& c : cases) {
    Rendered r(80, 25);
    for (int y : c.rows_written) write_text(r.grid, 3, y, "text", 0x1F);
    r.grid.set_cursor_visible(false);
    r.grid.set_cursor(30, c.cursor_y);
    r.refresh();
    r.frame.clear();
    r.renderer.render_end(r.frame);
    VtModel& terminal = r.terminal;
    EXPECT_EQ(r.frame.view(), c.expected) << c.name;
    // The shell goes on at column 1 of a fresh row, in its own colours, with the cursor shown.
    terminal.apply(r.frame.view());
    const int last = c.rows_written.empty() ? -1 : c.rows_written.back();
    EXPECT_EQ(terminal.cursor_x(), 0) << c.name;
    EXPECT_EQ(terminal.cursor_y(), std::min(last + 1, 24)) << c.name;
    EXPECT_EQ(terminal.foreground(), 39) << c.name;
    EXPECT_EQ(terminal.background(), 49) << c.name;
    EXPECT_TRUE(terminal.cursor_visible()) << c.name;
    // The rows from there down are the user's colours; the text above stays as it was.
    for (int y = terminal.cursor_y(); y < 25; ++y) {
      for (int x = 0; x < 80; ++x) ASSERT_EQ(terminal.cell(x, y).background, 49) << c.name << " " << x << "," << y;
    }
    if (last >= 0) {
      EXPECT_EQ(terminal.cell(3, terminal.cursor_y() - 1).background, 44) << c.name;  // the last text
    }
  }
}

TEST_F(TerminalRenderTest, RestartDrawsEverythingAfresh) {
  EXPECT_FALSE(renderer.redraw_pending());
  renderer.restart();  // nothing drawn yet: nothing to draw again
  EXPECT_FALSE(renderer.redraw_pending());
  write_text(grid, 0, 3, "kept", 0x1F);
  grid.set_cursor_visible(false);
  refresh();
  EXPECT_EQ(refresh(), "");
  renderer.restart();
  EXPECT_TRUE(renderer.redraw_pending());
  EXPECT_FALSE(renderer.started());
  const std::string out = refresh();
  EXPECT_FALSE(renderer.redraw_pending());
  EXPECT_EQ(out.rfind("\x1b[0m\x1b[H\x1b[2J", 0), 0u);
  VtModel fresh(80, 25);  // a terminal that sees this frame alone
  fresh.apply(out);
  expect_same(grid, fresh);
}

TEST_F(TerminalRenderTest, ScrollTurnsTheRingAndTouchesOneRow) {
  for (int y = 0; y < 25; ++y) write_text(grid, 0, y, "row " + std::to_string(y));
  refresh();
  grid.scroll(0, 1, 79, 24, 0, 0, ConsoleCell{' ', 7});
  EXPECT_EQ(grid.cell(0, 0).character, 'r');
  EXPECT_EQ(grid.cell(4, 0).character, '1');
  EXPECT_EQ(grid.cell(0, 24).character, ' ');
  for (int y = 0; y < 24; ++y) EXPECT_GT(grid.changed_first(y), grid.changed_last(y)) << y;
  EXPECT_EQ(grid.changed_first(24), 0);
  EXPECT_EQ(grid.changed_last(24), 79);
  // The terminal scrolls too, and only the new bottom row is drawn.
  const std::string out = refresh();
  EXPECT_EQ(out.rfind("\x1b[1M", 0), 0u) << out;
  EXPECT_LE(out.size(), 80u + 40u);
  expect_same(grid, terminal);
}

TEST_F(TerminalRenderTest, ProgressLinesCostOutputInProportionToTheirCount) {
  // Thousands of progress lines on one row, shown every tenth line as a coalescing console does.
  refresh();
  const int lines = 3000;
  std::size_t total = 0;
  for (int n = 1; n <= lines; ++n) {
    write_text(grid, 0, 16, "Now creating : piece." + std::to_string(n));
    grid.set_cursor(0, 17);
    if (n % 10 == 0) total += refresh().size();
  }
  EXPECT_LE(total, static_cast<std::size_t>(lines / 10) * 40);

  // Scrolling lines, one refresh per line: each costs about its own length.
  total = 0;
  for (int n = 1; n <= lines; ++n) {
    grid.scroll(0, 1, 79, 24, 0, 0, ConsoleCell{' ', 7});
    write_text(grid, 0, 24, " Now adding : piece." + std::to_string(n));
    total += refresh().size();
  }
  // The row that scrolls in is drawn whole: its width, plus the scroll and the cursor moves.
  EXPECT_LE(total, static_cast<std::size_t>(lines) * (80 + 40));
}

TEST_F(TerminalRenderTest, ManyScrollsBetweenFramesRedrawTheScreenOnce) {
  refresh();
  for (int n = 0; n < 100; ++n) {
    grid.scroll(0, 1, 79, 24, 0, 0, ConsoleCell{' ', 7});
    write_text(grid, 0, 24, "line " + std::to_string(n));
  }
  const std::string out = refresh();
  EXPECT_EQ(out.find("M"), std::string::npos);  // no line deletion: everything is drawn anew
  EXPECT_LE(out.size(), 80u * 25u + 25u * 12u + 40u);
  expect_same(grid, terminal);
}

TEST(TerminalRenderWide, PositionsBeyond255Work) {
  Rendered r(300, 300);
  r.refresh();
  write_text(r.grid, 299, 299, "z");
  r.grid.set_cursor(298, 299);
  EXPECT_EQ(r.refresh(), "\x1b[300;300Hz\x1b[300;299H");
}

TEST(TerminalRenderCapacity, WorstFrameFits) {
  // Every cell a three-byte glyph in colours unlike its neighbour's, and every other cell
  // unchanged so that runs are short: the most bytes a frame can take per cell.
  Rendered r(40, 10);
  r.refresh();
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 40; ++x) {
      const ConsoleCell cell{0xFE, static_cast<std::uint16_t>(x % 2 != 0 ? 0xFF : 0x88)};
      r.grid.write_cells(x, y, &cell, 1);
    }
  }
  r.refresh();  // and it did not overflow
  for (int x = 0; x < 40; ++x) EXPECT_EQ(r.terminal.cell(x, 3).glyph, 0x25A0u);
}

TEST(TerminalRenderReplay, TerminalFollowsTheGridThroughRandomWork) {
  // Whatever the program does between frames, the terminal ends up showing the grid, or the
  // part of it around the cursor that a smaller window holds; now and then the window is
  // resized. Texts of random bytes, and texts of characters of every kind, many of them forms
  // of characters that code page 437 lacks (narrow, wide, shown by a stand-in), cut by edges
  // and written over.
  struct Window {
    int columns, rows;
  };
  const Window windows[] = {{23, 9}, {15, 4}, {23, 1}, {5, 9}, {1, 1}};
  const char32_t samples[] = {U'a', U'\u00e9', U'\u0416', U'\u03a9', U'\u65e5', U'\U0001F389', U'\u0301',
                              U'\u263a', 0xDCFF, U'\u2014', U'\uFF21', U'\U00020001'};
  const int columns = 23, rows = 9;
  for (const bool characters : {false, true})
  for (const Window& window : windows) {
    SCOPED_TRACE(testing::Message() << "window " << window.columns << "x" << window.rows << (characters ? ", characters" : ", bytes"));
    std::mt19937 random(12345);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    TerminalGrid grid(columns, rows);
    TerminalRenderer renderer(columns, rows);
    renderer.set_window(window.columns, window.rows);
    ByteBuffer frame(TerminalRenderer::frame_capacity(columns, rows));
    VtModel terminal(window.columns, window.rows);
    for (int step = 0; step < 3000; ++step) {
      switch (pick(9)) {
        case 0: case 1: {
          std::string text;
          for (int n = 1 + pick(30); n > 0; --n) {
            if (characters) {
              text_append_code(text, samples[pick(static_cast<int>(std::size(samples)))]);
            } else {
              text += static_cast<char>(pick(256));
            }
          }
          write_text(grid, pick(columns), pick(rows), text, static_cast<std::uint16_t>(pick(3) == 0 ? pick(256) : 7));
          break;
        }
        case 2: case 3:
          for (int n = pick(4); n >= 0; --n) grid.scroll(0, 1, columns - 1, rows - 1, 0, 0, ConsoleCell{' ', 7});
          break;
        case 4:
          grid.scroll(pick(columns), pick(rows), pick(columns), pick(rows), pick(columns), pick(rows),
                      ConsoleCell{'~', static_cast<std::uint16_t>(pick(256))});
          break;
        case 5:
          grid.fill_characters(pick(columns), pick(rows), pick(100), static_cast<std::uint8_t>(pick(256)));
          break;
        case 6:
          grid.set_cursor(pick(columns), pick(rows));
          grid.set_cursor_visible(pick(4) != 0);
          break;
        case 7:
          if (pick(20) == 0) renderer.set_window(window.columns, window.rows);
          break;
        default: {
          frame.clear();
          renderer.render(grid, frame);
          ASSERT_FALSE(frame.overflowed());
          terminal.apply(frame.view());
          expect_window(grid, terminal, std::max(0, grid.cursor_y() - (window.rows - 1)));
          if (testing::Test::HasFailure()) return;
        }
      }
    }
  }
}

}  // namespace
