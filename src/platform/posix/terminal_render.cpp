#include "platform/posix/terminal_render.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/cp437.h"
#include "platform/text_forms.h"

namespace {

// A cell whose look on the terminal is not known: no grid cell packs to it.
constexpr PackedCell UNKNOWN = 0xFFFFFFFFu;
// A cell that shows nothing: a blank in light grey on black.
constexpr PackedCell BLANK = pack_cell(ConsoleCell{' ', 7});

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
      window_columns_(columns_),
      window_rows_(rows_),
      shown_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), UNKNOWN) {
  for (int byte = 0; byte < 256; ++byte) {
    std::string utf8;
    utf8_append(utf8, cp437_glyph(static_cast<std::uint8_t>(byte)));
    Glyph& glyph = glyphs_[byte];
    glyph.length = static_cast<std::uint8_t>(utf8.size());
    std::memcpy(glyph.bytes, utf8.data(), utf8.size());
  }
}

void TerminalRenderer::set_window(int columns, int rows) {
  window_columns_ = columns > 0 ? std::min(columns, columns_) : columns_;
  window_rows_ = rows > 0 ? std::min(rows, rows_) : rows_;
  restart();
}

void TerminalRenderer::restart() {
  if (!started_) return;
  started_ = false;
  redraw_ = true;
}

void TerminalRenderer::forget_rows(TerminalGrid& grid, int top, int from, int to) {
  for (int r = from; r < to; ++r) {
    std::fill_n(shown_row(r), window_columns_, UNKNOWN);
    grid.mark_changed(top + r, 0, window_columns_ - 1);
  }
}

void TerminalRenderer::move_rows(int count) {
  const int kept = window_rows_ - (count > 0 ? count : -count);
  const std::size_t stride = static_cast<std::size_t>(columns_);
  if (count > 0) {
    std::copy_n(shown_row(count), static_cast<std::size_t>(kept) * stride, shown_row(0));
  } else {
    std::copy_backward(shown_row(0), shown_row(0) + static_cast<std::size_t>(kept) * stride,
                       shown_row(-count) + static_cast<std::size_t>(kept) * stride);
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

void TerminalRenderer::draw_run(const TerminalGrid& grid, int y, int r, int first, int last,
                                ByteBuffer& out) {
  move_cursor(first, r, out);
  const PackedCell* want = grid.row(y);
  PackedCell* have = shown_row(r);
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
    FormLook look{};
    if (form_look(grid, y, x, look)) {
      // A wide character that the window's edge would cut shows as the stand-in; the right half
      // of one was drawn with its left half.
      if (look.cells == 2 && x + 1 >= window_columns_) look.glyph = STAND_IN;
      if (look.cells > 0) {
        char bytes[4];
        out.append(std::string_view(bytes, utf8_encode(look.glyph, bytes)));
      }
    } else {
      const Glyph& glyph = glyphs_[cell_character(want[x])];
      out.append(std::string_view(glyph.bytes, glyph.length));
    }
    have[x] = want[x];
  }
  // After the last column the terminal holds the cursor back, waiting to wrap: where it stands
  // then is best not relied on.
  if (last + 1 < window_columns_) {
    cursor_x_ = last + 1;
  } else {
    cursor_x_ = cursor_y_ = -1;
  }
}

bool TerminalRenderer::form_look(const TerminalGrid& grid, int y, int x, FormLook& look) const {
  const int width = columns_;
  const long cell_count = static_cast<long>(width) * rows_;
  const long here = static_cast<long>(y) * width + x;
  auto byte_at = [&](long at) { return cell_character(grid.row(static_cast<int>(at / width))[at % width]); };
  // The form that holds the cell starts at most TEXT_FORM_MAX_BYTES - 1 cells before it, in
  // reading order; a form cut by the right edge goes on at the start of the next row.
  for (long start = here; start >= 0 && start > here - static_cast<long>(TEXT_FORM_MAX_BYTES); --start) {
    const auto length = static_cast<long>(text_form_length(byte_at(start)));
    if (length == 0 || start + length <= here || start + length > cell_count) continue;
    char bytes[TEXT_FORM_MAX_BYTES];
    for (long i = 0; i < length; ++i) bytes[i] = static_cast<char>(byte_at(start + i));
    char32_t code = 0;
    if (text_take_code(std::string_view(bytes, static_cast<std::size_t>(length)), code) != length) continue;

    int cells = character_cells(code);
    char32_t glyph = code;
    if (cells == 0) {
      glyph = STAND_IN;
      cells = 1;
    }
    // The character stands in the first of the form's two parts (left and right of the edge)
    // that has room for it; where neither has, the stand-in stands at the form's start.
    const long end = start + length;                // one past the form
    const long edge = (start / width + 1) * width;  // the start of the next row
    long at = start;
    if (std::min(end, edge) - start < cells) {
      if (end - edge >= cells) {
        at = edge;
      } else {
        glyph = STAND_IN;
        cells = 1;
      }
    }
    if (here == at) {
      look = FormLook{glyph, cells};
    } else if (here == at + 1 && cells == 2) {
      look = FormLook{glyph, 0};
    } else {
      look = FormLook{U' ', 1};
    }
    return true;
  }
  return false;
}

PackedCell* TerminalRenderer::shown_at(long at) {
  const int r = static_cast<int>(at / columns_) - top_;
  const int x = static_cast<int>(at % columns_);
  if (r < 0 || r >= window_rows_ || x >= window_columns_) return nullptr;
  return shown_row(r) + x;
}

void TerminalRenderer::forget_forms(TerminalGrid& grid, long first, long last) {
  const long cell_count = static_cast<long>(columns_) * rows_;
  auto wanted_at = [&](long at) { return grid.row(static_cast<int>(at / columns_))[at % columns_]; };
  auto form_length = [](PackedCell cell) {
    return cell == UNKNOWN ? 0L : static_cast<long>(text_form_length(cell_character(cell)));
  };
  auto reaches = [&](long start) {
    const PackedCell* shown = shown_at(start);
    return std::max(start + form_length(wanted_at(start)), shown == nullptr ? 0L : start + form_length(*shown));
  };
  // Back to the start of a form, in the grid or in the window, that holds the first cell.
  for (long start = first - 1; start >= 0 && start > first - static_cast<long>(TEXT_FORM_MAX_BYTES); --start) {
    if (reaches(start) > first) first = start;
  }
  // On to the end of every form that starts on the way.
  for (long at = first; at <= last && at < cell_count; ++at) {
    last = std::max(last, reaches(at) - 1);
    if (PackedCell* shown = shown_at(at)) {
      *shown = UNKNOWN;
      const int x = static_cast<int>(at % columns_);
      grid.mark_changed(static_cast<int>(at / columns_), x, x);
    }
  }
}

void TerminalRenderer::redraw_changed_forms(TerminalGrid& grid) {
  // Besides the window's cells, the forms it shows may reach the columns right of it (and from
  // a row's end on to the next row), the grid row above it and the one below it.
  const int near = static_cast<int>(TEXT_FORM_MAX_BYTES) - 1;
  for (int y = std::max(0, top_ - 1); y <= std::min(rows_ - 1, top_ + window_rows_); ++y) {
    int first = grid.changed_first(y);
    int last = std::min(grid.changed_last(y), columns_ - 1);
    if (y < top_) first = std::max(first, columns_ - near);
    if (y >= top_ + window_rows_) last = std::min(last, near - 1);
    const PackedCell* want = grid.row(y);
    for (int x = first; x <= last; ++x) {
      const long here = static_cast<long>(y) * columns_ + x;
      const PackedCell* shown = shown_at(here);
      if (shown != nullptr && *shown == want[x]) continue;
      forget_forms(grid, here, here);
    }
  }
}

void TerminalRenderer::start_frame(TerminalGrid& grid, int top, ByteBuffer& out) {
  out.append("\x1b[0m\x1b[H\x1b[2J");
  cursor_x_ = cursor_y_ = 0;
  colours_ = -1;
  visible_ = -1;
  started_ = true;
  redraw_ = false;
  forget_rows(grid, top, 0, window_rows_);
}

void TerminalRenderer::follow_scrolls(TerminalGrid& grid, int top, ByteBuffer& out) {
  const int height = window_rows_;
  // What the window shows moves up as the grid scrolls, and as the window moves down it.
  const long shift = grid.scrolls() + (top - top_);
  if (shift >= height || shift <= -height) {
    forget_rows(grid, top, 0, height);
  } else if (shift != 0) {
    // The terminal moves its rows alike: lines deleted at the top move them up, lines
    // inserted there move them down. The rows that come in are drawn afresh.
    const int count = static_cast<int>(shift);
    move_cursor(0, 0, out);
    out.append("\x1b[");
    out.append_number(count > 0 ? count : -count);
    out.append(count > 0 ? "M" : "L");
    cursor_x_ = cursor_y_ = -1;
    move_rows(count);
    if (count > 0) {
      forget_rows(grid, top, height - count, height);
    } else {
      forget_rows(grid, top, 0, -count);
    }
  }
}

void TerminalRenderer::forget_forms_at_edges(TerminalGrid& grid) {
  // Other rows now lie above and below the window: a form that reaches across its top or
  // bottom edge may look otherwise now.
  const long near = static_cast<long>(TEXT_FORM_MAX_BYTES) - 1;
  const long start = static_cast<long>(top_) * columns_;
  const long below = static_cast<long>(top_ + window_rows_) * columns_;
  forget_forms(grid, start, start + near - 1);
  forget_forms(grid, below - near, below - 1);
}

void TerminalRenderer::draw_changed_rows(const TerminalGrid& grid, ByteBuffer& out) {
  for (int r = 0; r < window_rows_; ++r) {
    const int y = top_ + r;
    const int first = grid.changed_first(y);
    const int last = std::min(grid.changed_last(y), window_columns_ - 1);
    if (first > last) continue;
    const PackedCell* want = grid.row(y);
    const PackedCell* have = shown_row(r);
    int run_first = -1;
    int run_last = -1;
    for (int x = first; x <= last; ++x) {
      if (want[x] == have[x]) continue;
      if (run_first >= 0 && x - run_last - 1 <= MAX_GAP) {
        run_last = x;
        continue;
      }
      if (run_first >= 0) draw_run(grid, y, r, run_first, run_last, out);
      run_first = run_last = x;
    }
    if (run_first >= 0) draw_run(grid, y, r, run_first, run_last, out);
  }
}

void TerminalRenderer::place_cursor(const TerminalGrid& grid, ByteBuffer& out) {
  // A cursor in a column that is cut off stands at the window's edge.
  move_cursor(std::min(grid.cursor_x(), window_columns_ - 1), grid.cursor_y() - top_, out);
  const int visible = grid.cursor_visible() ? 1 : 0;
  if (visible != visible_) {
    out.append(visible != 0 ? "\x1b[?25h" : "\x1b[?25l");
    visible_ = visible;
  }
}

int TerminalRenderer::last_row_shown() {
  int last_row = window_rows_ - 1;
  while (last_row >= 0 && std::all_of(shown_row(last_row), shown_row(last_row) + window_columns_,
                                      [](PackedCell cell) { return cell == BLANK; })) {
    --last_row;
  }
  return last_row;
}

void TerminalRenderer::render(TerminalGrid& grid, ByteBuffer& out) {
  // The window follows the cursor: its row, and as many rows above it as fit.
  const int top = std::max(0, grid.cursor_y() - (window_rows_ - 1));
  if (!started_) {
    start_frame(grid, top, out);
  } else {
    follow_scrolls(grid, top, out);
  }
  const bool moved = top != top_ || grid.scrolls() > 0;
  top_ = top;
  if (moved) forget_forms_at_edges(grid);
  redraw_changed_forms(grid);
  draw_changed_rows(grid, out);
  grid.clear_changes();
  place_cursor(grid, out);
  last_row_ = last_row_shown();
}

void TerminalRenderer::render_end(ByteBuffer& out) const {
  // Colours first, so that a line the terminal scrolls in and the rows erased below the last
  // one that shows anything (blank in black until now) take the user's colours.
  out.append("\x1b[0m");
  if (last_row_ < 0) {
    out.append("\x1b[H");
  } else {
    out.append("\x1b[");
    out.append_number(last_row_ + 1);
    out.append(";1H\n");
  }
  out.append("\x1b[J\x1b[?25h");
}
