#include "app/split.h"

#include <cmath>
#include <string>
#include <string_view>

#include "app/piece_copy.h"
#include "app/piece_format.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "files/channels.h"
#include "files/dir_search.h"
#include "files/transfer.h"
#include "frame/errors.h"
#include "text/number_format.h"
#include "text/number_parse.h"
#include "text/text_ops.h"

namespace {

// Asks until the typed size is one the source can be cut into; a refused size only repeats the
// prompt on the next row.
std::uint64_t ask_piece_size(std::uint64_t source_length) {
  for (;;) {
    con_print(app_marked(" with a size of [bytes]:"));
    const std::uint64_t piece_size = app_piece_size_from_text(con_input_line());
    if (app_piece_size_fits(piece_size, source_length)) return piece_size;
  }
}

int stop_with(std::string_view message, const TextValue& name, ChannelNumber piece, ChannelNumber source) {
  file_close(piece);
  file_close(source);
  app_show_failure(message, name);
  return 1;
}

// Opens piece 1 or a later piece: the file of exactly that name, emptied, with the source's
// permission bits before any data is in it.
bool open_piece(ChannelNumber piece, const TextValue& name, ChannelNumber source) {
  rt_clear_error();
  file_open(piece, name, REPLACED_FILE_REQUEST);
  if (!app_failed()) file_copy_permissions(source, piece);
  return !app_failed();
}

// The multiplier of a unit word, in any case; 0 for a word that is no unit.
std::uint64_t unit_multiplier(std::string_view word) {
  std::string upper(word);
  for (char& letter : upper) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  }
  constexpr std::string_view PREFIXES = "KMGT";
  if (upper.empty() || upper.size() > 3) return 0;
  const std::size_t power = PREFIXES.find(upper[0]);
  if (power == std::string_view::npos) return 0;
  const std::string_view suffix = std::string_view(upper).substr(1);
  const std::uint64_t base = suffix == "" || suffix == "IB" ? 1024 : (suffix == "B" ? 1000 : 0);
  std::uint64_t multiplier = 1;
  for (std::size_t i = 0; i <= power; ++i) multiplier *= base;
  return multiplier;
}

bool is_blank(unsigned char byte) { return byte == ' ' || byte == '\t'; }

// The unit after the number that ends at end: 1 when there is none.
std::uint64_t unit_after(std::string_view text, std::size_t end) {
  while (end < text.size() && is_blank(static_cast<unsigned char>(text[end]))) ++end;
  std::size_t word_end = end;
  while (word_end < text.size() && !is_blank(static_cast<unsigned char>(text[word_end]))) ++word_end;
  const std::uint64_t multiplier = unit_multiplier(text.substr(end, word_end - end));
  return multiplier == 0 ? 1 : multiplier;
}

// Cuts the open source into pieces of the size; the progress row already shows the source.
int split_source(const TextValue& source_name, ChannelNumber source, std::uint64_t source_length,
                 std::uint64_t piece_size) {
  TextValue file_name = txt_copy(source_name);
  TextValue extension_field;
  app_split_name(file_name, extension_field);
  if (extension_field.empty()) {
    // A name without a dot splits as if it ended in one: NAME.1, NAME.2, ... and a blank field.
    txt_assign(file_name, txt_concat(file_name, txt_constant(".")));
    txt_assign(extension_field, txt_constant("   "));
  }
  const std::uint32_t header_length = APP_TITLE.size + extension_field.length + 2;
  const std::int16_t piece_count = app_piece_count(source_length, header_length, piece_size);

  // Every piece but the last is full, and a full piece is always followed by one more, so the
  // set's size is known now. No piece may be the source itself (its own name, or a link to it):
  // writing that piece would destroy data not yet read.
  const std::uint64_t last_piece = (source_length + header_length) / piece_size + 1;
  for (std::uint64_t number = 1; number <= last_piece; ++number) {
    const TextValue name = txt_concat(file_name, app_decimal(static_cast<std::int32_t>(number)));
    if (file_names_open_file(name, source)) return stop_with(CANNOT_WRITE, name, 0, source);
  }

  std::int32_t piece_number = 1;
  TextValue piece_name = txt_concat(file_name, app_decimal(piece_number));
  const ChannelNumber piece = file_free_channel();
  if (!open_piece(piece, piece_name, source)) return stop_with(CANNOT_WRITE, piece_name, piece, source);
  file_write_text(piece, txt_push_fixed(APP_TITLE));
  file_write_text(piece, extension_field);
  const unsigned char count_bytes[2] = {static_cast<unsigned char>(piece_count & 0xFF),
                                        static_cast<unsigned char>((piece_count >> 8) & 0xFF)};
  file_write_at(piece, APP_TITLE.size + extension_field.length + 1, count_bytes, 2);
  if (app_failed()) return stop_with(CANNOT_WRITE, piece_name, piece, source);

  // Each piece takes what fits of the rest; a full piece is closed and the next one made (and
  // shown) before it is known whether data is left, so data that ends exactly at a piece's end
  // is followed by an empty piece.
  std::uint64_t piece_fill = header_length;
  std::uint64_t source_left = source_length;
  for (;;) {
    const std::uint64_t room = piece_size - piece_fill;
    const std::uint64_t count = source_left < room ? source_left : room;
    switch (app_copy_bytes(source, piece, count)) {
      case CopyOutcome::read_failed: return stop_with(CANNOT_READ, source_name, piece, source);
      case CopyOutcome::write_failed: return stop_with(CANNOT_WRITE, piece_name, piece, source);
      case CopyOutcome::done: break;
    }
    source_left -= count;
    if (count < room) break;
    file_close(piece);
    if (app_failed()) return stop_with(CANNOT_WRITE, piece_name, 0, source);
    ++piece_number;
    txt_assign(piece_name, txt_concat(file_name, app_decimal(piece_number)));
    if (!open_piece(piece, piece_name, source)) return stop_with(CANNOT_WRITE, piece_name, piece, source);
    app_show_progress(piece_number, piece_name);
    piece_fill = 0;
  }
  file_close(piece);
  if (app_failed()) return stop_with(CANNOT_WRITE, piece_name, 0, source);
  file_close(source);
  return 0;
}

// Opens the source, which the existence test found; false after the failure was shown.
bool open_source(const TextValue& source_name, ChannelNumber source, std::uint64_t& source_length) {
  rt_clear_error();
  file_open(source, source_name, EXISTING_FILE_REQUEST);
  source_length = app_failed() ? 0 : file_size(source);
  if (!app_failed()) return true;
  stop_with(CANNOT_READ, source_name, 0, source);
  return false;
}

}  // namespace

std::uint64_t app_piece_size_from_text(const TextValue& line) {
  std::uint32_t end = 0;
  const long double number = num_from_text(line, end);
  const long double value = std::nearbyint(number * static_cast<long double>(unit_after(txt_view(line), end)));
  // 2^63 is the first value outside the signed 64-bit range.
  if (!(value > 0.0L && value < 9223372036854775808.0L)) return 0;
  return static_cast<std::uint64_t>(value);
}

bool app_piece_size_fits(std::uint64_t piece_size, std::uint64_t source_length) {
  if (piece_size <= PIECE_HEADER_SIZE) return false;
  // The last piece number: a full piece is closed as soon as it is full and the next one made,
  // so data that ends exactly at a piece's end is followed by an empty piece.
  const std::uint64_t last_piece = (source_length + PIECE_HEADER_SIZE) / piece_size + 1;
  return last_piece <= static_cast<std::uint64_t>(PIECE_LIMIT);
}

std::int16_t app_piece_count(std::uint64_t source_length, std::uint32_t header_length, std::uint64_t piece_size) {
  const long double count = std::nearbyint(
      (static_cast<long double>(source_length) + header_length) / static_cast<long double>(piece_size));
  return static_cast<std::int16_t>(count);
}

int app_split(const TextValue& source_name) {
  con_new_line();
  con_print(app_marked(" Split file into pieces"));
  con_new_line();

  // The source is opened before the size is asked for, so that the size can be checked against
  // its length; it is only ever read.
  const ChannelNumber source = file_free_channel();
  std::uint64_t source_length = 0;
  if (!open_source(source_name, source, source_length)) return 1;
  const std::uint64_t piece_size = ask_piece_size(source_length);
  app_show_progress(1, source_name);
  return split_source(source_name, source, source_length, piece_size);
}

int app_split_scripted(const TextValue& size_text, const TextValue& source_name) {
  const std::uint64_t piece_size = app_piece_size_from_text(size_text);
  const TextValue size_words = txt_concat(txt_constant("the size "), size_text);
  if (piece_size <= PIECE_HEADER_SIZE) {
    app_report(txt_concat(size_words, txt_constant(" is too small: pieces must be larger than 18 bytes")));
    return 1;
  }
  if (dir_search(source_name, 0).empty()) {
    app_end_with_message(txt_concat(txt_constant(NOT_FOUND), source_name));
    return 1;
  }
  const ChannelNumber source = file_free_channel();
  std::uint64_t source_length = 0;
  if (!open_source(source_name, source, source_length)) return 1;
  if (!app_piece_size_fits(piece_size, source_length)) {
    file_close(source);
    app_report(txt_concat(txt_concat(txt_concat(size_words, txt_constant(" is too small for ")), source_name),
                          txt_constant(": the set would have more than 32767 pieces")));
    return 1;
  }
  return split_source(source_name, source, source_length, piece_size);
}
