#include "app/split.h"

#include <string>
#include <string_view>
#include <vector>

#include "app/manifest.h"
#include "app/messages.h"
#include "app/piece_copy.h"
#include "app/piece_format.h"
#include "app/set_check.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "files/channels.h"
#include "files/checksum.h"
#include "files/dir_search.h"
#include "files/file_names.h"
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

// Why a split stops: the message, the file it names, and the system's own words for it.
struct Stop {
  std::string_view message;
  TextValue name;
  std::string reason;
};

bool stop_at(Stop& stop, std::string_view message, const TextValue& name, std::string_view reason = {}) {
  stop.message = message;
  txt_assign(stop.name, name);
  stop.reason.assign(reason);
  return false;
}

// Everything a split holds while it runs, so that every way out closes and removes alike. Piece 1
// is written under a name of the split's own and gets its name only when every other piece is
// complete and on the disk, so a split that fails or is ended never leaves a set that glues.
struct Split {
  TextValue source_name;
  ChannelNumber source = 0;
  std::uint64_t source_length = 0;
  std::uint64_t piece_size = 0;
  SplitPlan plan;
  SetName set;
  TextValue first_name;       // BASE.1
  TextValue temporary_first;  // piece 1 until the set is whole
  bool temporary_made = false;
  TextValue manifest_name;    // BASE.sha256
  bool manifest_made = false;
  ChannelNumber first = 0;    // piece 1, open until it gets its name
  ChannelNumber piece = 0;    // the piece being written, from 2 on
  std::int32_t made = 1;      // pieces 2..made were made by this run
  // The manifest's lines as they are made: the whole file's, then each piece's.
  TextValue whole_name;       // the source's own name, no folder
  Checksum whole;
  Checksum current;           // of the piece being written
  std::vector<TextValue> piece_checksums;
};

// The name of piece 1 while the split writes the set: the program's own.
TextValue temporary_first_name(const TextValue& first_name) {
  return txt_concat(first_name, txt_constant(".tranchor-part"));
}

// No piece may be the source itself (its own name, or a link to it): writing that piece would
// destroy data not yet read.
bool none_is_the_source(const Split& split, Stop& stop) {
  for (std::uint64_t number = 1; number <= split.plan.pieces; ++number) {
    const TextValue name = app_piece_name(split.set.base, static_cast<std::int32_t>(number));
    if (file_names_open_file(name, split.source)) return stop_at(stop, CANNOT_WRITE, name);
  }
  if (file_names_open_file(split.temporary_first, split.source)) return stop_at(stop, CANNOT_WRITE, split.first_name);
  return true;
}

// Opens a piece to write: the file of exactly that name, with the source's permission bits
// before any data is in it.
bool open_piece(ChannelNumber piece, const TextValue& name, const OpenRequest& request, ChannelNumber source,
                std::string& reason) {
  const FailureWatch watch;
  file_open(piece, name, request);
  if (!watch.failed()) file_copy_permissions(source, piece);
  reason.assign(watch.reason());
  return !watch.failed();
}

// Closes a written piece; false when the file system reports that its data did not all reach it.
bool close_written(ChannelNumber& channel, std::string& reason) {
  const FailureWatch watch;
  file_close(channel);
  channel = 0;
  reason.assign(watch.reason());
  return !watch.failed();
}

// Copies the next count bytes of the source into the piece; every byte is seen by the whole
// file's checksum and the piece's.
bool copy_into(Split& split, ChannelNumber piece, std::uint64_t count, const TextValue& piece_name, Stop& stop) {
  CopyWatch watch;
  watch.needs_bytes = true;
  watch.saw = [&split](const unsigned char* bytes, std::uint32_t length) {
    file_checksum_add(split.whole, bytes, length);
    file_checksum_add(split.current, bytes, length);
  };
  const CopyResult copy = app_copy_bytes(split.source, piece, count, CopyRest::any, &watch);
  if (copy.outcome == CopyOutcome::read_failed) return stop_at(stop, CANNOT_READ, split.source_name, copy.reason);
  if (copy.outcome == CopyOutcome::write_failed) return stop_at(stop, CANNOT_WRITE, piece_name, copy.reason);
  return true;
}

// Piece 1 under the split's own name: the header, then the first of the data. A temporary file
// that an earlier split of this set left when it was killed goes first (one that a running
// program holds stays, and this split then stops).
bool write_first_piece(Split& split, Stop& stop) {
  file_remove_stale(split.temporary_first);
  split.first = file_free_channel();
  std::string reason;
  if (!open_piece(split.first, split.temporary_first, TEMPORARY_FILE_REQUEST, split.source, reason)) {
    split.first = 0;
    return stop_at(stop, CANNOT_WRITE, split.first_name, reason);
  }
  split.temporary_made = true;
  const FailureWatch watch;
  const TextValue header = app_encode_header(split.set.extension_field, split.plan.piece_count);
  file_write_text(split.first, header);
  if (watch.failed()) return stop_at(stop, CANNOT_WRITE, split.first_name, watch.reason());
  file_checksum_add(split.current, header.data(), header.length);
  const std::uint64_t room = split.piece_size - PIECE_HEADER_SIZE;
  if (!copy_into(split, split.first, split.source_length < room ? split.source_length : room, split.first_name, stop)) {
    return false;
  }
  split.piece_checksums.push_back(file_checksum_hex(split.current));
  return true;
}

// An earlier set's piece 1 and manifest go before any other piece is written, so that they can
// never head a mixture of old and new pieces.
bool remove_earlier_set_heads(const Split& split, Stop& stop) {
  for (const TextValue* name : {&split.first_name, &split.manifest_name}) {
    const FailureWatch watch;
    file_remove(*name);
    if (watch.failed() && watch.number() != ERR_FILE_NOT_FOUND) return stop_at(stop, CANNOT_WRITE, *name, watch.reason());
  }
  return true;
}

// Pieces 2 and on, each shown on the progress row when it is made. Each takes what fits of the
// rest; a full piece is closed and the next one made before it is known whether data is left, so
// data that ends exactly at a piece's end is followed by an empty piece.
bool write_other_pieces(Split& split, Stop& stop) {
  const std::uint64_t first_data = split.piece_size - PIECE_HEADER_SIZE;
  std::uint64_t left = split.source_length > first_data ? split.source_length - first_data : 0;
  for (std::int32_t number = 2; number <= static_cast<std::int32_t>(split.plan.pieces); ++number) {
    const TextValue name = app_piece_name(split.set.base, number);
    split.piece = file_free_channel();
    std::string reason;
    if (!open_piece(split.piece, name, OUTPUT_FILE_REQUEST, split.source, reason)) {
      split.piece = 0;
      return stop_at(stop, CANNOT_WRITE, name, reason);
    }
    split.made = number;
    app_show_progress(number, name);
    const std::uint64_t count = left < split.piece_size ? left : split.piece_size;
    if (!copy_into(split, split.piece, count, name, stop)) return false;
    left -= count;
    if (!close_written(split.piece, reason)) return stop_at(stop, CANNOT_WRITE, name, reason);
    split.piece_checksums.push_back(file_checksum_hex(split.current));
  }
  return true;
}

// The manifest beside the pieces, once every piece is complete: the whole file under its own
// name, then each piece.
bool write_manifest(Split& split, Stop& stop) {
  TextValue lines = app_manifest_line(file_checksum_hex(split.whole), split.whole_name);
  const TextValue own_base = txt_mid(split.set.base, static_cast<std::int32_t>(file_name_start(split.set.base)),
                                     split.set.base.length);
  for (std::size_t at = 0; at < split.piece_checksums.size(); ++at) {
    txt_assign(lines, txt_concat(lines, app_manifest_line(split.piece_checksums[at],
                                                          app_piece_name(own_base, static_cast<std::int32_t>(at + 1)))));
  }
  ChannelNumber manifest = file_free_channel();
  std::string reason;
  if (!open_piece(manifest, split.manifest_name, OUTPUT_FILE_REQUEST, split.source, reason)) {
    return stop_at(stop, CANNOT_WRITE, split.manifest_name, reason);
  }
  split.manifest_made = true;
  const FailureWatch watch;
  file_write_text(manifest, lines);
  reason.assign(watch.reason());
  if (watch.failed() || !close_written(manifest, reason)) {
    file_close(manifest);
    return stop_at(stop, CANNOT_WRITE, split.manifest_name, reason);
  }
  return true;
}

// A split never destroys another file's set or a file of the user's own: before anything is
// written, a manifest's name that holds something else, and a piece 1 of another file's set, are
// refused. Splitting the same file again replaces its own set.
bool no_foreign_set_is_there(const Split& split, Stop& stop) {
  Manifest manifest;
  const bool manifest_there = file_exists_as_made(split.manifest_name);
  const bool has_manifest = manifest_there && app_read_set_manifest(split.set.base, manifest);
  if (manifest_there && !has_manifest) {
    return stop_at(stop, CANNOT_WRITE, split.manifest_name, "it is no manifest of this set");
  }
  if (!file_exists_as_made(split.first_name)) return true;
  const FailureWatch ignored;
  const ChannelNumber channel = file_free_channel();
  file_open(channel, split.first_name, READ_FILE_REQUEST);
  const TextValue start = file_read_bytes(channel, PIECE_HEADER_SIZE);
  file_close(channel);
  PieceHeader header;
  if (!app_decode_header(start, header)) return true;  // not a piece: replaced as ever
  TextValue other;
  if (has_manifest) {
    if (!txt_equal(manifest.whole.name, split.whole_name)) txt_assign(other, manifest.whole.name);
  } else if (!txt_equal(header.extension_field, split.set.extension_field)) {
    const TextValue own_base = txt_mid(split.set.base, static_cast<std::int32_t>(file_name_start(split.set.base)),
                                       split.set.base.length);
    txt_assign(other, app_output_name(own_base, txt_lower(header.extension_field)));
  }
  if (other.empty()) return true;
  const std::string reason = "the pieces of " + std::string(txt_view(other)) + " are there";
  return stop_at(stop, CANNOT_WRITE, split.first_name, reason);
}

// Every piece is complete: all of them onto the disk, then piece 1 under its name, then the name
// onto the disk.
bool give_piece_one_its_name(Split& split, Stop& stop) {
  std::string reason;
  const FailureWatch watch;
  file_flush_written();
  if (watch.failed()) return stop_at(stop, CANNOT_WRITE, split.first_name, watch.reason());
  if (!close_written(split.first, reason)) return stop_at(stop, CANNOT_WRITE, split.first_name, reason);
  file_rename(split.temporary_first, split.first_name);
  if (watch.failed()) return stop_at(stop, CANNOT_WRITE, split.first_name, watch.reason());
  split.temporary_made = false;
  file_flush_directory(split.first_name);
  if (watch.failed()) return stop_at(stop, CANNOT_WRITE, split.first_name, watch.reason());
  file_keep_outputs();
  return true;
}

// A split that failed removes what it made: its piece 1 and the pieces of this run. What it left
// of an earlier set has no piece 1 and cannot glue.
void remove_what_was_made(Split& split) {
  file_close(split.first);
  file_close(split.piece);
  if (split.temporary_made) file_remove(split.temporary_first);
  if (split.manifest_made) file_remove(split.manifest_name);
  for (std::int32_t number = split.made; number >= 2; --number) file_remove(app_piece_name(split.set.base, number));
}

// Cuts the open source into pieces; the progress row already shows the source.
int split_source(Split& split) {
  split.plan = app_plan_split(split.source_length, split.piece_size);
  split.set = app_set_name(split.source_name);
  txt_assign(split.first_name, app_piece_name(split.set.base, 1));
  txt_assign(split.temporary_first, temporary_first_name(split.first_name));
  txt_assign(split.manifest_name, app_manifest_name(split.set.base));
  txt_assign(split.whole_name, txt_mid(split.source_name, static_cast<std::int32_t>(file_name_start(split.source_name)),
                                       split.source_name.length));
  split.whole = file_checksum_start();
  split.current = file_checksum_start();
  Stop stop;
  bool done = none_is_the_source(split, stop) && no_foreign_set_is_there(split, stop);
  if (done) {
    done = write_first_piece(split, stop) && remove_earlier_set_heads(split, stop) &&
           write_other_pieces(split, stop) && write_manifest(split, stop) && give_piece_one_its_name(split, stop);
    if (!done) remove_what_was_made(split);
  }
  file_close(split.source);
  if (done) return 0;
  app_show_failure(stop.message, stop.name, stop.reason);
  return 1;
}

// Opens the source, which the existence test found: read-only, and only while it is a plain
// file. False after the failure was shown.
bool open_source(Split& split) {
  const FailureWatch watch;
  split.source = file_free_channel();
  file_open(split.source, split.source_name, READ_FILE_REQUEST);
  if (!watch.failed()) split.source_length = file_size(split.source);
  if (!watch.failed()) return true;
  const std::string reason(watch.reason());
  file_close(split.source);
  app_show_failure(CANNOT_READ, split.source_name, reason);
  return false;
}

}  // namespace

int app_split(const TextValue& source_name) {
  con_new_line();
  con_print(app_marked(" Split file into pieces"));
  con_new_line();

  // The source is opened before the size is asked for, so that the size can be checked against
  // its length; it is only ever read.
  Split split;
  txt_assign(split.source_name, source_name);
  if (!open_source(split)) return 1;
  split.piece_size = ask_piece_size(split.source_length);
  app_show_progress(1, source_name);
  return split_source(split);
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
  Split split;
  txt_assign(split.source_name, source_name);
  split.piece_size = piece_size;
  if (!open_source(split)) return 1;
  if (!app_plan_split(split.source_length, piece_size).fits) {
    file_close(split.source);
    app_report(txt_concat(txt_concat(txt_concat(size_words, txt_constant(" is too small for ")), source_name),
                          txt_constant(": the set would have more than 32767 pieces")));
    return 1;
  }
  return split_source(split);
}
