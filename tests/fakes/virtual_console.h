// A console for tests: a grid of cells of any size, read back row by row, with a scripted
// queue of input records and a cursor shape.
#pragma once

#include <deque>
#include <source_location>
#include <string>
#include <vector>

#include "platform/console_device.h"

class VirtualConsole : public ConsoleDevice {
 public:
  VirtualConsole(int columns = 80, int rows = 25);

  // --- what a test looks at -----------------------------------------------------------------
  // The bytes of a row (1-based), trailing blanks removed; row_cells keeps them.
  std::string row(int row) const;
  std::string row_cells(int row) const;
  ConsoleCell cell(int column, int row) const;  // 1-based
  // Every row joined with newlines, trailing empty rows dropped: handy in failure messages.
  std::string screen() const;
  int cursor_column() const { return cursor_x_ + 1; }  // 1-based
  int cursor_row() const { return cursor_y_ + 1; }
  int rows() const { return rows_; }
  CursorShape cursor_shape() const { return shape_; }
  int scroll_count() const { return scrolls_; }
  int sleep_count() const { return sleeps_; }
  // How many times the program gave a moment to show the screen, urgent or not.
  int present_count(bool urgent) const { return urgent ? urgent_presents_ : presents_; }
  std::size_t pending_input() const { return input_.size(); }

  // --- what a test sets ---------------------------------------------------------------------
  void queue(const InputRecord& record) { input_.push_back(record); }
  // Key-down records for every byte of the text, each with the scan code of its key; the whole
  // form of a character that code page 437 lacks is one key of that character.
  void type(const std::string& bytes);
  // Keys the user types once the program has thrown pending keys away (after the next flush).
  void type_after_flush(const std::string& bytes) { after_flush_ += bytes; }
  void press_key(std::uint8_t character, std::uint16_t scan_code, std::uint32_t control_state = 0);
  void release_key(std::uint8_t character, std::uint16_t scan_code);
  // When the queue runs dry, report that no console input exists (instead of an empty queue).
  void set_no_input_when_empty(bool value) { no_input_when_empty_ = value; }
  void set_input_fails(bool value) { input_fails_ = value; }
  // Gives keys to the program only after it has slept this many times: a key typed later.
  void hold_input_until_sleeps(int sleeps) { hold_until_sleeps_ = sleeps; }
  void set_console_streams(bool input, bool output, bool error) {
    input_console_ = input;
    output_console_ = output;
    error_console_ = error;
  }
  void set_reported_cursor(CursorShape output, CursorShape error) {
    output_shape_ = output;
    error_shape_ = error;
  }
  void set_cursor(int column, int row) { cursor_x_ = column - 1; cursor_y_ = row - 1; }
  StandardStream selected_output() const { return selected_; }
  bool finished() const { return finished_; }
  bool raw_input_mode() const { return raw_input_; }

  // --- ConsoleDevice --------------------------------------------------------------------------
  bool is_console(StandardStream stream) override;
  bool open_input_device() override { return true; }
  void select_output(StandardStream stream) override { selected_ = stream; }
  void set_output_mode() override {}
  void set_raw_input_mode() override { raw_input_ = true; }
  bool get_cursor_shape(StandardStream stream, CursorShape& shape) override;
  bool get_screen_info(ScreenBufferInfo& info) override;
  void write_cells(int x, int y, const ConsoleCell* cells, int count) override;
  void scroll(int left, int top, int right, int bottom, int dest_x, int dest_y, ConsoleCell fill) override;
  void fill_characters(int x, int y, long count, std::uint8_t character) override;
  void fill_attributes(int x, int y, long count, std::uint16_t attribute) override;
  void set_cursor_position(int x, int y) override;
  void set_cursor_shape(CursorShape shape) override { shape_ = shape; }
  InputPeek peek_input(InputRecord& record) override;
  bool read_input(InputRecord& record) override;
  void flush_input() override;
  void sleep_one_millisecond() override { ++sleeps_; }
  void present(bool urgent) override { ++(urgent ? urgent_presents_ : presents_); }
  void finish() override { finished_ = true; }

 private:
  bool output_visible() const;
  int columns_;
  int rows_;
  std::vector<ConsoleCell> cells_;
  int cursor_x_ = 0;
  int cursor_y_ = 0;
  CursorShape shape_{25, true};
  CursorShape output_shape_{25, true};
  CursorShape error_shape_{25, true};
  std::deque<InputRecord> input_;
  std::string after_flush_;
  bool no_input_when_empty_ = false;
  bool input_fails_ = false;
  int hold_until_sleeps_ = 0;
  int scrolls_ = 0;
  int sleeps_ = 0;
  int presents_ = 0;
  int urgent_presents_ = 0;
  bool input_console_ = true;
  bool output_console_ = true;
  bool error_console_ = true;
  StandardStream selected_ = StandardStream::output;
  bool finished_ = false;
  bool raw_input_ = false;
};

// A row that a test expects on the screen: its number (1-based) and its text, trailing blanks cut.
struct ScreenRow {
  int row;
  std::string text;
};
// The rows given show their texts. Otherwise one failure, at the caller's line, names every row
// that differs and shows the whole screen.
void expect_screen(const VirtualConsole& console, const std::vector<ScreenRow>& rows,
                   std::source_location where = std::source_location::current());
// The whole screen: the texts from row first_row on, and every other row empty.
void expect_whole_screen(const VirtualConsole& console, const std::vector<std::string>& rows,
                         int first_row = 1, std::source_location where = std::source_location::current());

// The set-1 scan code of the key that types the ASCII byte on a US keyboard (0 when none).
std::uint16_t scan_code_for(std::uint8_t character);
