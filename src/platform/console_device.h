// The console as the console terminal services rely on it: a screen buffer of character cells
// with a cursor, and an input queue of key records. Positions are 0-based here; the services
// above count from 1. Each operating system provides one implementation; tests use a virtual one.
#pragma once

#include <cstddef>
#include <cstdint>

// One character cell: the byte is shown as its code-page-437 glyph, never interpreted.
struct ConsoleCell {
  std::uint8_t character = ' ';
  std::uint16_t attribute = 7;  // background * 16 + foreground
};

struct ScreenBufferInfo {
  int columns = 0;  // size of the whole buffer, not of a visible window
  int rows = 0;
  int cursor_x = 0;
  int cursor_y = 0;
};

struct CursorShape {
  int size = 0;  // height in percent of the cell, 1..100
  bool visible = false;
};

enum class InputEventKind : std::uint8_t { key, mouse, other };

// Control-key state flags of a key record that the keyboard service reads.
constexpr std::uint32_t RIGHT_ALT_PRESSED = 0x1;
constexpr std::uint32_t LEFT_ALT_PRESSED = 0x2;
constexpr std::uint32_t RIGHT_CTRL_PRESSED = 0x4;
constexpr std::uint32_t LEFT_CTRL_PRESSED = 0x8;
constexpr std::uint32_t SHIFT_PRESSED = 0x10;

// The most bytes one typed character takes in a text: code page 437 gives one, a character it
// lacks takes the bytes of its form (platform/text_forms.h).
constexpr int CHARACTER_MAX_BYTES = 4;

struct InputRecord {
  InputEventKind kind = InputEventKind::key;
  bool key_down = true;
  std::uint16_t repeat_count = 1;
  std::uint8_t character = 0;   // byte in the input code page (437), 0 when the key gives none
  std::uint16_t scan_code = 0;  // PC keyboard set-1 scan code
  std::uint32_t control_state = 0;
  // A typed character that takes more than one byte of text: `character` is its first byte
  // (a control byte, which alone would be a key such as Ctrl+A) and these are the others. Such
  // a character is text, never a key of its own.
  std::uint8_t more[CHARACTER_MAX_BYTES - 1] = {};
  std::uint8_t more_count = 0;
};

// Puts a typed character into the record as text: a control character (Enter, Backspace,
// Escape, Ctrl with a letter) stays the byte it is; any other is its code-page-437 byte or the
// bytes of its form.
void input_record_set_character(InputRecord& record, char32_t character);

// Which of the process's standard streams a call is about.
enum class StandardStream : std::uint8_t { input, output, error };

// Result of looking at the input queue.
enum class InputPeek : std::uint8_t {
  record,   // a record was copied; it is still in the queue
  empty,    // nothing is waiting now
  failed,   // the look failed (treated as an empty queue)
  no_input  // there is no console input at all, or it has hung up: nothing will ever arrive
};

class ConsoleDevice {
 public:
  virtual ~ConsoleDevice() = default;

  // --- set-up -----------------------------------------------------------------------------
  // Whether the stream is a console (on Windows: GetConsoleMode succeeds on its handle).
  virtual bool is_console(StandardStream stream) = 0;
  // Opens the console input device; false when there is none. Never fails the start.
  virtual bool open_input_device() = 0;
  // Chooses where screen output goes: standard output or standard error.
  virtual void select_output(StandardStream stream) = 0;
  // Output: processed output and wrap at the end of a line. Input: no line input, no echo,
  // no processed keys (Ctrl+C arrives as the byte 3).
  virtual void set_output_mode() = 0;
  virtual void set_raw_input_mode() = 0;
  // Cursor shape as the given stream's console reports it; false when it cannot be read.
  virtual bool get_cursor_shape(StandardStream stream, CursorShape& shape) = 0;

  // --- screen buffer (all on the selected output) ---------------------------------------
  virtual bool get_screen_info(ScreenBufferInfo& info) = 0;
  // Writes count cells into row y from column x on; the cursor does not move and no byte is
  // interpreted. The segment never runs past the row's end.
  virtual void write_cells(int x, int y, const ConsoleCell* cells, int count) = 0;
  // Moves the rectangle's contents so its top-left corner lands on (dest_x, dest_y) and fills
  // the uncovered cells of the rectangle with the fill cell. The cursor does not move.
  virtual void scroll(int left, int top, int right, int bottom, int dest_x, int dest_y,
                      ConsoleCell fill) = 0;
  // Fill count consecutive cells from (x, y), running on across row ends.
  virtual void fill_characters(int x, int y, long count, std::uint8_t character) = 0;
  virtual void fill_attributes(int x, int y, long count, std::uint16_t attribute) = 0;
  // Both at once: count cells from (x, y) become the cell.
  virtual void fill_cells(int x, int y, long count, ConsoleCell cell) {
    fill_characters(x, y, count, cell.character);
    fill_attributes(x, y, count, cell.attribute);
  }
  virtual void set_cursor_position(int x, int y) = 0;
  virtual void set_cursor_shape(CursorShape shape) = 0;

  // --- input queue ----------------------------------------------------------------------
  virtual InputPeek peek_input(InputRecord& record) = 0;
  // Removes the oldest record; called only when one is known to be waiting.
  virtual bool read_input(InputRecord& record) = 0;
  virtual void flush_input() = 0;
  // Gives up the processor for about one millisecond between looks at the queue. Also the
  // moment to bring a deferred display up to date.
  virtual void sleep_one_millisecond() = 0;

  // --- showing ----------------------------------------------------------------------------
  // A moment where the screen may be brought up to date: a new line, a step of long work.
  // urgent: the program is about to be silent for a while (a long copy), so show everything
  // now; otherwise a device may wait until its frame interval has passed. A device that shows
  // every change as it is made needs nothing here.
  virtual void present([[maybe_unused]] bool urgent) {}

  // --- text -------------------------------------------------------------------------------
  // How many bytes the last character of the text takes (a character that code page 437 lacks
  // takes several), so that the line editor erases it whole. 0 for an empty text.
  virtual std::size_t last_character_length(const std::uint8_t* text, std::size_t count) const;

  // --- end of the process -----------------------------------------------------------------
  // Brings whatever the user sees up to date and gives the terminal back as it was found.
  // Safe to call more than once.
  virtual void finish() = 0;
};
