#include "app/join.h"

#include <vector>

#include "app/messages.h"
#include "app/piece_copy.h"
#include "app/piece_format.h"
#include "console/screen.h"
#include "files/channels.h"
#include "files/dir_search.h"
#include "files/file_names.h"
#include "files/transfer.h"
#include "frame/errors.h"
#include "text/text_ops.h"

namespace {

// The largest number of names tried for the file the glue builds, when earlier ones are taken.
constexpr int TEMPORARY_NAME_TRIES = 100;

// What piece 1 says about its set.
struct FirstPiece {
  std::uint64_t length = 0;          // the whole piece, header included
  std::uint32_t header_length = 0;   // PIECE_HEADER_SIZE, or OLD_PIECE_HEADER_SIZE
  bool counted = false;              // the current layout carries the count
  std::int16_t piece_count = 0;
  TextValue extension_field;         // lower-cased
};

// Why a glue stops: the message, the file it names, and whether it is a set the glue refuses
// (shown under "ERROR! Incomplete file set!").
struct Stop {
  std::string_view message;
  TextValue name;
  bool refused_set = false;
  std::string reason;  // the system's own words for the failure, when it came from the system
};

bool stop_at(Stop& stop, std::string_view message, TextValue name, bool refused_set = false) {
  stop.message = message;
  txt_assign(stop.name, std::move(name));
  stop.refused_set = refused_set;
  return false;
}

bool stop_for(Stop& stop, std::string_view message, TextValue name, std::string_view reason) {
  stop.reason.assign(reason);
  return stop_at(stop, message, std::move(name));
}

// The header of piece 1, open on the channel at its first byte; the channel is left right
// behind the header. A piece 1 starts with one of the two signatures and holds the whole header
// of its layout; anything else is not a piece.
bool read_header(ChannelNumber piece, FirstPiece& first) {
  const FailureWatch watch;
  first.length = file_size(piece);
  // The older layout's header first, then the count that the current one adds: the channel
  // ends up right behind the header of either.
  TextValue bytes = file_read_bytes(piece, OLD_PIECE_HEADER_SIZE);
  if (app_header_layout(bytes) == HeaderLayout::current) {
    txt_assign(bytes, txt_concat(bytes, file_read_bytes(piece, PIECE_HEADER_SIZE - OLD_PIECE_HEADER_SIZE)));
  }
  PieceHeader header;
  if (watch.failed() || !app_decode_header(bytes, header)) return false;
  first.header_length = app_header_length(header.layout);
  first.counted = header.layout == HeaderLayout::current;
  first.piece_count = header.piece_count;
  txt_assign(first.extension_field, txt_lower(header.extension_field));
  return first.length >= first.header_length;
}

// Finds the pieces from 2 on and checks the set before anything is written. Every piece of a set
// that the split wrote is as long as piece 1, but the last, which is shorter (empty when the data
// ended exactly at a piece's end). So the first piece shorter than piece 1 ends the set, and
// pieces after it are left from an earlier split; a piece longer than piece 1 does not belong;
// a piece as long as piece 1 must have a successor. sizes gets the length of every piece of the
// set, piece 1's first.
bool check_set(const TextValue& base, const FirstPiece& first, std::vector<std::uint64_t>& sizes, Stop& stop) {
  sizes.assign(1, first.length);
  // Every piece that piece 1 counts must be there: checked first, as a missing piece is the
  // likelier fault.
  std::vector<std::uint64_t> counted_sizes;
  for (std::int32_t number = 2; number <= first.piece_count; ++number) {
    const FoundFile piece = dir_find(app_piece_name(base, number));
    if (!piece.found) return stop_at(stop, NOT_FOUND, app_piece_name(base, number), true);
    counted_sizes.push_back(piece.size);
  }

  std::int32_t last = 1;
  for (std::int32_t number = 2;; ++number) {
    std::uint64_t size = 0;
    bool present = false;
    if (static_cast<std::size_t>(number - 2) < counted_sizes.size()) {
      present = true;
      size = counted_sizes[static_cast<std::size_t>(number - 2)];
    } else if (number <= PIECE_LIMIT) {
      const FoundFile piece = dir_find(app_piece_name(base, number));
      present = piece.found;
      size = piece.size;
    }
    if (!present) {
      // Piece 1 may stand alone; any later full piece was followed by one more.
      if (number == 2) break;
      return stop_at(stop, NOT_FOUND, app_piece_name(base, number), true);
    }
    if (size > first.length) return stop_at(stop, WRONG_SIZE, app_piece_name(base, number), true);
    sizes.push_back(size);
    if (size < first.length) {
      last = number;
      break;
    }
  }
  // The count is what the split computed from the set's whole length, so it bounds the last
  // piece: a last piece cut short (or a set that ends early) gives another count.
  if (first.counted && last > 1 && app_set_count(sizes) != first.piece_count) {
    return stop_at(stop, WRONG_SIZE, app_piece_name(base, last), true);
  }
  return true;
}

// An extension of decimal digits would give the output the name of one of the set's own pieces.
bool names_a_piece(const TextValue& output, const TextValue& base) {
  const TextValue prefix = txt_concat(base, txt_constant("."));  // a piece's name without its number
  if (output.length <= prefix.length || !txt_equal(txt_left(output, prefix.length), prefix)) return false;
  const TextValue number = txt_mid(output, static_cast<std::int32_t>(prefix.length) + 1, output.length);
  if (number.data()[0] == '0') return false;
  for (std::uint32_t at = 0; at < number.length; ++at) {
    if (number.data()[at] < '0' || number.data()[at] > '9') return false;
  }
  return true;
}

// The names the file being built may take beside the output, new and the program's alone:
// NAME.ext.tranchor-part, then NAME.ext~2.tranchor-part, ... when that one is taken.
TextValue temporary_name_of(const TextValue& output_name, std::int32_t attempt) {
  TextValue name = txt_copy(output_name);
  if (attempt > 1) txt_assign(name, txt_concat(txt_concat(name, txt_constant("~")), app_decimal(attempt)));
  return txt_concat(name, txt_constant(".tranchor-part"));
}

// The temporary files that earlier glues of this set left when they were killed go: every one
// that no running program holds (a glue holds its own while it works, and it stays).
void remove_stale_temporaries(const TextValue& output_name) {
  const FailureWatch ignored;
  const TextValue folder = txt_left(output_name, file_name_start(output_name) - 1);
  const TextValue own_name = txt_mid(output_name, static_cast<std::int32_t>(folder.length) + 1, output_name.length);
  std::vector<TextValue> stale;
  // One look at the directory finds them all, whatever numbers they took.
  for (TextValue found = dir_search(txt_concat(output_name, txt_constant("*.tranchor-part")), 0); !found.empty();
       txt_assign(found, dir_search(TextValue{}, 0))) {
    for (std::int32_t attempt = 1; attempt <= TEMPORARY_NAME_TRIES; ++attempt) {
      if (txt_equal(found, temporary_name_of(own_name, attempt))) stale.push_back(txt_concat(folder, found));
    }
  }
  for (const TextValue& name : stale) file_remove_stale(name);
}

bool create_temporary(const TextValue& output_name, ChannelNumber output, TextValue& temporary_name,
                      std::string& reason) {
  remove_stale_temporaries(output_name);
  for (std::int32_t attempt = 1; attempt <= TEMPORARY_NAME_TRIES; ++attempt) {
    txt_assign(temporary_name, temporary_name_of(output_name, attempt));
    const FailureWatch watch;
    file_open(output, temporary_name, TEMPORARY_FILE_REQUEST);
    if (!watch.failed()) return true;
    reason.assign(watch.reason());
    if (watch.number() != ERR_FILE_EXISTS) break;
  }
  temporary_name = TextValue{};
  return false;
}

// Appends one piece, open on its channel, to the output: from the channel's position to the
// length the check found, which must be all the piece holds now. A piece that has become longer
// or shorter since is a read failure.
bool copy_piece(ChannelNumber piece, ChannelNumber output, std::uint64_t checked_size, const TextValue& name,
                const TextValue& output_name, Stop& stop) {
  const std::uint64_t from = file_position(piece) - 1;
  const CopyResult copy = app_copy_bytes(piece, output, checked_size - from, CopyRest::exactly);
  switch (copy.outcome) {
    case CopyOutcome::read_failed: return stop_for(stop, CANNOT_READ, txt_copy(name), copy.reason);
    case CopyOutcome::write_failed: return stop_for(stop, CANNOT_WRITE, txt_copy(output_name), copy.reason);
    case CopyOutcome::done: break;
  }
  return true;
}

// Everything the glue holds while it runs, so that every way out closes and removes alike.
struct Glue {
  TextValue base;
  TextValue output_name;
  TextValue temporary_name;
  ChannelNumber piece = 0;
  ChannelNumber output = 0;
  std::vector<std::uint64_t> sizes;
};

// Builds the file from the checked set: piece 1 is open at its first byte, past its header.
bool copy_set(Glue& glue, Stop& stop) {
  for (std::int32_t number = 1; number <= static_cast<std::int32_t>(glue.sizes.size()); ++number) {
    const TextValue name = app_piece_name(glue.base, number);
    if (number > 1) {
      const FailureWatch watch;
      glue.piece = file_free_channel();
      file_open(glue.piece, name, READ_FILE_REQUEST);
      if (watch.failed()) return stop_for(stop, CANNOT_READ, txt_copy(name), watch.reason());
    }
    app_show_progress(number, txt_concat(txt_constant(" Now adding : "), name));
    if (!copy_piece(glue.piece, glue.output, glue.sizes[static_cast<std::size_t>(number - 1)], name,
                    glue.output_name, stop)) {
      return false;
    }
    file_close(glue.piece);
    glue.piece = 0;
  }
  return true;
}

// Every piece is in: the file onto the disk, then under its name, then the name onto the disk.
// Done means on the disk: a power cut after it finds the whole file under its name.
bool give_output_its_name(Glue& glue, Stop& stop) {
  const FailureWatch watch;
  file_flush(glue.output);
  file_close(glue.output);
  glue.output = 0;
  if (watch.failed()) return stop_for(stop, CANNOT_WRITE, txt_copy(glue.output_name), watch.reason());
  file_rename(glue.temporary_name, glue.output_name);
  if (watch.failed()) return stop_for(stop, CANNOT_WRITE, txt_copy(glue.output_name), watch.reason());
  glue.temporary_name = TextValue{};
  file_flush_directory(glue.output_name);
  if (watch.failed()) return stop_for(stop, CANNOT_WRITE, txt_copy(glue.output_name), watch.reason());
  return true;
}

// The steps from piece 1 to the rebuilt file under its name.
bool glue_set(Glue& glue, Stop& stop) {
  const TextValue first_name = app_piece_name(glue.base, 1);
  if (!file_exists(first_name)) return stop_at(stop, NOT_FOUND, txt_copy(first_name));
  FirstPiece first;
  {
    const FailureWatch watch;
    glue.piece = file_free_channel();
    file_open(glue.piece, first_name, READ_FILE_REQUEST);
    if (watch.failed() || !read_header(glue.piece, first)) {
      return stop_for(stop, CANNOT_READ, txt_copy(first_name), watch.reason());
    }
  }
  if (!check_set(glue.base, first, glue.sizes, stop)) return false;

  txt_assign(glue.output_name, app_output_name(glue.base, first.extension_field));
  // An extension field that would make the output name point elsewhere, cut a character or name
  // a file no system can hold is refused, and so is one that names a piece of the set.
  if (!file_name_part_usable(first.extension_field) || names_a_piece(glue.output_name, glue.base)) {
    return stop_at(stop, CANNOT_WRITE, txt_copy(glue.output_name));
  }
  // The file is built under a name of its own and takes the output's name only when every
  // piece is in it, so a failed glue never leaves a partial file under that name. It gets
  // piece 1's permission bits before any data is in it.
  glue.output = file_free_channel();
  std::string reason;
  if (!create_temporary(glue.output_name, glue.output, glue.temporary_name, reason)) {
    glue.output = 0;
    return stop_for(stop, CANNOT_WRITE, txt_copy(glue.output_name), reason);
  }
  {
    const FailureWatch watch;
    file_copy_permissions(glue.piece, glue.output);
    if (watch.failed()) return stop_for(stop, CANNOT_WRITE, txt_copy(glue.output_name), watch.reason());
  }
  if (!copy_set(glue, stop)) return false;
  return give_output_its_name(glue, stop);
}

}  // namespace

TextValue app_output_name(const TextValue& base, const TextValue& extension_field) {
  TextValue name = txt_concat(txt_concat(base, txt_constant(".")), extension_field);
  std::uint32_t length = name.length;
  while (length > 0 && (name.data()[length - 1] == ' ' || name.data()[length - 1] == '.')) --length;
  return txt_left(std::move(name), length);
}

int app_join(const TextValue& base_name) {
  Glue glue;
  txt_assign(glue.base, txt_copy(base_name));
  TextValue extension_field;
  app_split_name(glue.base, extension_field);

  con_set_cursor(1, PROGRESS_ROW);
  con_print(txt_concat(txt_constant("Now creating : "), glue.base));
  con_new_line();

  Stop stop;
  const bool glued = glue_set(glue, stop);
  file_close(glue.piece);
  file_close(glue.output);
  if (glued) return 0;
  if (!glue.temporary_name.empty()) file_remove(glue.temporary_name);
  const TextValue line = txt_concat(txt_constant(stop.message), stop.name);
  if (stop.refused_set) {
    app_end_incomplete_set(line, stop.reason);
  } else {
    app_show_failure(stop.message, stop.name, stop.reason);
  }
  return 1;
}
