// A VT terminal as far as the terminal console uses one: cursor moves, SGR colours, erasing,
// line deletion and insertion, carriage return and line feed, cursor visibility, and UTF-8
// glyphs written with the deferred wrap at the right edge; a wide glyph takes two cells, and
// writing over either half of one blanks the other. Anything else it is sent is a fault of the
// sender. Shared by the renderer's tests and the console's tests over a pseudo-terminal.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/cp437.h"
#include "platform/posix/terminal_grid.h"
#include "platform/posix/terminal_render.h"
#include "platform/text_forms.h"

class VtModel {
 public:
  static constexpr char32_t RIGHT_HALF = 0;  // the cell that a wide glyph to its left covers
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
      if (bytes[at] == '\r') {
        x_ = 0;
        wrap_pending_ = false;
        ++at;
        continue;
      }
      if (bytes[at] == '\n') {
        line_feed();
        ++at;
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
  // Row y's glyphs as UTF-8, blanks at the end cut.
  std::string text(int y) const {
    std::string out;
    for (int x = 0; x < columns_; ++x) {
      if (cell(x, y).glyph != RIGHT_HALF) utf8_append(out, cell(x, y).glyph);
    }
    return out.substr(0, out.find_last_not_of(' ') + 1);
  }
  int columns() const { return columns_; }
  int rows() const { return rows_; }
  int cursor_x() const { return x_; }
  int cursor_y() const { return y_; }
  bool cursor_visible() const { return visible_; }
  int foreground() const { return foreground_; }
  int background() const { return background_; }

 private:
  Cell& at(int x, int y) { return cells_[static_cast<std::size_t>(y * columns_ + x)]; }
  // Writing into either half of a wide glyph leaves the other half blank.
  void break_wide(int x) {
    if (at(x, y_).glyph == RIGHT_HALF && x > 0) at(x - 1, y_).glyph = ' ';
    if (x + 1 < columns_ && at(x + 1, y_).glyph == RIGHT_HALF) at(x + 1, y_).glyph = ' ';
  }
  void print(char32_t glyph) {
    ASSERT_FALSE(wrap_pending_) << "a glyph behind the last column would wrap";
    const int cells = character_cells(glyph) == 2 ? 2 : 1;
    ASSERT_LE(x_ + cells, columns_) << "a wide glyph in the last column";
    for (int i = 0; i < cells; ++i) break_wide(x_ + i);
    for (int i = 0; i < cells; ++i) at(x_ + i, y_) = Cell{i == 0 ? glyph : RIGHT_HALF, foreground_, background_};
    if (x_ + cells == columns_) {
      x_ = columns_ - 1;
      wrap_pending_ = true;
    } else {
      x_ += cells;
    }
  }

  void line_feed() {
    wrap_pending_ = false;
    if (y_ + 1 < rows_) {
      ++y_;
      return;
    }
    cells_.erase(cells_.begin(), cells_.begin() + columns_);
    cells_.insert(cells_.end(), static_cast<std::size_t>(columns_), Cell{' ', 39, background_});
  }

  // Moves rows from the cursor's row down by count (up when negative); rows that come in are
  // not relied on.
  void shift_rows(int count) {
    const std::vector<Cell> before = cells_;
    for (int y = y_; y < rows_; ++y) {
      const int from = y - count;
      for (int x = 0; x < columns_; ++x) {
        cells_[static_cast<std::size_t>(y * columns_ + x)] =
            from >= y_ && from < rows_ ? before[static_cast<std::size_t>(from * columns_ + x)] : Cell{U'?', 0, 0};
      }
    }
    x_ = 0;
    wrap_pending_ = false;
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
      // The whole screen (2), or from the cursor to the end (none).
      EXPECT_TRUE(numbers == std::vector<int>{2} || numbers.empty()) << params;
      const std::size_t from = numbers.empty() ? static_cast<std::size_t>(y_ * columns_ + x_) : 0;
      for (std::size_t i = from; i < cells_.size(); ++i) cells_[i] = Cell{' ', 39, background_};
    } else if (final_byte == 'M' || final_byte == 'L') {
      const int count = numbers.empty() ? 1 : numbers[0];
      shift_rows(final_byte == 'M' ? -count : count);
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

// What each cell of the grid should show, read from the top left on: a cell's code-page-437
// glyph; for the cells of a whole form, the character (a stand-in for one of unsure width) in
// the first part of the form that the right edge leaves it room in, and blanks; the right half
// of a wide character shows nothing of its own, in the colours of its left half.
inline std::vector<VtModel::Cell> expected_cells(const TerminalGrid& grid) {
  const int columns = grid.columns();
  const long count = static_cast<long>(columns) * grid.rows();
  std::vector<VtModel::Cell> cells(static_cast<std::size_t>(count));
  auto cell = [&](long at) { return grid.cell(static_cast<int>(at % columns), static_cast<int>(at / columns)); };
  auto look = [&](long at, char32_t glyph, long colours_from) {
    const std::uint16_t attribute = cell(colours_from).attribute;
    cells[static_cast<std::size_t>(at)] = VtModel::Cell{glyph, sgr_foreground(attribute), sgr_background(attribute)};
  };
  for (long at = 0; at < count;) {
    std::string bytes;
    for (long i = at; i < count && i < at + static_cast<long>(TEXT_FORM_MAX_BYTES); ++i) bytes += static_cast<char>(cell(i).character);
    char32_t code = 0;
    const int length = static_cast<std::uint8_t>(bytes[0]) < 32 ? text_take_code(bytes, code) : -1;
    if (length <= 0) {
      look(at, cp437_glyph(cell(at).character), at);
      ++at;
      continue;
    }
    int width = character_cells(code);
    if (width == 0) code = STAND_IN;
    width = std::max(width, 1);
    const long end = at + length, edge = (at / columns + 1) * columns;
    long place = std::min(end, edge) - at >= width ? at : (end - edge >= width ? edge : -1);
    if (place < 0) {
      place = at;
      code = STAND_IN;
      width = 1;
    }
    for (long i = at; i < end; ++i) look(i, ' ', i);
    look(place, code, place);
    if (width == 2) look(place + 1, VtModel::RIGHT_HALF, place);
    at = end;
  }
  return cells;
}

// The terminal's window shows the grid from row top on, cell for cell, cut at the window's
// edges (a wide character that the edge cuts shows as the stand-in), with the cursor in place
// (in a column that is cut off: at the right edge).
inline void expect_window(const TerminalGrid& grid, const VtModel& terminal, int top) {
  const std::vector<VtModel::Cell> cells = expected_cells(grid);
  for (int r = 0; r < terminal.rows() && top + r < grid.rows(); ++r) {
    for (int x = 0; x < terminal.columns() && x < grid.columns(); ++x) {
      VtModel::Cell want = cells[static_cast<std::size_t>((top + r) * grid.columns() + x)];
      if (x + 1 == terminal.columns() && x + 1 < grid.columns() &&
          cells[static_cast<std::size_t>((top + r) * grid.columns() + x + 1)].glyph == VtModel::RIGHT_HALF) {
        want.glyph = STAND_IN;
      }
      const VtModel::Cell& got = terminal.cell(x, r);
      ASSERT_EQ(got.glyph, want.glyph) << "at " << x << "," << top + r;
      ASSERT_EQ(got.foreground, want.foreground) << "at " << x << "," << top + r;
      ASSERT_EQ(got.background, want.background) << "at " << x << "," << top + r;
    }
  }
  EXPECT_EQ(terminal.cursor_x(), std::min(grid.cursor_x(), terminal.columns() - 1));
  EXPECT_EQ(terminal.cursor_y(), grid.cursor_y() - top);
  EXPECT_EQ(terminal.cursor_visible(), grid.cursor_visible());
}

// The grid and a terminal of its size show the same thing.
inline void expect_same(const TerminalGrid& grid, const VtModel& terminal) { expect_window(grid, terminal, 0); }
