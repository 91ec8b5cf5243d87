// The writer leaves out the cells of rows that scroll off the screen before a write ends, and
// scrolls as many rows as the write needs at once. These tests hold it to a plain model that
// writes every byte into its cell one by one, scrolling one row at a time, and check that the
// cells it sends to the console stay within one screen per write.
#include <algorithm>
#include <string>
#include <vector>

#include "console/console_state.h"
#include "console/screen.h"
#include "fakes/runtime_fixture.h"
#include "text/text_value.h"

namespace {

// The screen as the writing rules describe it, one byte at a time.
struct ModelScreen {
  int width;
  int height;
  std::vector<unsigned char> cells;  // row by row
  int x = 0;
  int y = 0;
  bool pending_wrap = false;
  int scrolls = 0;

  void write(const std::string& bytes) {
    for (const char byte : bytes) {
      if (pending_wrap) {
        pending_wrap = false;
        std::copy(cells.begin() + width, cells.end(), cells.begin());
        std::fill(cells.end() - width, cells.end(), ' ');
        ++scrolls;
      }
      cells[static_cast<std::size_t>(y * width + x)] = static_cast<unsigned char>(byte);
      if (++x == width) {
        x = 0;
        if (y + 1 == height) {
          pending_wrap = true;
        } else {
          ++y;
        }
      }
    }
  }
};

// Counts the cells that reach the console.
class CountingConsole : public VirtualConsole {
 public:
  using VirtualConsole::VirtualConsole;
  void write_cells(int x, int y, const ConsoleCell* cells, int count) override {
    cells_written += count;
    VirtualConsole::write_cells(x, y, cells, count);
  }
  long cells_written = 0;
};

// A console of the given size in the run-time record for one case.
struct ConsoleCase {
  ConsoleCase(int columns, int rows) : console(columns, rows) {}
  CountingConsole console;
  InstalledConsole installed{console};
};

std::string text_of_length(int length, int seed) {
  std::string text;
  for (int i = 0; i < length; ++i) text += static_cast<char>((i * 7 + seed) % 256);
  return text;
}

struct Size {
  int columns;
  int rows;
};

TEST(ScreenWriteTest, LongWritesEndExactlyAsAByteByByteWriteWould) {
  const std::vector<Size> sizes = {{1, 1}, {1, 4}, {2, 1}, {3, 2}, {7, 3}, {10, 4}, {10, 5},
                                   {80, 25}, {300, 3}};
  int cases = 0;
  for (const Size size : sizes) {
    const int w = size.columns;
    const int h = size.rows;
    const std::vector<int> lengths = {0, 1, w - 1, w, w + 1, 2 * w - 1, 2 * w, (h - 1) * w, h * w - 1,
                                      h * w, h * w + 1, 2 * h * w + 3, 5 * h * w + w / 2 + 1};
    const std::vector<int> columns = {0, std::min(1, w - 1), w - 1};
    const std::vector<int> rows = {0, h / 2, h - 1};
    for (const int length : lengths) {
      if (length < 0) continue;
      for (const int start_x : columns) {
        for (const int start_y : rows) {
          for (const bool pending : {false, true}) {
            // A wrap waits only at column 1 of the bottom row.
            if (pending && (start_x != 0 || start_y != h - 1)) continue;
            ConsoleCase run(w, h);
            ModelScreen model{w, h, std::vector<unsigned char>(static_cast<std::size_t>(w * h))};
            // Something on every cell beforehand, so that a cell left unwritten shows.
            for (int row = 0; row < h; ++row) {
              const std::string old = text_of_length(w, 100 + row);
              std::vector<ConsoleCell> cells;
              for (const char byte : old) cells.push_back(ConsoleCell{static_cast<std::uint8_t>(byte), 7});
              run.console.write_cells(0, row, cells.data(), w);
              std::copy(old.begin(), old.end(), model.cells.begin() + row * w);
            }
            run.console.cells_written = 0;
            run.console.set_cursor(start_x + 1, start_y + 1);
            model.x = start_x;
            model.y = start_y;
            model.pending_wrap = pending;
            con_state.pending_wrap = pending ? 255 : 0;

            const std::string text = text_of_length(length, length + start_x);
            con_print(txt_constant(text));
            model.write(text);

            const std::string label = "size " + std::to_string(w) + "x" + std::to_string(h) + ", length " +
                                      std::to_string(length) + ", from " + std::to_string(start_x + 1) + "," +
                                      std::to_string(start_y + 1) + (pending ? ", wrap pending" : "");
            for (int row = 0; row < h; ++row) {
              const std::string expected(model.cells.begin() + row * w, model.cells.begin() + (row + 1) * w);
              ASSERT_EQ(run.console.row_cells(row + 1), expected) << label << ", row " << row + 1;
            }
            // However many rows scroll, the console is asked for one scroll at most.
            ASSERT_LE(run.console.scroll_count(), std::min(model.scrolls, 1)) << label;
            ASSERT_EQ(run.console.cursor_column(), model.x + 1) << label;
            ASSERT_EQ(run.console.cursor_row(), model.y + 1) << label;
            ASSERT_EQ(con_state.pending_wrap, model.pending_wrap ? 255 : 0) << label;
            // No more cells than the screen holds.
            ASSERT_LE(run.console.cells_written, static_cast<long>(std::min(length, w * h))) << label;
            ++cases;
          }
        }
      }
    }
  }
  EXPECT_GT(cases, 500);
}

// The progress row of a split grows by one mark per piece and is written again from the same
// place for every piece: the cells sent for N pieces must grow with N, not with N squared.
TEST(ScreenWriteTest, CellsSentForAGrowingProgressRowStayLinearInThePieces) {
  const int columns = 10;
  const int rows = 6;
  const int progress_row = 4;
  const int pieces = 1500;
  ConsoleCase run(columns, rows);
  long most_in_one_piece = 0;
  for (int piece = 1; piece <= pieces; ++piece) {
    const long before = run.console.cells_written;
    con_set_cursor(1, progress_row);
    con_print(txt_constant(std::string(static_cast<std::size_t>(piece), '\xfe')));
    con_print(txt_constant("DATA." + std::to_string(piece)));
    con_new_line();
    most_in_one_piece = std::max(most_in_one_piece, run.console.cells_written - before);
  }
  // One screen and a name per piece at most; writing every mark would send about
  // pieces * pieces / 2 = 1,125,000 cells.
  EXPECT_LE(most_in_one_piece, columns * rows + 10);
  EXPECT_LE(run.console.cells_written, static_cast<long>(pieces) * (columns * rows + 10));
  // The last piece's line: 1,500 marks and the name end on the row above the cursor.
  EXPECT_EQ(run.console.row(rows - 2), std::string(columns, '\xfe')) << run.console.screen();
  EXPECT_EQ(run.console.row(rows - 1), "DATA.1500") << run.console.screen();
  EXPECT_EQ(run.console.cursor_row(), rows);
}

// What one piece's progress row asks of the console (cells, scrolls) is the same at 3,000 pieces
// as at 30,040 (which ends its marks at the same column), and so is the screen it leaves.
TEST(ScreenWriteTest, AProgressRowCostsTheSameAtAnyPieceCount) {
  struct Cost {
    long cells;
    int scrolls;
    std::string screen;
  };
  const auto cost_of_piece = [](std::uint32_t piece) {
    ConsoleCase run(80, 25);
    const auto progress_row = [piece] {
      con_set_cursor(1, 17);
      con_write_repeated(0xFE, piece);
      con_print(txt_constant(" Now adding : DATA.N"));
      con_new_line();
    };
    progress_row();  // the row of the piece before stands on the screen already
    const long cells_before = run.console.cells_written;
    const int scrolls_before = run.console.scroll_count();
    progress_row();
    return Cost{run.console.cells_written - cells_before, run.console.scroll_count() - scrolls_before,
                run.console.screen()};
  };
  const Cost at_3000 = cost_of_piece(3000);
  const Cost at_30040 = cost_of_piece(30040);
  EXPECT_EQ(at_3000.cells, at_30040.cells);
  EXPECT_EQ(at_3000.scrolls, at_30040.scrolls);
  EXPECT_LE(at_3000.cells, 80 * 25);
  EXPECT_TRUE(at_3000.screen == at_30040.screen);
}

}  // namespace
