#include "platform/posix/terminal_grid.h"

#include <algorithm>

namespace {
constexpr PackedCell BLANK = pack_cell(ConsoleCell{' ', 7});
}

TerminalGrid::TerminalGrid(int columns, int rows)
    : columns_(std::max(columns, 1)),
      rows_(std::max(rows, 1)),
      cells_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), BLANK),
      first_changed_(static_cast<std::size_t>(rows_), columns_),
      last_changed_(static_cast<std::size_t>(rows_), -1) {}

ConsoleCell TerminalGrid::cell(int x, int y) const {
  settle();
  if (x < 0 || x >= columns_ || y < 0 || y >= rows_) return ConsoleCell{};
  const PackedCell packed = row(y)[x];
  return ConsoleCell{cell_character(packed), cell_attribute(packed)};
}

void TerminalGrid::mark_changed(int y, int first, int last) {
  settle();
  const auto index = static_cast<std::size_t>(index_of(y));
  first_changed_[index] = std::min(first_changed_[index], first);
  last_changed_[index] = std::max(last_changed_[index], last);
  stale_ = true;
}

void TerminalGrid::clear_changes() {
  settle();
  std::fill(first_changed_.begin(), first_changed_.end(), columns_);
  std::fill(last_changed_.begin(), last_changed_.end(), -1);
  scrolls_ = 0;
  stale_ = false;
}

void TerminalGrid::write_cells(int x, int y, const ConsoleCell* cells, int count) {
  settle();
  if (y < 0 || y >= rows_ || count <= 0) return;
  int from = 0;
  if (x < 0) {
    from = -x;
    x = 0;
  }
  const int end = static_cast<int>(std::min<long>(columns_, static_cast<long>(x) + (count - from)));
  if (x >= end) return;
  // One ring lookup for the whole segment: the progress row of a large split rewrites a screen
  // of cells for every piece.
  PackedCell* target = &at(x, y);
  for (int i = 0; i < end - x; ++i) target[i] = pack_cell(cells[from + i]);
  mark_changed(y, x, end - 1);
}

void TerminalGrid::settle() const {
  if (waiting_scrolls_ == 0) return;
  // Each scroll lets the top row go and blanks its storage as the new bottom row; after a whole
  // screen of them every row is blank.
  const long count = waiting_scrolls_;
  waiting_scrolls_ = 0;
  const int fresh = count >= rows_ ? rows_ : static_cast<int>(count);
  top_ = static_cast<int>((top_ + count) % rows_);
  for (int y = rows_ - fresh; y < rows_; ++y) {
    const auto index = static_cast<std::size_t>(index_of(y));
    std::fill_n(&cells_[index * static_cast<std::size_t>(columns_)], columns_, waiting_fill_);
    first_changed_[index] = 0;
    last_changed_[index] = columns_ - 1;
  }
}

void TerminalGrid::scroll(int left, int top, int right, int bottom, int dest_x, int dest_y,
                          ConsoleCell fill) {
  const PackedCell fill_cell = pack_cell(fill);
  // The screen services scroll the whole screen up, by one row or by several at once: turn the
  // ring.
  const bool whole_width = left == 0 && right == columns_ - 1 && dest_x == 0 && bottom == rows_ - 1;
  int rows_up = 0;
  if (whole_width && top == 1 && dest_y == 0) rows_up = 1;
  if (whole_width && top == 0 && dest_y < 0) rows_up = -dest_y;
  if (rows_up > 0) {
    if (waiting_scrolls_ != 0 && waiting_fill_ != fill_cell) settle();
    waiting_fill_ = fill_cell;
    waiting_scrolls_ += rows_up;
    scrolls_ += rows_up;
    stale_ = true;
    return;
  }
  settle();
  // Any other rectangle: copy it aside, fill it, and put the copy down where it goes.
  const int x0 = std::max(left, 0), y0 = std::max(top, 0);
  const int x1 = std::min(right, columns_ - 1), y1 = std::min(bottom, rows_ - 1);
  if (x0 > x1 || y0 > y1) return;
  const int width = x1 - x0 + 1;
  std::vector<PackedCell> moved;
  moved.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(y1 - y0 + 1));
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) moved.push_back(at(x, y));
    std::fill_n(&at(x0, y), width, fill_cell);
    mark_changed(y, x0, x1);
  }
  // The clipped rectangle lands shifted by as much as its clipped corner moved.
  const long to_left = static_cast<long>(dest_x) + (x0 - left);
  const long to_top = static_cast<long>(dest_y) + (y0 - top);
  for (int y = y0; y <= y1; ++y) {
    const long to_y = to_top + (y - y0);
    if (to_y < 0 || to_y >= rows_) continue;
    int first = columns_, last = -1;
    for (int x = x0; x <= x1; ++x) {
      const long to_x = to_left + (x - x0);
      if (to_x < 0 || to_x >= columns_) continue;
      at(static_cast<int>(to_x), static_cast<int>(to_y)) =
          moved[static_cast<std::size_t>(y - y0) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x - x0)];
      first = std::min(first, static_cast<int>(to_x));
      last = std::max(last, static_cast<int>(to_x));
    }
    if (first <= last) mark_changed(static_cast<int>(to_y), first, last);
  }
}

void TerminalGrid::fill_characters(int x, int y, long count, std::uint8_t character) {
  settle();
  if (x < 0 || x >= columns_ || y < 0 || y >= rows_) return;
  while (count > 0 && y < rows_) {
    const int end = static_cast<int>(std::min<long>(columns_, x + count));
    PackedCell* cells = &at(x, y);
    for (int i = 0; i < end - x; ++i) cells[i] = (cells[i] & ~PackedCell{0xFF}) | character;
    mark_changed(y, x, end - 1);
    count -= end - x;
    x = 0;
    ++y;
  }
}

void TerminalGrid::fill_attributes(int x, int y, long count, std::uint16_t attribute) {
  settle();
  if (x < 0 || x >= columns_ || y < 0 || y >= rows_) return;
  while (count > 0 && y < rows_) {
    const int end = static_cast<int>(std::min<long>(columns_, x + count));
    PackedCell* cells = &at(x, y);
    for (int i = 0; i < end - x; ++i) cells[i] = static_cast<PackedCell>(attribute) << 8 | (cells[i] & 0xFF);
    mark_changed(y, x, end - 1);
    count -= end - x;
    x = 0;
    ++y;
  }
}

void TerminalGrid::fill_cells(int x, int y, long count, ConsoleCell cell) {
  settle();
  if (x < 0 || x >= columns_ || y < 0 || y >= rows_) return;
  const PackedCell packed = pack_cell(cell);
  while (count > 0 && y < rows_) {
    const int end = static_cast<int>(std::min<long>(columns_, x + count));
    std::fill_n(&at(x, y), end - x, packed);
    mark_changed(y, x, end - 1);
    count -= end - x;
    x = 0;
    ++y;
  }
}

void TerminalGrid::set_cursor(int x, int y) {
  x = std::clamp(x, 0, columns_ - 1);
  y = std::clamp(y, 0, rows_ - 1);
  if (x == cursor_x_ && y == cursor_y_) return;
  cursor_x_ = x;
  cursor_y_ = y;
  stale_ = true;
}

void TerminalGrid::set_cursor_visible(bool visible) {
  if (visible == cursor_visible_) return;
  cursor_visible_ = visible;
  stale_ = true;
}
