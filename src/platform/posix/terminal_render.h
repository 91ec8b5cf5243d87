// Showing the terminal console's grid on a VT terminal: each frame sends only the difference
// between what the terminal shows and what the grid holds, in VT/ANSI sequences, colour codes
// only where the colours change, the cursor placed last. Cells show as their code-page-437
// glyphs in UTF-8. The renderer writes into a buffer; sending it is the caller's business.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "platform/posix/terminal_grid.h"

// The bytes of one frame. The room is fixed when the buffer is made and appending never
// allocates, so a frame can be made inside a signal handler. What does not fit is dropped and
// marks the buffer as overflowed.
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
  TerminalRenderer(int columns, int rows);

  // The room that a frame of a grid of this size can need at most.
  static std::size_t frame_capacity(int columns, int rows);

  // Appends the bytes that bring the terminal from what it shows to what the grid holds and
  // takes the grid's changes as shown. The first frame clears the terminal's screen and draws
  // every cell; later frames cost bytes in proportion to the cells that changed (a row
  // scrolled in counts as changed).
  void render(TerminalGrid& grid, ByteBuffer& out);
  // Appends the bytes that hand the terminal back: the cursor at the grid's cursor, colours
  // reset, the cursor shown. The screen itself is left as it stands.
  void render_end(const TerminalGrid& grid, ByteBuffer& out);
  // Whether a frame has been drawn, so that the terminal holds something of ours.
  bool started() const { return started_; }

 private:
  void move_cursor(int x, int y, ByteBuffer& out);
  void draw_run(const TerminalGrid& grid, int y, int first, int last, ByteBuffer& out);

  int columns_;
  int rows_;
  std::vector<PackedCell> shown_;  // what the terminal shows, kept at the grid's ring places
  int cursor_x_ = -1;              // where the terminal's cursor stands; -1 when not known
  int cursor_y_ = -1;
  int colours_ = -1;  // low byte of the attribute in effect; -1 when not known
  int visible_ = -1;  // cursor shown 1, hidden 0, not known -1
  bool started_ = false;
  struct Glyph {
    char bytes[4];
    std::uint8_t length;
  };
  Glyph glyphs_[256];
};
