// Screen output: text written straight into the console's cells at the cursor, in the current
// colours. Every byte becomes one cell (control bytes show as glyphs and never move the
// cursor); wrapping at the right edge, a scroll at the bottom that waits until more is written,
// new lines, clearing and cursor placement. Rows and columns count from 1 here. Nothing here
// reports a failure.
#pragma once

#include <cstdint>

#include "text/text_value.h"

// Writes the text at the cursor; the empty text writes nothing and keeps a pending wrap.
void con_print(const TextValue& text);
// The core writer: count bytes at the cursor, wrapping and scrolling as needed.
void con_write(const unsigned char* bytes, std::uint32_t count);
void con_put_char(std::uint8_t byte);
// Writes the byte count times, as con_write of so many copies would (the progress row's marks).
void con_write_repeated(std::uint8_t byte, std::uint32_t count);
// Column 1 of the next row; at the bottom the screen scrolls (twice when a wrap was pending).
// Also a moment where the console may show what has been written (once a frame interval has
// passed since it last did).
void con_new_line();
// Shows everything written so far, now: for a caller about to start long work that writes
// nothing for a while (a long copy).
void con_present();
void con_scroll_up();
// Spaces in the current attribute everywhere; cursor to row 1, column 1; visibility kept.
void con_clear_screen();
// Out-of-range columns and rows leave that coordinate as it is, each decided on its own.
void con_set_cursor(std::int32_t column, std::int32_t row);
// One cell back, across a row boundary when at column 1.
void con_cursor_back();

struct ConsolePosition {
  int column = 0;  // 0-based as the console reports it
  int row = 0;
};
ConsolePosition con_get_cursor();
ConsolePosition con_get_screen_size();  // columns, rows

// Size 0 hides the cursor; a positive size shows it, at most 99 percent high.
void con_set_cursor_shape(std::int32_t size);
void con_cursor_suspend();
void con_cursor_force_show();
void con_cursor_restore();

// Per-run state: colours 7 on 0, no pending wrap.
void con_reset();
