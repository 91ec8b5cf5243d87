#include "console/screen.h"

#include <algorithm>

#include "console/console_state.h"
#include "console/device_in_use.h"
#include "frame/runtime_state.h"
#include "platform/console_device.h"

namespace {

std::uint16_t current_attribute() {
  return static_cast<std::uint16_t>(con_state.background * 16 + con_state.foreground);
}

ScreenBufferInfo read_screen() {
  ScreenBufferInfo info;
  if (!con_device().get_screen_info(info)) info = ScreenBufferInfo{};
  return info;
}

// One row segment goes out in one batch of at most this many cells; longer rows take several.
constexpr int CELL_BATCH = 256;

// Writes count bytes at the cursor. The cells of a write are counted from the top left of the
// screen as it stands, row by row, rows past the bottom included: the write covers the cells from
// the cursor's on (from the first cell past the bottom row when a wrap is pending), and each row
// past the bottom that it reaches comes into view by a one-row scroll, made when the first byte of
// that row is written. So the screen after the write is the screen after those scrolls and writes,
// which are made here as one scroll of as many rows and writes of the cells that stay in view: the
// cost of a write does not grow with its length.
// bytes gives the bytes; without them every byte is `repeated`, and the cells are filled.
void write_run(std::uint32_t count, const unsigned char* bytes, std::uint8_t repeated) {
  if (count == 0) return;
  const std::uint16_t attribute = current_attribute();
  const ScreenBufferInfo screen = read_screen();
  if (screen.columns <= 0 || screen.rows <= 0) return;  // not a console: nothing to show
  const auto width = static_cast<std::uint64_t>(screen.columns);
  const auto height = static_cast<std::uint64_t>(screen.rows);

  const std::uint64_t start = con_state.pending_wrap != 0
                                  ? height * width
                                  : static_cast<std::uint64_t>(screen.cursor_y) * width +
                                        static_cast<std::uint64_t>(screen.cursor_x);
  const std::uint64_t end = start + count;
  const std::uint64_t last_row = (end - 1) / width;
  const std::uint64_t scrolls = last_row >= height ? last_row - (height - 1) : 0;
  const ConsoleCell fill{' ', attribute};
  if (scrolls >= height) {
    // Every row of the screen scrolls away and the write fills the rows that come into view, all
    // but the end of the last one, which the scroll that brought it left blank.
    const std::uint64_t tail = end % width;
    if (tail != 0) {
      const long cells = static_cast<long>(width - tail);
      con_device().fill_cells(static_cast<int>(tail), screen.rows - 1, cells, fill);
    }
  } else if (scrolls > 0) {
    con_device().scroll(0, 0, screen.columns - 1, screen.rows - 1, 0, -static_cast<int>(scrolls), fill);
  }

  const std::uint64_t first_in_view = std::max(start, scrolls * width);
  if (bytes == nullptr && first_in_view < end) {
    // Repeated cells go out as one fill, which runs on from row to row: the marks of a long
    // progress row cover the screen.
    const int x = static_cast<int>(first_in_view % width);
    const int y = static_cast<int>(first_in_view / width - scrolls);
    const auto cells = static_cast<long>(end - first_in_view);
    con_device().fill_cells(x, y, cells, ConsoleCell{repeated, attribute});
  }
  static ConsoleCell cells[CELL_BATCH];
  for (std::uint64_t at = first_in_view; bytes != nullptr && at < end;) {
    const std::uint64_t column = at % width;
    const auto n = static_cast<int>(std::min<std::uint64_t>({end - at, width - column, CELL_BATCH}));
    for (int i = 0; i < n; ++i) cells[i] = ConsoleCell{bytes[at - start + static_cast<std::uint64_t>(i)], attribute};
    con_device().write_cells(static_cast<int>(column), static_cast<int>(at / width - scrolls), cells, n);
    at += static_cast<std::uint64_t>(n);
  }

  // A write that fills the bottom row to its last column leaves the wrap pending there; one that
  // fills another row leaves the cursor at the start of the next.
  int cursor_x = static_cast<int>(end % width);
  int cursor_y = static_cast<int>(end / width - scrolls);
  bool pending = false;
  if (cursor_x == 0 && last_row - scrolls == height - 1) {
    pending = true;
    cursor_y = screen.rows - 1;
  }
  // Placing the cursor clears the pending wrap; a wrap pending at the bottom outlives the write.
  con_set_cursor(cursor_x + 1, cursor_y + 1);
  con_state.pending_wrap = pending ? 255 : 0;
}

}  // namespace

void con_reset() {
  con_state.silent = false;
  con_state.foreground = 7;
  con_state.background = 0;
  con_state.pending_wrap = 0;
}

void con_print(const TextValue& text) { con_write(text.data(), text.length); }

void con_put_char(std::uint8_t byte) { con_write(&byte, 1); }

void con_write(const unsigned char* bytes, std::uint32_t count) { write_run(count, bytes, 0); }

void con_write_repeated(std::uint8_t byte, std::uint32_t count) { write_run(count, nullptr, byte); }

void con_scroll_up() {
  ScreenBufferInfo screen = read_screen();
  if (screen.columns <= 0 || screen.rows <= 0) return;
  con_device().scroll(0, 1, screen.columns - 1, screen.rows - 1, 0, 0, ConsoleCell{' ', current_attribute()});
}

void con_new_line() {
  ScreenBufferInfo screen = read_screen();
  if (screen.rows <= 0) return;
  if (screen.cursor_y + 1 != screen.rows) {
    con_set_cursor(1, screen.cursor_y + 2);
  } else {
    const bool wrap_was_pending = con_state.pending_wrap != 0;
    con_state.pending_wrap = 0;
    if (wrap_was_pending) con_scroll_up();
    con_scroll_up();
    con_set_cursor(1, screen.rows);
  }
  con_device().present(false);
}

void con_present() { con_device().present(true); }

void con_clear_screen() {
  con_cursor_suspend();
  ScreenBufferInfo screen = read_screen();
  const long cells = static_cast<long>(screen.columns) * screen.rows;
  con_device().fill_characters(0, 0, cells, ' ');
  con_device().fill_attributes(0, 0, cells, current_attribute());
  con_set_cursor(1, 1);
  con_cursor_restore();
}

void con_set_cursor(std::int32_t column, std::int32_t row) {
  ScreenBufferInfo screen = read_screen();
  int x = screen.cursor_x;
  int y = screen.cursor_y;
  if (column >= 1 && column <= screen.columns) x = column - 1;
  if (row >= 1 && row <= screen.rows) y = row - 1;
  con_device().set_cursor_position(x, y);
  con_state.pending_wrap = 0;
}

void con_cursor_back() {
  ScreenBufferInfo screen = read_screen();
  if (con_state.pending_wrap != 0) {
    con_state.pending_wrap = 0;
    con_set_cursor(screen.columns, screen.rows);
  } else if (screen.cursor_x == 0) {
    // In row 1 there is no row above: the row stays and the cursor goes to its last column.
    con_set_cursor(screen.columns, screen.cursor_y);
  } else {
    con_set_cursor(screen.cursor_x, screen.cursor_y + 1);
  }
}

ConsolePosition con_get_cursor() {
  ScreenBufferInfo screen = read_screen();
  return {screen.cursor_x, screen.cursor_y};
}

ConsolePosition con_get_screen_size() {
  ScreenBufferInfo screen = read_screen();
  return {screen.columns, screen.rows};
}

void con_set_cursor_shape(std::int32_t size) {
  ConsoleState& console = con_state;
  if (size == 0) {
    console.cursor_visible = 0;
  } else {
    console.cursor_visible = 1;
    console.cursor_size = size < 99 ? size : 99;
  }
  int applied = console.cursor_size;
  if (applied < 1) applied = 1;
  if (applied > 99) applied = 99;
  con_device().set_cursor_shape(CursorShape{applied, console.cursor_visible != 0});
}

void con_cursor_suspend() {
  if (con_state.cursor_visible != 0) {
    con_set_cursor_shape(0);
    con_state.cursor_visible = -1;
  }
}

void con_cursor_force_show() {
  if (con_state.cursor_visible == 0) {
    con_set_cursor_shape(con_state.cursor_size);
    con_state.cursor_visible = 0;
  }
}

void con_cursor_restore() {
  if (con_state.cursor_visible == 0) {
    con_set_cursor_shape(0);
  } else {
    con_set_cursor_shape(con_state.cursor_size);
    con_state.cursor_visible = 1;
  }
}
