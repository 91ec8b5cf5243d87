#include "platform/posix/terminal_render.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/posix/cp437.h"

namespace {

// A VT terminal as far as the renderer uses one: cursor moves, SGR colours, clearing, line
// deletion, cursor visibility, and UTF-8 glyphs written with the deferred wrap at the right
// edge. Anything else it is sent is a fault of the renderer.
class VtModel {
 public:
  struct Cell {
    char32_t glyph = ' ';
    int foreground = 39;
    int background = 49;
  };

  VtModel(int columns, int rows) : columns_(columns), rows_(rows), cells_(static_cast<std::size_t>(columns * rows)) {}

  void apply(std::string_view bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
      if (bytes[at] == '\x1b') {
        at = sequence(bytes, at);
        continue;
      }
      char32_t glyph = 0;
      const int taken = utf8_decode(bytes.substr(at), glyph);
      ASSERT_GT(taken, 0) << "not UTF-8 at " << at;
      ASSERT_GE(glyph, 0x20u) << "control byte sent to the terminal";
      print(glyph);
      at += static_cast<std::size_t>(taken);
    }
  }

  const Cell& cell(int x, int y) const { return cells_[static_cast<std::size_t>(y * columns_ + x)]; }
  int cursor_x() const { return x_; }
  int cursor_y() const { return y_; }
  bool cursor_visible() const { return visible_; }
  int foreground() const { return foreground_; }
  int background() const { return background_; }

 private:
  void print(char32_t glyph) {
    ASSERT_FALSE(wrap_pending_) << "a glyph behind the last column would wrap";
    Cell& c = cells_[static_cast<std::size_t>(y_ * columns_ + x_)];
    c.glyph = glyph;
    c.foreground = foreground_;
    c.background = background_;
    if (x_ == columns_ - 1) {
      wrap_pending_ = true;
    } else {
      ++x_;
    }
  }

  std::size_t sequence(std::string_view bytes, std::size_t at) {
    EXPECT_LT(at + 1, bytes.size());
    EXPECT_EQ(bytes[at + 1], '[');
    std::size_t end = at + 2;
    while (end < bytes.size() && !(bytes[end] >= 0x40 && bytes[end] <= 0x7E)) ++end;
    EXPECT_LT(end, bytes.size()) << "unfinished sequence";
    const std::string params(bytes.substr(at + 2, end - at - 2));
    const char final_byte = bytes[end];
    std::vector<int> numbers;
    bool is_private = !params.empty() && params[0] == '?';
    {
      int n = -1;
      for (char c : params.substr(is_private ? 1 : 0)) {
        if (c == ';') {
          numbers.push_back(n < 0 ? 0 : n);
          n = -1;
        } else {
          EXPECT_TRUE(c >= '0' && c <= '9') << params;
          n = (n < 0 ? 0 : n) * 10 + (c - '0');
        }
      }
      if (n >= 0 || !numbers.empty()) numbers.push_back(n < 0 ? 0 : n);
    }
    if (is_private) {
      EXPECT_EQ(numbers, std::vector<int>{25});
      EXPECT_TRUE(final_byte == 'h' || final_byte == 'l');
      visible_ = final_byte == 'h';
    } else if (final_byte == 'H') {
      y_ = numbers.size() > 0 && numbers[0] > 0 ? numbers[0] - 1 : 0;
      x_ = numbers.size() > 1 && numbers[1] > 0 ? numbers[1] - 1 : 0;
      EXPECT_LT(y_, rows_);
      EXPECT_LT(x_, columns_);
      wrap_pending_ = false;
    } else if (final_byte == 'J') {
      EXPECT_EQ(numbers, std::vector<int>{2});
      for (Cell& c : cells_) c = Cell{' ', 39, background_};
    } else if (final_byte == 'M') {
      const int count = numbers.empty() ? 1 : numbers[0];
      for (int y = y_; y < rows_; ++y) {
        for (int x = 0; x < columns_; ++x) {
          cells_[static_cast<std::size_t>(y * columns_ + x)] =
              y + count < rows_ ? cell(x, y + count) : Cell{U'?', 0, 0};  // not relied on
        }
      }
      x_ = 0;
      wrap_pending_ = false;
    } else if (final_byte == 'm') {
      if (numbers.empty()) numbers.push_back(0);
      for (int n : numbers) {
        if (n == 0) {
          foreground_ = 39;
          background_ = 49;
        } else if ((n >= 30 && n <= 37) || (n >= 90 && n <= 97)) {
          foreground_ = n;
        } else if ((n >= 40 && n <= 47) || (n >= 100 && n <= 107)) {
          background_ = n;
        } else {
          ADD_FAILURE() << "SGR " << n;
        }
      }
    } else {
      ADD_FAILURE() << "unexpected sequence ending in " << final_byte;
    }
    return end + 1;
  }

  int columns_;
  int rows_;
  std::vector<Cell> cells_;
  int x_ = 0;
  int y_ = 0;
  bool wrap_pending_ = false;
  bool visible_ = true;
  int foreground_ = 39;
  int background_ = 49;
};

// The grid and the terminal show the same thing, cell for cell, with the cursor in place.
void expect_same(const TerminalGrid& grid, const VtModel& terminal) {
  for (int y = 0; y < grid.rows(); ++y) {
    for (int x = 0; x < grid.columns(); ++x) {
      const ConsoleCell want = grid.cell(x, y);
      const VtModel::Cell& got = terminal.cell(x, y);
      ASSERT_EQ(got.glyph, cp437_glyph(want.character)) << "at " << x << "," << y;
      ASSERT_EQ(got.foreground, sgr_foreground(want.attribute)) << "at " << x << "," << y;
      ASSERT_EQ(got.background, sgr_background(want.attribute)) << "at " << x << "," << y;
    }
  }
  EXPECT_EQ(terminal.cursor_x(), grid.cursor_x());
  EXPECT_EQ(terminal.cursor_y(), grid.cursor_y());
  EXPECT_EQ(terminal.cursor_visible(), grid.cursor_visible());
}

void write_text(TerminalGrid& grid, int x, int y, std::string_view text, std::uint16_t attribute = 7) {
  std::vector<ConsoleCell> cells;
  for (char c : text) cells.push_back(ConsoleCell{static_cast<std::uint8_t>(c), attribute});
  grid.write_cells(x, y, cells.data(), static_cast<int>(cells.size()));
}

class TerminalRenderTest : public testing::Test {
 protected:
  TerminalRenderTest() : grid_(80, 25), renderer_(80, 25), frame_(TerminalRenderer::frame_capacity(80, 25)) {}

  std::string refresh() {
    frame_.clear();
    renderer_.render(grid_, frame_);
    EXPECT_FALSE(frame_.overflowed());
    return std::string(frame_.view());
  }

  TerminalGrid grid_;
  TerminalRenderer renderer_;
  ByteBuffer frame_;
};

TEST_F(TerminalRenderTest, FirstFrameClearsAndDrawsLightGreyOnBlack) {
  write_text(grid_, 0, 1, "Tranchor v2.1");
  const std::string out = refresh();
  EXPECT_EQ(out.rfind("\x1b[0m\x1b[H\x1b[2J\x1b[0;37;40m", 0), 0u) << out.substr(0, 40);
  EXPECT_NE(out.find("Tranchor v2.1"), std::string::npos);
  // One colour code for a screen of one colour.
  EXPECT_EQ(out.find("m", out.find("40m") + 3), std::string::npos);
  VtModel terminal(80, 25);
  terminal.apply(out);
  expect_same(grid_, terminal);
}

TEST_F(TerminalRenderTest, EveryByteShowsAsItsGlyphAndNeverMovesTheCursor) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  for (int row = 0; row < 4; ++row) write_text(grid_, 0, row, std::string_view(all).substr(static_cast<std::size_t>(row) * 64, 64));
  const std::string out = refresh();
  VtModel terminal(80, 25);
  terminal.apply(out);
  expect_same(grid_, terminal);
  EXPECT_NE(out.find("\xe2\x96\xa0"), std::string::npos);  // 0xFE is a filled square
  // 7, 8, 9, 10, 13: bullet, inverse bullet, circle, inverse circle, note.
  EXPECT_NE(out.find("\xe2\x80\xa2\xe2\x97\x98\xe2\x97\x8b\xe2\x97\x99"), std::string::npos);
  EXPECT_NE(out.find("\xe2\x99\xaa"), std::string::npos);
}

TEST_F(TerminalRenderTest, SecondFrameWithoutChangesIsEmpty) {
  write_text(grid_, 3, 4, "abc");
  grid_.set_cursor(6, 4);
  refresh();
  EXPECT_EQ(refresh(), "");
  // Writing the same cells again changes nothing that shows.
  write_text(grid_, 3, 4, "abc");
  EXPECT_EQ(refresh(), "");
}

TEST_F(TerminalRenderTest, ChangedCellsAloneAreSent) {
  refresh();
  write_text(grid_, 4, 2, "x");
  grid_.set_cursor(0, 0);
  EXPECT_EQ(refresh(), "\x1b[3;5Hx\x1b[1;1H");
  // Two changes close together go as one run; far apart, as two.
  write_text(grid_, 10, 5, "a");
  write_text(grid_, 13, 5, "b");
  write_text(grid_, 60, 5, "c");
  EXPECT_EQ(refresh(), "\x1b[6;11Ha  b\x1b[6;61Hc\x1b[1;1H");
}

TEST_F(TerminalRenderTest, ColourCodesOnlyWhenTheColoursChange) {
  refresh();
  write_text(grid_, 0, 0, "ab", 0x1F);
  write_text(grid_, 2, 0, "c", 0x1F);
  write_text(grid_, 3, 0, "d", 7);
  grid_.set_cursor(4, 0);
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
  grid_.set_cursor_visible(false);
  EXPECT_EQ(refresh(), "\x1b[?25l");
  grid_.set_cursor_visible(true);
  EXPECT_EQ(refresh(), "\x1b[?25h");
}

TEST_F(TerminalRenderTest, HandBackPlacesCursorResetsColoursAndShowsCursor) {
  grid_.set_cursor_visible(false);
  grid_.set_cursor(0, 7);
  refresh();
  frame_.clear();
  renderer_.render_end(grid_, frame_);
  EXPECT_EQ(frame_.view(), "\x1b[8;1H\x1b[0m\x1b[?25h");
}

TEST_F(TerminalRenderTest, ScrollTurnsTheRingAndTouchesOneRow) {
  for (int y = 0; y < 25; ++y) write_text(grid_, 0, y, "row " + std::to_string(y));
  refresh();
  grid_.scroll(0, 1, 79, 24, 0, 0, ConsoleCell{' ', 7});
  EXPECT_EQ(grid_.cell(0, 0).character, 'r');
  EXPECT_EQ(grid_.cell(4, 0).character, '1');
  EXPECT_EQ(grid_.cell(0, 24).character, ' ');
  for (int y = 0; y < 24; ++y) EXPECT_GT(grid_.changed_first(y), grid_.changed_last(y)) << y;
  EXPECT_EQ(grid_.changed_first(24), 0);
  EXPECT_EQ(grid_.changed_last(24), 79);
  // The terminal scrolls too, and only the new bottom row is drawn.
  const std::string out = refresh();
  EXPECT_EQ(out.rfind("\x1b[1M", 0), 0u) << out;
  EXPECT_LE(out.size(), 80u + 40u);
  VtModel terminal(80, 25);
  grid_.set_cursor(5, 5);  // a frame the model sees from the start
  TerminalRenderer fresh(80, 25);
  frame_.clear();
  fresh.render(grid_, frame_);
  terminal.apply(frame_.view());
  grid_.scroll(0, 1, 79, 24, 0, 0, ConsoleCell{' ', 7});
  frame_.clear();
  fresh.render(grid_, frame_);
  terminal.apply(frame_.view());
  expect_same(grid_, terminal);
}

TEST_F(TerminalRenderTest, ProgressLinesCostOutputInProportionToTheirCount) {
  // Thousands of progress lines on one row, shown every tenth line as a coalescing console does.
  refresh();
  const int lines = 3000;
  std::size_t total = 0;
  for (int n = 1; n <= lines; ++n) {
    write_text(grid_, 0, 16, "Now creating : piece." + std::to_string(n));
    grid_.set_cursor(0, 17);
    if (n % 10 == 0) total += refresh().size();
  }
  EXPECT_LE(total, static_cast<std::size_t>(lines / 10) * 40);

  // Scrolling lines, one refresh per line: each costs about its own length.
  total = 0;
  for (int n = 1; n <= lines; ++n) {
    grid_.scroll(0, 1, 79, 24, 0, 0, ConsoleCell{' ', 7});
    write_text(grid_, 0, 24, " Now adding : piece." + std::to_string(n));
    total += refresh().size();
  }
  // The row that scrolls in is drawn whole: its width, plus the scroll and the cursor moves.
  EXPECT_LE(total, static_cast<std::size_t>(lines) * (80 + 40));
}

TEST_F(TerminalRenderTest, ManyScrollsBetweenFramesRedrawTheScreenOnce) {
  VtModel terminal(80, 25);
  terminal.apply(refresh());
  for (int n = 0; n < 100; ++n) {
    grid_.scroll(0, 1, 79, 24, 0, 0, ConsoleCell{' ', 7});
    write_text(grid_, 0, 24, "line " + std::to_string(n));
  }
  const std::string out = refresh();
  EXPECT_EQ(out.find("M"), std::string::npos);  // no line deletion: everything is drawn anew
  EXPECT_LE(out.size(), 80u * 25u + 25u * 12u + 40u);
  terminal.apply(out);
  expect_same(grid_, terminal);
}

TEST(TerminalRenderWide, PositionsBeyond255Work) {
  TerminalGrid grid(300, 300);
  TerminalRenderer renderer(300, 300);
  ByteBuffer frame(TerminalRenderer::frame_capacity(300, 300));
  renderer.render(grid, frame);
  write_text(grid, 299, 299, "z");
  grid.set_cursor(298, 299);
  frame.clear();
  renderer.render(grid, frame);
  EXPECT_EQ(frame.view(), "\x1b[300;300Hz\x1b[300;299H");
}

TEST(TerminalRenderCapacity, WorstFrameFits) {
  // Every cell a three-byte glyph in colours unlike its neighbour's, and every other cell
  // unchanged so that runs are short: the most bytes a frame can take per cell.
  TerminalGrid grid(40, 10);
  TerminalRenderer renderer(40, 10);
  ByteBuffer frame(TerminalRenderer::frame_capacity(40, 10));
  renderer.render(grid, frame);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 40; ++x) {
      const ConsoleCell cell{0xFE, static_cast<std::uint16_t>(x % 2 != 0 ? 0xFF : 0x88)};
      grid.write_cells(x, y, &cell, 1);
    }
  }
  frame.clear();
  renderer.render(grid, frame);
  EXPECT_FALSE(frame.overflowed());
  VtModel terminal(40, 10);
  terminal.apply(frame.view());
  for (int x = 0; x < 40; ++x) EXPECT_EQ(terminal.cell(x, 3).glyph, 0x25A0u);
}

// A grid of plain cells, written the slow and obvious way, to check the ring and the
// rectangles against.
struct PlainScreen {
  int columns, rows;
  std::vector<ConsoleCell> cells;
  ConsoleCell& at(int x, int y) { return cells[static_cast<std::size_t>(y * columns + x)]; }
  void scroll(int left, int top, int right, int bottom, int dest_x, int dest_y, ConsoleCell fill) {
    const std::vector<ConsoleCell> before = cells;
    for (int y = std::max(top, 0); y <= std::min(bottom, rows - 1); ++y)
      for (int x = std::max(left, 0); x <= std::min(right, columns - 1); ++x) at(x, y) = fill;
    for (int y = std::max(top, 0); y <= std::min(bottom, rows - 1); ++y) {
      for (int x = std::max(left, 0); x <= std::min(right, columns - 1); ++x) {
        const int to_x = dest_x + (x - left), to_y = dest_y + (y - top);
        if (to_x < 0 || to_x >= columns || to_y < 0 || to_y >= rows) continue;
        at(to_x, to_y) = before[static_cast<std::size_t>(y * columns + x)];
      }
    }
  }
};

TEST(TerminalGridScroll, AnyRectangleMovesAsOnTheConsole) {
  struct Rect {
    int left, top, right, bottom, dest_x, dest_y;
  };
  const Rect rects[] = {{0, 1, 19, 9, 0, 0},   {0, 0, 19, 8, 0, 1},   {2, 2, 10, 6, 5, 1},
                        {5, 3, 15, 7, 0, 0},   {-3, -2, 25, 12, 1, 2}, {0, 0, 19, 9, 30, 30},
                        {4, 4, 4, 4, 4, 4},    {10, 0, 19, 9, -5, 0},  {0, 2, 19, 9, 0, 0}};
  for (const Rect& r : rects) {
    TerminalGrid grid(20, 10);
    PlainScreen plain{20, 10, std::vector<ConsoleCell>(200, ConsoleCell{' ', 7})};
    // The ring turned a few times first, so that rows do not sit where they started.
    for (int turn = 0; turn < 3; ++turn) {
      grid.scroll(0, 1, 19, 9, 0, 0, ConsoleCell{' ', 7});
      plain.scroll(0, 1, 19, 9, 0, 0, ConsoleCell{' ', 7});
    }
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 20; ++x) {
        const ConsoleCell cell{static_cast<std::uint8_t>('A' + (x + y * 3) % 26), static_cast<std::uint16_t>(y)};
        grid.write_cells(x, y, &cell, 1);
        plain.at(x, y) = cell;
      }
    }
    grid.scroll(r.left, r.top, r.right, r.bottom, r.dest_x, r.dest_y, ConsoleCell{'.', 0x17});
    plain.scroll(r.left, r.top, r.right, r.bottom, r.dest_x, r.dest_y, ConsoleCell{'.', 0x17});
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 20; ++x) {
        ASSERT_EQ(grid.cell(x, y).character, plain.at(x, y).character)
            << "rect " << r.left << "," << r.top << " at " << x << "," << y;
        ASSERT_EQ(grid.cell(x, y).attribute, plain.at(x, y).attribute);
      }
    }
  }
}

TEST(TerminalGridFill, RunsOnAcrossRowEndsAndStopsAtTheEnd) {
  TerminalGrid grid(10, 3);
  grid.fill_characters(7, 0, 5, '#');
  grid.fill_attributes(8, 2, 100, 0x4E);
  EXPECT_EQ(grid.cell(6, 0).character, ' ');
  EXPECT_EQ(grid.cell(7, 0).character, '#');
  EXPECT_EQ(grid.cell(9, 0).character, '#');
  EXPECT_EQ(grid.cell(1, 1).character, '#');
  EXPECT_EQ(grid.cell(2, 1).character, ' ');
  EXPECT_EQ(grid.cell(7, 2).attribute, 7);
  EXPECT_EQ(grid.cell(9, 2).attribute, 0x4E);
  EXPECT_EQ(grid.cell(9, 2).character, ' ');
}

TEST(TerminalRenderReplay, TerminalFollowsTheGridThroughRandomWork) {
  // Whatever the program does between frames, the terminal ends up showing the grid.
  std::mt19937 random(12345);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const int columns = 23, rows = 9;
  TerminalGrid grid(columns, rows);
  TerminalRenderer renderer(columns, rows);
  ByteBuffer frame(TerminalRenderer::frame_capacity(columns, rows));
  VtModel terminal(columns, rows);
  for (int step = 0; step < 3000; ++step) {
    switch (pick(8)) {
      case 0: case 1: {
        std::string text(static_cast<std::size_t>(1 + pick(30)), ' ');
        for (char& c : text) c = static_cast<char>(pick(256));
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
      default: {
        frame.clear();
        renderer.render(grid, frame);
        ASSERT_FALSE(frame.overflowed());
        terminal.apply(frame.view());
        expect_same(grid, terminal);
        if (testing::Test::HasFailure()) return;
      }
    }
  }
}

}  // namespace
