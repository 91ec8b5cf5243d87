#include "console/screen.h"

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

// Where a write stands between two row segments.
struct WritePlace {
  int x;
  int y;
  bool pending_wrap;
};

// The length of the next row segment of a write from place, with remaining bytes left.
int segment_length(const WritePlace& place, int width, std::uint32_t remaining) {
  int room = width - place.x;
  if (room > CELL_BATCH) room = CELL_BATCH;
  return remaining < static_cast<std::uint32_t>(room) ? static_cast<int>(remaining) : room;
}

// Moves place past a segment of n cells: at the right edge to column 0 of the next row, or, on
// the bottom row, to a wrap that waits for more output.
void advance(WritePlace& place, int n, int width, int height) {
  place.x += n;
  if (place.x >= width) {
    place.x = 0;
    if (place.y + 1 >= height) {
      place.pending_wrap = true;
    } else {
      ++place.y;
    }
  }
}

// How many times the screen scrolls while count bytes are written from place.
std::uint64_t scrolls_of_write(WritePlace place, int width, int height, std::uint32_t count) {
  std::uint64_t scrolls = 0;
  std::uint32_t done = 0;
  while (done < count) {
    if (place.pending_wrap) {
      place.pending_wrap = false;
      ++scrolls;
    }
    const int n = segment_length(place, width, count - done);
    done += static_cast<std::uint32_t>(n);
    advance(place, n, width, height);
  }
  return scrolls;
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

// A long text (the progress row of a split with thousands of pieces) scrolls most of itself off
// the screen before the write ends. A segment whose row will have scrolled off by then is not
// written at all: every scroll still happens, and the cells, the cursor and the deferred wrap end
// as they would, but the cells written stay within about one screen per write.
void con_write(const unsigned char* bytes, std::uint32_t count) {
  if (count == 0) return;
  ConsoleState& console = con_state;
  const std::uint16_t attribute = current_attribute();
  ScreenBufferInfo screen = read_screen();
  const int width = screen.columns;
  const int height = screen.rows;
  if (width <= 0 || height <= 0) return;  // not a console: nothing to show

  WritePlace place{screen.cursor_x, screen.cursor_y, console.pending_wrap != 0};
  const std::uint64_t scrolls = scrolls_of_write(place, width, height, count);
  std::uint64_t scrolled = 0;
  const ConsoleCell fill{' ', attribute};
  ConsoleCell cells[CELL_BATCH];
  std::uint32_t done = 0;
  while (done < count) {
    if (place.pending_wrap) {
      place.pending_wrap = false;
      console.pending_wrap = 0;
      con_device().scroll(0, 1, width - 1, height - 1, 0, 0, fill);
      ++scrolled;
    }
    const int n = segment_length(place, width, count - done);
    // The scrolls still to come lift this row by as many rows; above row 0 it is gone.
    if (scrolls - scrolled <= static_cast<std::uint64_t>(place.y)) {
      for (int i = 0; i < n; ++i) {
        cells[i].character = bytes[done + static_cast<std::uint32_t>(i)];
        cells[i].attribute = attribute;
      }
      con_device().write_cells(place.x, place.y, cells, n);
    }
    done += static_cast<std::uint32_t>(n);
    advance(place, n, width, height);
  }
  console.pending_wrap = place.pending_wrap ? 255 : 0;
  // Placing the cursor clears the pending wrap; a wrap pending at the bottom outlives the write.
  const std::uint8_t wrap = console.pending_wrap;
  con_set_cursor(place.x + 1, place.y + 1);
  console.pending_wrap = wrap;
}

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
    return;
  }
  const bool wrap_was_pending = con_state.pending_wrap != 0;
  con_state.pending_wrap = 0;
  if (wrap_was_pending) con_scroll_up();
  con_scroll_up();
  con_set_cursor(1, screen.rows);
}

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
