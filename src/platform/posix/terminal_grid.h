// The screen buffer of the terminal console: the cells the program has written, kept in
// memory, the cursor, and for each row the columns changed since the terminal last showed it.
// Rows are kept in a ring, so a scroll of the whole screen up by some rows moves no cells: it
// turns the ring and blanks those rows. Positions are 0-based; calls outside the grid are clipped.
//
// A run of such scrolls with nothing else between them is applied at once when the grid is next
// used, so a long text that scrolls itself off the screen blanks each row at most once.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/console_device.h"

// A cell as one number, attribute * 256 + character, so that rows compare cheaply.
using PackedCell = std::uint32_t;
constexpr PackedCell pack_cell(ConsoleCell cell) {
  return static_cast<PackedCell>(cell.attribute) << 8 | cell.character;
}
constexpr std::uint8_t cell_character(PackedCell cell) { return cell & 0xFF; }
constexpr std::uint16_t cell_attribute(PackedCell cell) { return static_cast<std::uint16_t>(cell >> 8); }

class TerminalGrid {
 public:
  // Every cell starts as a blank in light grey on black.
  TerminalGrid(int columns, int rows);

  int columns() const { return columns_; }
  int rows() const { return rows_; }
  ConsoleCell cell(int x, int y) const;  // the grid as it stands after every scroll

  void write_cells(int x, int y, const ConsoleCell* cells, int count);
  // Moves the rectangle's contents so that its corner lands on (dest_x, dest_y); the cells of
  // the rectangle that nothing moved into take the fill.
  void scroll(int left, int top, int right, int bottom, int dest_x, int dest_y, ConsoleCell fill);
  // count cells from (x, y) on, running on across row ends, up to the end of the grid.
  void fill_characters(int x, int y, long count, std::uint8_t character);
  void fill_attributes(int x, int y, long count, std::uint16_t attribute);
  void fill_cells(int x, int y, long count, ConsoleCell cell);

  int cursor_x() const { return cursor_x_; }
  int cursor_y() const { return cursor_y_; }
  void set_cursor(int x, int y);  // clipped to the grid
  bool cursor_visible() const { return cursor_visible_; }
  void set_cursor_visible(bool visible);

  // --- for the renderer ---------------------------------------------------------------------
  // Whether anything changed since clear_changes: cells, scrolls, cursor or its visibility.
  bool stale() const { return stale_; }
  // Where row y lives in the ring. The renderer keeps what the terminal shows in the same
  // places, so that a scroll turns both alike.
  int ring_index(int y) const {
    settle();
    return index_of(y);
  }
  const PackedCell* row(int y) const {
    settle();
    return &cells_[static_cast<std::size_t>(index_of(y)) * columns_];
  }
  // The changed columns of row y: first > last when none.
  int changed_first(int y) const {
    settle();
    return first_changed_[static_cast<std::size_t>(index_of(y))];
  }
  int changed_last(int y) const {
    settle();
    return last_changed_[static_cast<std::size_t>(index_of(y))];
  }
  void mark_changed(int y, int first, int last);
  // Whole-screen one-row scrolls since clear_changes, in order.
  long scrolls() const { return scrolls_; }
  void clear_changes();

 private:
  // Applies the scrolls that wait: turns the ring and blanks the rows that came in.
  void settle() const;
  int index_of(int y) const { return (top_ + y) % rows_; }
  PackedCell& at(int x, int y) { return cells_[static_cast<std::size_t>(index_of(y)) * columns_ + x]; }

  int columns_;
  int rows_;
  // What settle() changes is the grid as it stands; the scrolls themselves are already counted.
  mutable int top_ = 0;  // ring index of row 0
  mutable std::vector<PackedCell> cells_;
  mutable std::vector<int> first_changed_;  // by ring index
  mutable std::vector<int> last_changed_;
  mutable long waiting_scrolls_ = 0;
  mutable PackedCell waiting_fill_ = 0;
  long scrolls_ = 0;
  bool stale_ = false;
  int cursor_x_ = 0;
  int cursor_y_ = 0;
  bool cursor_visible_ = true;
};
