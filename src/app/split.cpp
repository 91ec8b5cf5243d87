#include "app/split.h"

#include <cmath>

#include "app/piece_format.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "files/channels.h"
#include "files/transfer.h"
#include "frame/errors.h"
#include "text/number_format.h"
#include "text/number_parse.h"
#include "text/text_ops.h"

namespace {

void show_progress(std::int32_t piece_number, const TextValue& name) {
  con_set_cursor(1, PROGRESS_ROW);
  con_print(txt_repeat(txt_from_code(PROGRESS_MARK), static_cast<std::uint32_t>(piece_number)));
  con_print(name);
  con_new_line();
}

// Asks until the typed size is one the source can be cut into; a refused size only repeats the
// prompt on the next row.
std::uint32_t ask_piece_size(std::uint64_t source_length) {
  for (;;) {
    con_print(app_marked(" with a size of [bytes]:"));
    const std::uint32_t piece_size = app_piece_size_from_text(con_input_line());
    if (app_piece_size_fits(piece_size, source_length)) return piece_size;
  }
}

// The services record failures without stopping; the split looks after each step that can fail.
bool failed() { return (rt_current_frame().error_word & ERROR_PENDING) != 0; }

int stop_with(std::string_view message, const TextValue& name, ChannelNumber piece, ChannelNumber source) {
  file_close(piece);
  file_close(source);
  app_show_failure(message, name);
  return 1;
}

}  // namespace

std::uint32_t app_piece_size_from_text(const TextValue& line) {
  const long double value = std::nearbyint(num_from_text(line));  // halves to even
  // 2^63 is the first value outside the signed 64-bit range.
  if (!(value >= -9223372036854775808.0L && value < 9223372036854775808.0L)) return 0;
  const auto whole = static_cast<std::int64_t>(value);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole));
}

bool app_piece_size_fits(std::uint32_t piece_size, std::uint64_t source_length) {
  if (piece_size <= PIECE_HEADER_SIZE) return false;
  // The last piece number: a full piece is closed as soon as it is full and the next one made,
  // so data that ends exactly at a piece's end is followed by an empty piece.
  const std::uint64_t last_piece = (source_length + PIECE_HEADER_SIZE) / piece_size + 1;
  return last_piece <= static_cast<std::uint64_t>(PIECE_LIMIT);
}

std::int16_t app_piece_count(std::uint64_t source_length, std::uint32_t header_length, std::uint32_t piece_size) {
  const long double count = std::nearbyint(
      (static_cast<long double>(source_length) + header_length) / static_cast<long double>(piece_size));
  return static_cast<std::int16_t>(count);
}

int app_split(const TextValue& source_name) {
  TextValue file_name = txt_copy(source_name);
  TextValue extension_field;

  con_new_line();
  con_print(app_marked(" Split file into pieces"));
  con_new_line();

  // The source is opened before the size is asked for, so that the size can be checked against
  // its length; it is only ever read.
  const ChannelNumber source = file_free_channel();
  rt_clear_error();
  file_open(source, file_name, BINARY_REQUEST);
  const std::uint64_t source_length = failed() ? 0 : file_size(source);
  if (failed()) return stop_with(CANNOT_READ, source_name, 0, source);

  const std::uint32_t piece_size = ask_piece_size(source_length);
  std::int32_t piece_number = 1;
  show_progress(piece_number, file_name);

  app_split_name(file_name, extension_field);
  if (extension_field.empty()) {
    // A name without a dot splits as if it ended in one: NAME.1, NAME.2, ... and a blank field.
    txt_assign(file_name, txt_concat(file_name, txt_constant(".")));
    txt_assign(extension_field, txt_constant("   "));
  }
  const std::uint32_t header_length = APP_TITLE.size + extension_field.length + 2;
  const std::int16_t piece_count = app_piece_count(source_length, header_length, piece_size);

  TextValue piece_name = txt_concat(file_name, app_decimal(piece_number));
  const ChannelNumber piece = file_free_channel();
  rt_clear_error();
  file_open(piece, piece_name, BINARY_REQUEST);
  if (failed()) return stop_with(CANNOT_WRITE, piece_name, piece, source);
  file_write_text(piece, txt_push_fixed(APP_TITLE));
  file_write_text(piece, extension_field);
  const unsigned char count_bytes[2] = {static_cast<unsigned char>(piece_count & 0xFF),
                                        static_cast<unsigned char>((piece_count >> 8) & 0xFF)};
  file_write_at(piece, APP_TITLE.size + extension_field.length + 1, count_bytes, 2);
  if (failed()) return stop_with(CANNOT_WRITE, piece_name, piece, source);

  std::uint64_t piece_fill = file_position(piece) - 1;
  std::uint64_t source_position = 0;
  for (;;) {
    std::uint64_t block = piece_size - piece_fill;
    if (source_length - source_position < block) block = source_length - source_position;
    if (block > COPY_BLOCK_SIZE) block = COPY_BLOCK_SIZE;
    source_position += block;
    piece_fill += block;

    const TextValue data = file_read_bytes(source, static_cast<std::uint32_t>(block));
    if (failed() || data.length != block) return stop_with(CANNOT_READ, source_name, piece, source);
    file_write_text(piece, data);
    if (failed()) return stop_with(CANNOT_WRITE, piece_name, piece, source);

    if (piece_fill >= piece_size) {
      piece_fill = 0;
      // An existing file of this name may have been longer: nothing of it stays behind.
      file_set_end(piece);
      file_close(piece);
      if (failed()) return stop_with(CANNOT_WRITE, piece_name, 0, source);
      ++piece_number;
      txt_assign(piece_name, txt_concat(file_name, app_decimal(piece_number)));
      file_open(piece, piece_name, BINARY_REQUEST);
      if (failed()) return stop_with(CANNOT_WRITE, piece_name, piece, source);
      show_progress(piece_number, piece_name);
    }
    if (file_at_end(source) != 0 || block == 0) break;
  }
  file_set_end(piece);
  file_close(piece);
  if (failed()) return stop_with(CANNOT_WRITE, piece_name, 0, source);
  file_close(source);
  return 0;
}
