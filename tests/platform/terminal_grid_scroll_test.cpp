// The grid puts off a run of one-row scrolls until it is next used. Whatever the mix of scrolls
// (with different fill cells), writes and reads, it must show what scrolling row by row shows.
#include "platform/posix/terminal_grid.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// The screen scrolled one row at a time, as the console does it.
struct PlainScreen {
  int columns;
  int rows;
  std::vector<PackedCell> cells;
  std::vector<bool> changed;  // a row that came in by a scroll, or was written, since the last look

  void scroll(PackedCell fill) {
    cells.erase(cells.begin(), cells.begin() + columns);
    cells.insert(cells.end(), static_cast<std::size_t>(columns), fill);
    changed.erase(changed.begin());
    changed.push_back(true);
  }
  void write(int x, int y, PackedCell cell) {
    cells[static_cast<std::size_t>(y * columns + x)] = cell;
    changed[static_cast<std::size_t>(y)] = true;
  }
};

TEST(TerminalGridWaitingScrolls, ShowWhatScrollingRowByRowShows) {
  std::mt19937 random(4242);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const int columns = 7, rows = 5;
  TerminalGrid grid(columns, rows);
  PlainScreen plain{columns, rows, std::vector<PackedCell>(columns * rows, pack_cell(ConsoleCell{})),
                    std::vector<bool>(rows, false)};
  long scrolls = 0;
  for (int step = 0; step < 4000; ++step) {
    switch (pick(5)) {
      case 0:
      case 1: {
        // Runs of scrolls, some longer than the screen, with one of two fill cells.
        const ConsoleCell fill{' ', static_cast<std::uint16_t>(pick(2) == 0 ? 7 : 0x1F)};
        for (int n = pick(3) == 0 ? pick(3 * rows) : 1; n > 0; --n) {
          grid.scroll(0, 1, columns - 1, rows - 1, 0, 0, fill);
          plain.scroll(pack_cell(fill));
          ++scrolls;
        }
        break;
      }
      case 2: {
        const ConsoleCell cell{static_cast<std::uint8_t>(pick(256)), 7};
        const int x = pick(columns), y = pick(rows);
        grid.write_cells(x, y, &cell, 1);
        plain.write(x, y, pack_cell(cell));
        break;
      }
      case 3: {
        ASSERT_EQ(grid.scrolls(), scrolls) << "step " << step;
        for (int y = 0; y < rows; ++y) {
          for (int x = 0; x < columns; ++x) {
            ASSERT_EQ(grid.row(y)[x], plain.cells[static_cast<std::size_t>(y * columns + x)])
                << "step " << step << " at " << x << "," << y;
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
        const ConsoleCell seen = grid.cell(x, y);
        ASSERT_EQ(pack_cell(seen), plain.cells[static_cast<std::size_t>(y * columns + x)]) << "step " << step;
      }
    }
  }
}

}  // namespace
