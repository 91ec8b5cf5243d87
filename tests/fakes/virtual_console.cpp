#include "fakes/virtual_console.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "platform/text_forms.h"

VirtualConsole::VirtualConsole(int columns, int rows)
    : columns_(columns), rows_(rows), cells_(static_cast<std::size_t>(columns * rows)) {}

std::string VirtualConsole::row_cells(int row) const {
  std::string text;
  for (int x = 0; x < columns_; ++x) {
    text += static_cast<char>(cells_[static_cast<std::size_t>((row - 1) * columns_ + x)].character);
  }
  return text;
}

std::string VirtualConsole::row(int row) const {
  std::string text = row_cells(row);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

ConsoleCell VirtualConsole::cell(int column, int row) const {
  return cells_[static_cast<std::size_t>((row - 1) * columns_ + column - 1)];
}

std::string VirtualConsole::screen() const {
  std::vector<std::string> lines;
  for (int y = 1; y <= rows_; ++y) lines.push_back(row(y));
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    text += std::to_string(i + 1) + ": " + lines[i] + "\n";
  }
  return text;
}

bool VirtualConsole::is_console(StandardStream stream) {
  switch (stream) {
    case StandardStream::input: return input_console_;
    case StandardStream::output: return output_console_;
    case StandardStream::error: return error_console_;
  }
  return false;
}

bool VirtualConsole::output_visible() const {
  return selected_ == StandardStream::output ? output_console_ : error_console_;
}

bool VirtualConsole::get_cursor_shape(StandardStream stream, CursorShape& shape) {
  if (!is_console(stream)) return false;
  shape = stream == StandardStream::error ? error_shape_ : output_shape_;
  return true;
}

bool VirtualConsole::get_screen_info(ScreenBufferInfo& info) {
  if (!output_visible()) return false;
  info.columns = columns_;
  info.rows = rows_;
  info.cursor_x = cursor_x_;
  info.cursor_y = cursor_y_;
  return true;
}

void VirtualConsole::write_cells(int x, int y, const ConsoleCell* cells, int count) {
  if (!output_visible() || y < 0 || y >= rows_) return;
  for (int i = 0; i < count && x + i < columns_; ++i) {
    cells_[static_cast<std::size_t>(y * columns_ + x + i)] = cells[i];
  }
}

void VirtualConsole::scroll(int left, int top, int right, int bottom, int dest_x, int dest_y,
                            ConsoleCell fill) {
  if (!output_visible()) return;
  ++scrolls_;
  const bool whole_width = left == 0 && right == columns_ - 1 && dest_x == 0 && bottom == rows_ - 1;
  int rows_up = 0;
  if (whole_width && top == 1 && dest_y == 0) rows_up = 1;
  if (whole_width && top == 0 && dest_y < 0 && -dest_y < rows_) rows_up = -dest_y;
  if (rows_up > 0) {
    // The whole screen up by some rows: the common case, done without a copy of the grid.
    const auto shift = static_cast<std::ptrdiff_t>(rows_up) * columns_;
    std::copy(cells_.begin() + shift, cells_.end(), cells_.begin());
    std::fill(cells_.end() - shift, cells_.end(), fill);
    return;
  }
  std::vector<ConsoleCell> before = cells_;
  // Uncovered cells of the source rectangle get the fill; then the moved block is placed.
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) cells_[static_cast<std::size_t>(y * columns_ + x)] = fill;
  }
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      const int to_x = dest_x + (x - left);
      const int to_y = dest_y + (y - top);
      if (to_x < 0 || to_x >= columns_ || to_y < 0 || to_y >= rows_) continue;
      cells_[static_cast<std::size_t>(to_y * columns_ + to_x)] = before[static_cast<std::size_t>(y * columns_ + x)];
    }
  }
}

void VirtualConsole::fill_characters(int x, int y, long count, std::uint8_t character) {
  if (!output_visible()) return;
  for (long at = static_cast<long>(y) * columns_ + x; count > 0 && at < static_cast<long>(cells_.size()); ++at, --count) {
    cells_[static_cast<std::size_t>(at)].character = character;
  }
}

void VirtualConsole::fill_attributes(int x, int y, long count, std::uint16_t attribute) {
  if (!output_visible()) return;
  for (long at = static_cast<long>(y) * columns_ + x; count > 0 && at < static_cast<long>(cells_.size()); ++at, --count) {
    cells_[static_cast<std::size_t>(at)].attribute = attribute;
  }
}

void VirtualConsole::set_cursor_position(int x, int y) {
  if (!output_visible()) return;
  cursor_x_ = x;
  cursor_y_ = y;
}

InputPeek VirtualConsole::peek_input(InputRecord& record) {
  if (input_fails_) return InputPeek::failed;
  if (sleeps_ < hold_until_sleeps_) return InputPeek::empty;
  if (input_.empty()) return no_input_when_empty_ ? InputPeek::no_input : InputPeek::empty;
  record = input_.front();
  return InputPeek::record;
}

bool VirtualConsole::read_input(InputRecord& record) {
  if (input_.empty()) return false;
  record = input_.front();
  input_.pop_front();
  return true;
}

void VirtualConsole::flush_input() {
  input_.clear();
  const std::string later = after_flush_;
  after_flush_.clear();
  type(later);
}

void VirtualConsole::press_key(std::uint8_t character, std::uint16_t scan_code, std::uint32_t control_state) {
  InputRecord record;
  record.kind = InputEventKind::key;
  record.key_down = true;
  record.character = character;
  record.scan_code = scan_code;
  record.control_state = control_state;
  input_.push_back(record);
}

void VirtualConsole::release_key(std::uint8_t character, std::uint16_t scan_code) {
  InputRecord record;
  record.kind = InputEventKind::key;
  record.key_down = false;
  record.character = character;
  record.scan_code = scan_code;
  input_.push_back(record);
}

void VirtualConsole::type(const std::string& bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = text_character_length(std::string_view(bytes).substr(at));
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (length > 1) {
      // A character that code page 437 lacks: one key whose character is its form.
      InputRecord record;
      record.character = byte;
      record.more_count = static_cast<std::uint8_t>(length - 1);
      for (std::size_t i = 1; i < length; ++i) record.more[i - 1] = static_cast<std::uint8_t>(bytes[at + i]);
      input_.push_back(record);
    } else {
      press_key(byte, scan_code_for(byte));
      release_key(byte, scan_code_for(byte));
    }
    at += length;
  }
}

std::uint16_t scan_code_for(std::uint8_t character) {
  static const char* const rows[] = {"1234567890-=", "qwertyuiop[]", "asdfghjkl;'`", "\\zxcvbnm,./"};
  static const std::uint16_t starts[] = {0x02, 0x10, 0x1E, 0x2B};
  if (character == 27) return 0x01;
  if (character == 8) return 0x0E;
  if (character == 9) return 0x0F;
  if (character == 13) return 0x1C;
  if (character == ' ') return 0x39;
  const char lower = static_cast<char>(std::tolower(character));
  for (int r = 0; r < 4; ++r) {
    for (int i = 0; rows[r][i] != 0; ++i) {
      if (rows[r][i] == lower) return static_cast<std::uint16_t>(starts[r] + i);
    }
  }
  if (character >= 1 && character <= 26) return scan_code_for(static_cast<std::uint8_t>('a' + character - 1));
  return 0;
}

void expect_screen(const VirtualConsole& console, const std::vector<ScreenRow>& rows,
                   std::source_location where) {
  std::string differences;
  for (const ScreenRow& want : rows) {
    const std::string got = console.row(want.row);
    if (got == want.text) continue;
    differences += "row " + std::to_string(want.row) + ": \"" + got + "\", not \"" + want.text + "\"\n";
  }
  if (differences.empty()) return;
  ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line()))
      << "the screen differs\n" << differences << "--- the screen ---\n" << console.screen();
}

void expect_whole_screen(const VirtualConsole& console, const std::vector<std::string>& rows, int first_row,
                         std::source_location where) {
  std::vector<ScreenRow> screen;
  for (int row = 1; row <= console.rows(); ++row) {
    const int index = row - first_row;
    const bool given = index >= 0 && index < static_cast<int>(rows.size());
    screen.push_back({row, given ? rows[static_cast<std::size_t>(index)] : ""});
  }
  expect_screen(console, screen, where);
}
