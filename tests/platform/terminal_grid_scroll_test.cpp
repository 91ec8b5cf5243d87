// The grid against a screen of plain cells written the slow and obvious way: rectangles moved as
// the console moves them, fills, and the run of one-row scrolls that the grid puts off until it
// is next used, which must show what scrolling row by row shows.
#include "platform/posix/terminal_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

struct PlainScreen {
  int columns, rows;
  std::vector<ConsoleCell> cells = std::vector<ConsoleCell>(static_cast<std::size_t>(columns * rows));
  std::vector<bool> changed = std::vector<bool>(static_cast<std::size_t>(rows));  // since the last look

  ConsoleCell& at(int x, int y) { return cells[static_cast<std::size_t>(y * columns + x)]; }
  void write(int x, int y, ConsoleCell cell) {
    at(x, y) = cell;
    changed[static_cast<std::size_t>(y)] = true;
  }
  // Uncovered cells of the source rectangle get the fill; then the moved block is placed.
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
  // The whole screen up by one row; the row that comes in counts as changed.
  void scroll_up(ConsoleCell fill) {
    scroll(0, 1, columns - 1, rows - 1, 0, 0, fill);
    changed.erase(changed.begin());
    changed.push_back(true);
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
    PlainScreen plain{20, 10};
    // The ring turned a few times first, so that rows do not sit where they started.
    for (int turn = 0; turn < 3; ++turn) {
      grid.scroll(0, 1, 19, 9, 0, 0, ConsoleCell{' ', 7});
      plain.scroll_up(ConsoleCell{' ', 7});
    }
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 20; ++x) {
        const ConsoleCell cell{static_cast<std::uint8_t>('A' + (x + y * 3) % 26), static_cast<std::uint16_t>(y)};
        grid.write_cells(x, y, &cell, 1);
        plain.write(x, y, cell);
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
  // A fill of whole cells runs on the same way.
  grid.fill_cells(9, 0, 3, ConsoleCell{'*', 0x1F});
  EXPECT_EQ(grid.cell(8, 0).character, '#');
  EXPECT_EQ(grid.cell(9, 0).character, '*');
  EXPECT_EQ(grid.cell(1, 1).attribute, 0x1F);
  EXPECT_EQ(grid.cell(2, 1).character, ' ');
  EXPECT_EQ(grid.cell(2, 1).attribute, 7);
}

// Whatever the mix of one-row scrolls (with different fill cells), writes and reads.
TEST(TerminalGridWaitingScrolls, ShowWhatScrollingRowByRowShows) {
  std::mt19937 random(4242);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const int columns = 7, rows = 5;
  TerminalGrid grid(columns, rows);
  PlainScreen plain{columns, rows};
  long scrolls = 0;
  for (int step = 0; step < 4000; ++step) {
    switch (pick(5)) {
      case 0:
      case 1: {
        // Runs of scrolls, some longer than the screen, with one of two fill cells.
        const ConsoleCell fill{' ', static_cast<std::uint16_t>(pick(2) == 0 ? 7 : 0x1F)};
        for (int n = pick(3) == 0 ? pick(3 * rows) : 1; n > 0; --n) {
          grid.scroll(0, 1, columns - 1, rows - 1, 0, 0, fill);
          plain.scroll_up(fill);
          ++scrolls;
        }
        break;
      }
      case 2: {
        const ConsoleCell cell{static_cast<std::uint8_t>(pick(256)), 7};
        const int x = pick(columns), y = pick(rows);
        grid.write_cells(x, y, &cell, 1);
        plain.write(x, y, cell);
        break;
      }
      case 3: {
        ASSERT_EQ(grid.scrolls(), scrolls) << "step " << step;
        for (int y = 0; y < rows; ++y) {
          for (int x = 0; x < columns; ++x) {
            ASSERT_EQ(grid.row(y)[x], pack_cell(plain.at(x, y))) << "step " << step << " at " << x << "," << y;
          }
          // A row that scrolled in is changed as a whole.
          if (plain.changed[static_cast<std::size_t>(y)]) {
            ASSERT_LE(grid.changed_first(y), grid.changed_last(y)) << "step " << step << " row " << y;
          } else {
            ASSERT_GT(grid.changed_first(y), grid.changed_last(y)) << "step " << step << " row " << y;
          }
        }
        grid.clear_changes();
        plain.changed.assign(rows, false);
        scrolls = 0;
        break;
      }
      default: {
        const int x = pick(columns), y = pick(rows);
        ASSERT_EQ(pack_cell(grid.cell(x, y)), pack_cell(plain.at(x, y))) << "step " << step;
      }
    }
  }
}

}  // namespace
