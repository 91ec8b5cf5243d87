#include "app/split.h"

#include <string_view>

#include "app/messages.h"
#include "app/piece_copy.h"
#include "app/piece_format.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "files/channels.h"
#include "files/dir_search.h"
#include "files/transfer.h"
#include "frame/errors.h"
#include "text/size_text.h"
#include "text/text_ops.h"

namespace {

// Asks until the typed size is one the source can be cut into; a refused size only repeats the
// prompt on the next row.
std::uint64_t ask_piece_size(std::uint64_t source_length) {
  for (;;) {
    con_print(app_marked(" with a size of [bytes]:"));
    const std::uint64_t piece_size = num_size_from_text(con_input_line());
    if (app_plan_split(source_length, piece_size).fits) return piece_size;
  }
}

// Closes a piece that is full; false when the file system reports that its data did not all
// reach it.
bool close_piece(ChannelNumber piece) {
  const FailureWatch watch;
  file_close(piece);
  return !watch.failed();
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
  const FailureWatch watch;
  file_open(piece, name, REPLACED_FILE_REQUEST);
  if (!watch.failed()) file_copy_permissions(source, piece);
  return !watch.failed();
}

// Cuts the open source into pieces of the size; the progress row already shows the source.
int split_source(const TextValue& source_name, ChannelNumber source, std::uint64_t source_length,
                 std::uint64_t piece_size) {
  const SetName set = app_set_name(source_name);
  const SplitPlan plan = app_plan_split(source_length, piece_size);

  // No piece may be the source itself (its own name, or a link to it): writing that piece would
  // destroy data not yet read.
  for (std::uint64_t number = 1; number <= plan.pieces; ++number) {
    const TextValue name = app_piece_name(set.base, static_cast<std::int32_t>(number));
    if (file_names_open_file(name, source)) return stop_with(CANNOT_WRITE, name, 0, source);
  }

  std::int32_t piece_number = 1;
  TextValue piece_name = app_piece_name(set.base, piece_number);
  const ChannelNumber piece = file_free_channel();
  if (!open_piece(piece, piece_name, source)) return stop_with(CANNOT_WRITE, piece_name, piece, source);
  {
    const FailureWatch watch;
    file_write_text(piece, app_encode_header(set.extension_field, plan.piece_count));
    if (watch.failed()) return stop_with(CANNOT_WRITE, piece_name, piece, source);
  }

  // Each piece takes what fits of the rest; a full piece is closed and the next one made (and
  // shown) before it is known whether data is left, so data that ends exactly at a piece's end
  // is followed by an empty piece.
  std::uint64_t piece_fill = PIECE_HEADER_SIZE;
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
    if (!close_piece(piece)) return stop_with(CANNOT_WRITE, piece_name, 0, source);
    ++piece_number;
    txt_assign(piece_name, app_piece_name(set.base, piece_number));
    if (!open_piece(piece, piece_name, source)) return stop_with(CANNOT_WRITE, piece_name, piece, source);
    app_show_progress(piece_number, piece_name);
    piece_fill = 0;
  }
  if (!close_piece(piece)) return stop_with(CANNOT_WRITE, piece_name, 0, source);
  file_close(source);
  return 0;
}

// Opens the source, which the existence test found; false after the failure was shown.
bool open_source(const TextValue& source_name, ChannelNumber source, std::uint64_t& source_length) {
  const FailureWatch watch;
  file_open(source, source_name, EXISTING_FILE_REQUEST);
  source_length = watch.failed() ? 0 : file_size(source);
  if (!watch.failed()) return true;
  stop_with(CANNOT_READ, source_name, 0, source);
  return false;
}

}  // namespace

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
  const std::uint64_t piece_size = num_size_from_text(size_text);
  const TextValue size_words = txt_concat(txt_constant("the size "), size_text);
  if (piece_size <= PIECE_HEADER_SIZE) {
    app_report(txt_concat(size_words, txt_constant(" is too small: pieces must be larger than 18 bytes")));
    return 1;
  }
  if (!file_exists(source_name)) {
    app_end_with_message(txt_concat(txt_constant(NOT_FOUND), source_name));
    return 1;
  }
  const ChannelNumber source = file_free_channel();
  std::uint64_t source_length = 0;
  if (!open_source(source_name, source, source_length)) return 1;
  if (!app_plan_split(source_length, piece_size).fits) {
    file_close(source);
    app_report(txt_concat(txt_concat(txt_concat(size_words, txt_constant(" is too small for ")), source_name),
                          txt_constant(": the set would have more than 32767 pieces")));
    return 1;
  }
  return split_source(source_name, source, source_length, piece_size);
}
