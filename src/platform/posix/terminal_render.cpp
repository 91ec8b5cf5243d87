#include "platform/posix/terminal_render.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/posix/cp437.h"

namespace {

// A cell whose look on the terminal is not known: no grid cell packs to it.
constexpr PackedCell UNKNOWN = 0xFFFFFFFFu;

// Equal cells between two changed ones are drawn again when there are at most this many: that
// costs less than a cursor move over them.
constexpr int MAX_GAP = 4;

// The console numbers its colours blue 1, green 2, red 4; ANSI numbers them red 1, green 2,
// blue 4.
constexpr int ANSI_COLOUR[8] = {0, 4, 2, 6, 1, 5, 3, 7};

}  // namespace

void ByteBuffer::append(std::string_view bytes) {
  if (bytes.size() > data_.size() - size_) {
    overflowed_ = true;
    return;
  }
  std::memcpy(data_.data() + size_, bytes.data(), bytes.size());
  size_ += bytes.size();
}

void ByteBuffer::append_number(long value) {
  char digits[24];
  int at = sizeof digits;
  if (value < 0) value = 0;
  do {
    digits[--at] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  append(std::string_view(digits + at, sizeof digits - static_cast<std::size_t>(at)));
}

int sgr_foreground(std::uint16_t attribute) {
  const int colour = attribute & 0x0F;
  return (colour < 8 ? 30 : 90) + ANSI_COLOUR[colour & 7];
}

int sgr_background(std::uint16_t attribute) {
  const int colour = (attribute >> 4) & 0x0F;
  return (colour < 8 ? 40 : 100) + ANSI_COLOUR[colour & 7];
}

TerminalRenderer::TerminalRenderer(int columns, int rows)
    : columns_(std::max(columns, 1)),
      rows_(std::max(rows, 1)),
      shown_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), UNKNOWN) {
  for (int byte = 0; byte < 256; ++byte) {
    std::string utf8;
    utf8_append(utf8, cp437_glyph(static_cast<std::uint8_t>(byte)));
    Glyph& glyph = glyphs_[byte];
    glyph.length = static_cast<std::uint8_t>(utf8.size());
    std::memcpy(glyph.bytes, utf8.data(), utf8.size());
  }
}

std::size_t TerminalRenderer::frame_capacity(int columns, int rows) {
  // Per cell at most a cursor move, a colour change and a three-byte glyph; then the clear or
  // the scroll before the cells and the cursor after them.
  const std::size_t per_cell = 14 + 12 + 3;
  return static_cast<std::size_t>(std::max(columns, 1)) * static_cast<std::size_t>(std::max(rows, 1)) * per_cell +
         128;
}

void TerminalRenderer::move_cursor(int x, int y, ByteBuffer& out) {
  if (x == cursor_x_ && y == cursor_y_) return;
  out.append("\x1b[");
  out.append_number(y + 1);
  out.append(";");
  out.append_number(x + 1);
  out.append("H");
  cursor_x_ = x;
  cursor_y_ = y;
}

void TerminalRenderer::draw_run(const TerminalGrid& grid, int y, int first, int last,
                                ByteBuffer& out) {
  move_cursor(first, y, out);
  const PackedCell* want = grid.row(y);
  PackedCell* have = &shown_[static_cast<std::size_t>(grid.ring_index(y)) * static_cast<std::size_t>(columns_)];
  for (int x = first; x <= last; ++x) {
    const std::uint16_t attribute = cell_attribute(want[x]);
    const int colours = attribute & 0xFF;
    if (colours != colours_) {
      out.append(colours_ < 0 ? "\x1b[0;" : "\x1b[");
      out.append_number(sgr_foreground(attribute));
      out.append(";");
      out.append_number(sgr_background(attribute));
      out.append("m");
      colours_ = colours;
    }
    const Glyph& glyph = glyphs_[cell_character(want[x])];
    out.append(std::string_view(glyph.bytes, glyph.length));
    have[x] = want[x];
  }
  // After the last column the terminal holds the cursor back, waiting to wrap: where it stands
  // then is best not relied on.
  if (last + 1 < columns_) {
    cursor_x_ = last + 1;
  } else {
    cursor_x_ = cursor_y_ = -1;
  }
}

void TerminalRenderer::render(TerminalGrid& grid, ByteBuffer& out) {
  const int width = columns_;
  const int height = rows_;
  if (!started_) {
    out.append("\x1b[0m\x1b[H\x1b[2J");
    cursor_x_ = cursor_y_ = 0;
    colours_ = -1;
    started_ = true;
    for (int y = 0; y < height; ++y) grid.mark_changed(y, 0, width - 1);
  } else if (grid.scrolls() >= height) {
    std::fill(shown_.begin(), shown_.end(), UNKNOWN);
    for (int y = 0; y < height; ++y) grid.mark_changed(y, 0, width - 1);
  } else if (grid.scrolls() > 0) {
    // The terminal scrolls as the grid did: delete lines at the top. The rows that come in at
    // the bottom are drawn afresh.
    const int count = static_cast<int>(grid.scrolls());
    move_cursor(0, 0, out);
    out.append("\x1b[");
    out.append_number(count);
    out.append("M");
    cursor_x_ = cursor_y_ = -1;
    for (int y = height - count; y < height; ++y) {
      std::fill_n(&shown_[static_cast<std::size_t>(grid.ring_index(y)) * static_cast<std::size_t>(width)], width, UNKNOWN);
      grid.mark_changed(y, 0, width - 1);
    }
  }

  for (int y = 0; y < height; ++y) {
    const int first = grid.changed_first(y);
    const int last = std::min(grid.changed_last(y), width - 1);
    if (first > last) continue;
    const PackedCell* want = grid.row(y);
    const PackedCell* have = &shown_[static_cast<std::size_t>(grid.ring_index(y)) * static_cast<std::size_t>(width)];
    int run_first = -1;
    int run_last = -1;
    for (int x = first; x <= last; ++x) {
      if (want[x] == have[x]) continue;
      if (run_first >= 0 && x - run_last - 1 <= MAX_GAP) {
        run_last = x;
        continue;
      }
      if (run_first >= 0) draw_run(grid, y, run_first, run_last, out);
      run_first = run_last = x;
    }
    if (run_first >= 0) draw_run(grid, y, run_first, run_last, out);
  }
  grid.clear_changes();

  move_cursor(grid.cursor_x(), grid.cursor_y(), out);
  const int visible = grid.cursor_visible() ? 1 : 0;
  if (visible != visible_) {
    out.append(visible != 0 ? "\x1b[?25h" : "\x1b[?25l");
    visible_ = visible;
  }
}

void TerminalRenderer::render_end(const TerminalGrid& grid, ByteBuffer& out) {
  cursor_x_ = cursor_y_ = -1;
  move_cursor(grid.cursor_x(), grid.cursor_y(), out);
  out.append("\x1b[0m\x1b[?25h");
  colours_ = -1;
  visible_ = 1;
}
