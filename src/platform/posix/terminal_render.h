// Showing the terminal console's grid on a VT terminal: each frame sends only the difference
// between what the terminal shows and what the grid holds, in VT/ANSI sequences, colour codes
// only where the colours change, the cursor placed last. Cells show as their code-page-437
// glyphs in UTF-8. The cells of the form of a character that code page 437 lacks
// (platform/text_forms.h) show that character once, followed by blanks, so that the row keeps its
// layout; a character whose width terminals disagree on shows as a replacement character. A form
// that the right edge cuts shows in the row where the character fits. The renderer writes into a
// buffer; sending it is the caller's business.
//
// The renderer runs only in the program's normal flow, never in a signal handler. What the
// signal handlers send is bytes made before: the console keeps render_end's bytes of the last
// frame ready for them (terminal_console.cpp), and they put the terminal's modes back
// (raw_mode.h).
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/posix/terminal_grid.h"

// The bytes of one frame. The room is fixed when the buffer is made and appending never
// allocates: its bytes stay where they are, so a signal handler may send a buffer that the
// normal flow filled before. What does not fit is dropped and marks the buffer as overflowed.
class ByteBuffer {
 public:
  explicit ByteBuffer(std::size_t capacity) : data_(capacity) {}
  void append(std::string_view bytes);
  void append_number(long value);  // decimal, value >= 0
  void clear() {
    size_ = 0;
    overflowed_ = false;
  }
  const char* data() const { return data_.data(); }
  std::size_t size() const { return size_; }
  std::string_view view() const { return {data_.data(), size_}; }
  bool overflowed() const { return overflowed_; }

 private:
  std::vector<char> data_;
  std::size_t size_ = 0;
  bool overflowed_ = false;
};

// SGR colour numbers for a console attribute: foreground from the low nibble (30-37, bright
// 90-97), background from the high nibble (40-47, bright 100-107), in the console's colour
// order (blue is 1, red is 4).
int sgr_foreground(std::uint16_t attribute);
int sgr_background(std::uint16_t attribute);

class TerminalRenderer {
 public:
  // For a grid of this size, shown whole until set_window says otherwise.
  TerminalRenderer(int columns, int rows);

  // The room that a frame of a grid of this size can need at most.
  static std::size_t frame_capacity(int columns, int rows);

  // The size of the terminal's window. A window smaller than the grid shows part of it, as a
  // console window smaller than its buffer does: the cursor's row and as many rows above it as
  // fit, and the columns from the left edge as many as fit (the rest is cut, never wrapped). A
  // larger window shows the whole grid at its top left. The next frame starts afresh.
  void set_window(int columns, int rows);
  // The next frame clears the terminal and draws everything afresh: the terminal was given
  // away for a while and may show anything.
  void restart();
  // Whether a frame is due though the grid has not changed: the terminal was drawn on and has
  // been restarted since.
  bool redraw_pending() const { return redraw_; }

  // Appends the bytes that bring the terminal from what it shows to what the grid holds and
  // takes the grid's changes as shown. The first frame clears the terminal's screen and draws
  // every cell in the window; later frames cost bytes in proportion to the cells that changed
  // (a row scrolled in counts as changed).
  void render(TerminalGrid& grid, ByteBuffer& out);
  // Appends the bytes that hand the terminal back after the last frame: colours reset, the
  // cursor at column 1 of the row below the last row that shows anything (the top row when
  // none does) and the rows from there down erased, so that the shell's prompt starts on a
  // fresh line in the user's colours, and the cursor shown. The screen itself is left as it
  // stands. The bytes start with an escape, which ends any sequence that a frame cut short in
  // the middle left open.
  void render_end(ByteBuffer& out) const;
  // Whether a frame has been drawn since the start or the last restart.
  bool started() const { return started_; }

 private:
  // The steps of a frame whose window's top row shows grid row `top`: the start of the first
  // frame (the terminal cleared, every row to be drawn), the rows the terminal moves as the
  // grid scrolls and the window follows the cursor, the cells that changed, the cursor.
  void start_frame(TerminalGrid& grid, int top, ByteBuffer& out);
  void follow_scrolls(TerminalGrid& grid, int top, ByteBuffer& out);
  void forget_forms_at_edges(TerminalGrid& grid);
  void draw_changed_rows(const TerminalGrid& grid, ByteBuffer& out);
  void place_cursor(const TerminalGrid& grid, ByteBuffer& out);
  // The last window row that shows anything but blanks; -1 when none does.
  int last_row_shown();
  void move_cursor(int x, int y, ByteBuffer& out);
  // Draws the cells first..last of grid row y on window row r.
  void draw_run(const TerminalGrid& grid, int y, int r, int first, int last, ByteBuffer& out);
  // Window rows from..to-1 show grid rows from top on, and what they show is not known: they
  // are drawn whole in this frame.
  void forget_rows(TerminalGrid& grid, int top, int from, int to);
  // Moves what window rows show by count rows (up when positive), as the terminal just did.
  void move_rows(int count);
  PackedCell* shown_row(int r) { return &shown_[static_cast<std::size_t>(r) * static_cast<std::size_t>(columns_)]; }

  // How a cell that belongs to a whole form looks: the character (or its stand-in) taking
  // `cells` cells from this one, a blank (cells 1), or nothing of its own (cells 0: the right
  // half of a wide character). False for a cell of no form, which shows its own glyph.
  struct FormLook {
    char32_t glyph;
    int cells;
  };
  bool form_look(const TerminalGrid& grid, int y, int x, FormLook& look) const;
  // What the window shows of the grid cell at reading position `at` (y * columns + x); null
  // when the window does not show it.
  PackedCell* shown_at(long at);
  // Takes the cells from first to last (reading positions), and every cell of a form in the
  // grid or in the window that holds one of them, as not known in the window, so that the whole
  // form is drawn again: a change to one cell of a form changes how its other cells look.
  void forget_forms(TerminalGrid& grid, long first, long last);
  // Does so for every changed cell in and around the window.
  void redraw_changed_forms(TerminalGrid& grid);

  int columns_;  // the grid's size
  int rows_;
  int window_columns_;  // the part of the grid that the window shows: at most the grid's size
  int window_rows_;
  int top_ = 0;  // the grid row on the window's top row
  std::vector<PackedCell> shown_;  // what the window shows, row by row, columns_ apart
  int cursor_x_ = -1;              // where the terminal's cursor stands; -1 when not known
  int cursor_y_ = -1;
  int colours_ = -1;  // low byte of the attribute in effect; -1 when not known
  int visible_ = -1;  // cursor shown 1, hidden 0, not known -1
  bool started_ = false;
  bool redraw_ = false;
  int last_row_ = -1;  // the last window row that shows anything
  struct Glyph {
    char bytes[4];
    std::uint8_t length;
  };
  Glyph glyphs_[256];
};
