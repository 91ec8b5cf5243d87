#include "console/screen.h"

#include "frame/runtime_state.h"
#include "platform/console_device.h"

namespace {

ConsoleDevice& device() { return *rt_state.console_device; }

std::uint16_t current_attribute() {
  return static_cast<std::uint16_t>(rt_state.console.background * 16 + rt_state.console.foreground);
}

ScreenBufferInfo read_screen() {
  ScreenBufferInfo info;
  if (!device().get_screen_info(info)) info = ScreenBufferInfo{};
  return info;
}

// One row segment goes out in one batch of at most this many cells; longer rows take several.
constexpr int CELL_BATCH = 256;

}  // namespace

void con_reset() {
  rt_state.console.foreground = 7;
  rt_state.console.background = 0;
  rt_state.console.pending_wrap = 0;
}

void con_print(const TextValue& text) { con_write(text.data(), text.length); }

void con_put_char(std::uint8_t byte) { con_write(&byte, 1); }

void con_write(const unsigned char* bytes, std::uint32_t count) {
  if (count == 0) return;
  ConsoleState& console = rt_state.console;
  const std::uint16_t attribute = current_attribute();
  ScreenBufferInfo screen = read_screen();
  int x = screen.cursor_x;
  int y = screen.cursor_y;
  const int width = screen.columns;
  const int height = screen.rows;
  if (width <= 0 || height <= 0) return;  // not a console: nothing to show

  ConsoleCell cells[CELL_BATCH];
  std::uint32_t done = 0;
  while (done < count) {
    if (console.pending_wrap != 0) {
      console.pending_wrap = 0;
      con_scroll_up();
    }
    int room = width - x;
    if (room > CELL_BATCH) room = CELL_BATCH;
    const std::uint32_t remaining = count - done;
    const int n = remaining < static_cast<std::uint32_t>(room) ? static_cast<int>(remaining) : room;
    for (int i = 0; i < n; ++i) {
      cells[i].character = bytes[done + static_cast<std::uint32_t>(i)];
      cells[i].attribute = attribute;
    }
    device().write_cells(x, y, cells, n);
    done += static_cast<std::uint32_t>(n);
    x += n;
    if (x >= width) {
      x = 0;
      if (y + 1 >= height) {
        console.pending_wrap = 255;
      } else {
        ++y;
      }
    }
  }
  // Placing the cursor clears the pending wrap; a wrap pending at the bottom outlives the write.
  const std::uint8_t wrap = console.pending_wrap;
  con_set_cursor(x + 1, y + 1);
  console.pending_wrap = wrap;
}

void con_scroll_up() {
  ScreenBufferInfo screen = read_screen();
  if (screen.columns <= 0 || screen.rows <= 0) return;
  device().scroll(0, 1, screen.columns - 1, screen.rows - 1, 0, 0, ConsoleCell{' ', current_attribute()});
}

void con_new_line() {
  ScreenBufferInfo screen = read_screen();
  if (screen.rows <= 0) return;
  if (screen.cursor_y + 1 != screen.rows) {
    con_set_cursor(1, screen.cursor_y + 2);
    return;
  }
  const bool wrap_was_pending = rt_state.console.pending_wrap != 0;
  rt_state.console.pending_wrap = 0;
  if (wrap_was_pending) con_scroll_up();
  con_scroll_up();
  con_set_cursor(1, screen.rows);
}

void con_clear_screen() {
  con_cursor_suspend();
  ScreenBufferInfo screen = read_screen();
  const long cells = static_cast<long>(screen.columns) * screen.rows;
  device().fill_characters(0, 0, cells, ' ');
  device().fill_attributes(0, 0, cells, current_attribute());
  con_set_cursor(1, 1);
  con_cursor_restore();
}

void con_set_cursor(std::int32_t column, std::int32_t row) {
  ScreenBufferInfo screen = read_screen();
  int x = screen.cursor_x;
  int y = screen.cursor_y;
  if (column >= 1 && column <= screen.columns) x = column - 1;
  if (row >= 1 && row <= screen.rows) y = row - 1;
  device().set_cursor_position(x, y);
  rt_state.console.pending_wrap = 0;
}

void con_cursor_back() {
  ScreenBufferInfo screen = read_screen();
  if (rt_state.console.pending_wrap != 0) {
    rt_state.console.pending_wrap = 0;
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
  ConsoleState& console = rt_state.console;
  if (size == 0) {
    console.cursor_visible = 0;
  } else {
    console.cursor_visible = 1;
    console.cursor_size = size < 99 ? size : 99;
  }
  int applied = console.cursor_size;
  if (applied < 1) applied = 1;
  if (applied > 99) applied = 99;
  device().set_cursor_shape(CursorShape{applied, console.cursor_visible != 0});
}

void con_cursor_suspend() {
  if (rt_state.console.cursor_visible != 0) {
    con_set_cursor_shape(0);
    rt_state.console.cursor_visible = -1;
  }
}

void con_cursor_force_show() {
  if (rt_state.console.cursor_visible == 0) {
    con_set_cursor_shape(rt_state.console.cursor_size);
    rt_state.console.cursor_visible = 0;
  }
}

void con_cursor_restore() {
  if (rt_state.console.cursor_visible == 0) {
    con_set_cursor_shape(0);
  } else {
    con_set_cursor_shape(rt_state.console.cursor_size);
    rt_state.console.cursor_visible = 1;
  }
}
