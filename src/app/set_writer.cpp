#include "app/set_writer.h"

#include <memory>
#include <vector>

#include "app/manifest.h"
#include "app/messages.h"
#include "app/piece_copy.h"
#include "app/set_check.h"
#include "files/checksum.h"
#include "files/checksum_worker.h"
#include "files/dir_search.h"
#include "files/file_names.h"
#include "files/transfer.h"
#include "frame/errors.h"
#include "text/text_ops.h"

namespace {

constexpr std::size_t WHOLE_STREAM = 0;
constexpr std::size_t PIECES_STREAM = 1;
constexpr std::string_view CHANGED_WHILE_SPLIT = "it changed while it was split";

bool stop_at(SplitStop& stop, std::string_view message, const TextValue& name, std::string_view reason = {}) {
  stop.message = message;
  txt_assign(stop.name, name);
  stop.reason.assign(reason);
  return false;
}

// Everything a split holds while it writes, so that every way out closes and removes alike.
struct Writer {
  Writer(const SetSource& source, Progress& heard) : in(source), progress(heard) {}
  const SetSource& in;
  Progress& progress;
  SplitPlan plan;              // for a source of known length
  TextValue first_name;        // BASE.1
  TextValue temporary_first;   // piece 1 until the set is whole
  bool temporary_made = false;
  TextValue manifest_name;     // BASE.sha256
  bool manifest_made = false;
  ChannelNumber first = 0;     // piece 1, open until it gets its name
  ChannelNumber piece = 0;     // the piece being written, from 2 on
  std::int32_t made = 1;       // pieces 2..made were made by this run
  std::uint64_t taken = 0;     // bytes taken from the source
  bool source_ended = false;   // a streamed source has given its last byte
  Checksum whole;              // of every byte of the source
  Checksum current;            // of the piece being written
  // For large pieces both are made on threads of their own (0: the whole file, 1: the pieces),
  // while this one copies.
  std::unique_ptr<ChecksumWorker> beside;
  std::vector<Sha256Digest> piece_digests;  // 32 bytes a piece until the manifest is written
  Sha256Digest first_again{};  // a streamed piece 1's digest, made once its count is in
};

// No piece may be the source itself (its own name, or a link to it): writing that piece would
// destroy data not yet read. Only a name that is there can be the source, and one look at the
// directory finds them all.
bool none_is_the_source(const Writer& writer, SplitStop& stop) {
  if (writer.in.streamed) return true;
  const TextValue& base = writer.in.set.base;
  const TextValue folder = txt_left(base, file_name_start(base) - 1);
  // Each name is looked at as the search finds it (the look does not disturb the search), so
  // that a folder of many pieces costs no list of them.
  for (TextValue found = dir_search(txt_concat(base, txt_constant(".*")), 0); !found.empty();
       txt_assign(found, dir_search(TextValue{}, 0))) {
    const TextValue name = txt_concat(folder, found);
    const std::int32_t number = app_piece_number(name, base);
    const bool ours = (number >= 1 && static_cast<std::uint64_t>(number) <= writer.plan.pieces) ||
                      txt_equal(name, writer.temporary_first) || txt_equal(name, writer.manifest_name);
    if (ours && file_names_open_file(name, writer.in.source)) {
      dir_search_end();
      return stop_at(stop, CANNOT_WRITE, number == 0 && !txt_equal(name, writer.manifest_name) ? writer.first_name : name);
    }
  }
  dir_search_end();  // the names it found, all of them, are let go
  return true;
}

// A split never destroys another file's set or a file of the user's own: a manifest's name that
// holds something else, and a piece 1 of another file's set, are refused before anything is
// written. Splitting the same file again replaces its own set.
bool no_foreign_set_is_there(const Writer& writer, SplitStop& stop) {
  Manifest manifest;
  const bool manifest_there = file_exists_as_made(writer.manifest_name);
  const bool has_manifest = manifest_there && app_read_set_manifest(writer.in.set.base, manifest);
  if (manifest_there && !has_manifest) {
    return stop_at(stop, CANNOT_WRITE, writer.manifest_name, "it is no manifest of this set");
  }
  if (!file_exists_as_made(writer.first_name)) return true;
  const FailureWatch ignored;
  const ChannelNumber channel = file_free_channel();
  file_open(channel, writer.first_name, READ_FILE_REQUEST);
  const TextValue start = file_read_bytes(channel, PIECE_HEADER_SIZE);
  file_close(channel);
  PieceHeader header;
  if (!app_decode_header(start, header)) return true;  // not a piece: replaced as ever
  TextValue other;
  if (has_manifest) {
    if (!txt_equal(manifest.whole.name, writer.in.whole_name)) txt_assign(other, manifest.whole.name);
  } else if (!txt_equal(header.extension_field, writer.in.set.extension_field)) {
    const TextValue& base = writer.in.set.base;
    const TextValue own_base = txt_mid(base, static_cast<std::int32_t>(file_name_start(base)), base.length);
    txt_assign(other, app_output_name(own_base, txt_lower(header.extension_field)));
  }
  if (other.empty()) return true;
  return stop_at(stop, CANNOT_WRITE, writer.first_name, "the pieces of " + std::string(txt_view(other)) + " are there");
}

// Opens a piece to write: the file of exactly that name, with the source's permission bits
// before any data is in it (a streamed source has none: the piece stays private to its owner).
bool open_piece(const Writer& writer, ChannelNumber piece, const TextValue& name, const OpenRequest& request,
                std::string& reason) {
  const FailureWatch watch;
  file_open(piece, name, request);
  if (!watch.failed() && !writer.in.streamed) file_copy_permissions(writer.in.source, piece);
  reason.assign(watch.reason());
  return !watch.failed();
}

// Closes a written file; false when the file system reports that its data did not all reach it.
bool close_written(ChannelNumber& channel, std::string& reason) {
  const FailureWatch watch;
  file_close(channel);
  channel = 0;
  reason.assign(watch.reason());
  return !watch.failed();
}

// Copies the next bytes of the source into the piece, at most count of them: all of them from a
// file, what comes before its end from a stream. Every byte is seen by the whole file's checksum,
// the piece's and the progress.
bool copy_into(Writer& writer, ChannelNumber piece, std::uint64_t count, const TextValue& piece_name, SplitStop& stop) {
  CopyWatch watch = app_progress_watch(writer.progress);
  watch.needs_bytes = true;
  watch.saw = [&writer](const unsigned char* bytes, std::uint32_t length) {
    if (writer.beside) {
      writer.beside->add(bytes, length);
      return;
    }
    file_checksum_add(writer.whole, bytes, length);
    file_checksum_add(writer.current, bytes, length);
  };
  const CopyResult copy = writer.in.streamed ? app_copy_stream(writer.in.source, piece, count, watch)
                                             : app_copy_bytes(writer.in.source, piece, count, CopyRest::any, &watch);
  writer.taken += copy.copied;
  if (writer.in.streamed && copy.copied < count) writer.source_ended = true;
  app_progress_piece_done(writer.progress);
  if (copy.outcome == CopyOutcome::read_failed) {
    // A file that ends before the bytes its length promised has become shorter since.
    const bool cut = copy.reason.empty() && !writer.in.streamed && copy.copied < count;
    return stop_at(stop, CANNOT_READ, writer.in.source_name, cut ? CHANGED_WHILE_SPLIT : copy.reason);
  }
  if (copy.outcome == CopyOutcome::write_failed) return stop_at(stop, CANNOT_WRITE, piece_name, copy.reason);
  return true;
}

// The piece just written is complete: its checksum is taken now, or by its thread.
void take_piece_checksum(Writer& writer) {
  if (writer.beside) {
    writer.beside->mark(PIECES_STREAM);
  } else {
    writer.piece_digests.push_back(file_checksum_digest(writer.current));
  }
}

// The bytes of the source that go into piece number, which the data from taken on fills.
std::uint64_t room_in(const Writer& writer, std::int32_t number) {
  const std::uint64_t room = writer.in.piece_size - (number == 1 ? PIECE_HEADER_SIZE : 0);
  if (writer.in.streamed) return room;
  const std::uint64_t left = writer.in.length - writer.taken;
  return left < room ? left : room;
}

// Piece 1 under the split's own name: the header, then the first of the data. A temporary file
// that an earlier split of this set left when it was killed goes first (one that a running
// program holds stays, and this split then stops).
bool write_first_piece(Writer& writer, SplitStop& stop) {
  file_remove_stale(writer.temporary_first);
  writer.first = file_free_channel();
  std::string reason;
  if (!open_piece(writer, writer.first, writer.temporary_first, TEMPORARY_FILE_REQUEST, reason)) {
    writer.first = 0;
    return stop_at(stop, CANNOT_WRITE, writer.first_name, reason);
  }
  writer.temporary_made = true;
  app_progress_piece(writer.progress, "made", writer.first_name);
  const FailureWatch watch;
  // A streamed source's count is known at its end, and written then.
  const TextValue header = app_encode_header(writer.in.set.extension_field, writer.plan.piece_count);
  file_write_text(writer.first, header);
  if (watch.failed()) return stop_at(stop, CANNOT_WRITE, writer.first_name, watch.reason());
  if (writer.beside) {
    writer.beside->add(header.data(), header.length, 1u << PIECES_STREAM);
  } else {
    file_checksum_add(writer.current, header.data(), header.length);
  }
  if (!copy_into(writer, writer.first, room_in(writer, 1), writer.first_name, stop)) return false;
  take_piece_checksum(writer);
  return true;
}

// An earlier set's piece 1 and manifest go before any other piece is written, so that they can
// never head a mixture of old and new pieces.
bool remove_earlier_set_heads(const Writer& writer, SplitStop& stop) {
  for (const TextValue* name : {&writer.first_name, &writer.manifest_name}) {
    const FailureWatch watch;
    file_remove(*name);
    if (watch.failed() && watch.number() != ERR_FILE_NOT_FOUND) return stop_at(stop, CANNOT_WRITE, *name, watch.reason());
  }
  return true;
}

// Whether another piece follows the last one written: a full piece is closed and the next one
// made before it is known whether data is left, so data that ends exactly at a piece's end is
// followed by an empty piece.
bool more_pieces(const Writer& writer, std::int32_t written) {
  if (writer.in.streamed) return !writer.source_ended;
  return static_cast<std::uint64_t>(written) < writer.plan.pieces;
}

// Pieces 2 and on, each shown on the progress row when it is made.
bool write_other_pieces(Writer& writer, SplitStop& stop) {
  for (std::int32_t number = 2; more_pieces(writer, number - 1); ++number) {
    const TextValue name = app_piece_name(writer.in.set.base, number);
    if (number > PIECE_LIMIT) return stop_at(stop, CANNOT_WRITE, name, "a set holds at most 32767 pieces");
    writer.piece = file_free_channel();
    std::string reason;
    if (!open_piece(writer, writer.piece, name, OUTPUT_FILE_REQUEST, reason)) {
      writer.piece = 0;
      return stop_at(stop, CANNOT_WRITE, name, reason);
    }
    writer.made = number;
    app_show_progress(number, name);
    app_progress_piece(writer.progress, "made", name);
    if (!copy_into(writer, writer.piece, room_in(writer, number), name, stop)) return false;
    if (!close_written(writer.piece, reason)) return stop_at(stop, CANNOT_WRITE, name, reason);
    take_piece_checksum(writer);
  }
  return true;
}

// The source must still be as long as when the split began: one that grew meanwhile holds data
// that the set would lack (one that became shorter has already failed a read).
bool source_unchanged(const Writer& writer, SplitStop& stop) {
  if (writer.in.streamed) return true;
  const FailureWatch watch;
  const std::uint64_t length = file_size(writer.in.source);
  if (watch.failed()) return stop_at(stop, CANNOT_READ, writer.in.source_name, watch.reason());
  if (length != writer.in.length) return stop_at(stop, CANNOT_READ, writer.in.source_name, CHANGED_WHILE_SPLIT);
  return true;
}

// A streamed source's end gives piece 1 its count, and its checksum then: piece 1 is read again.
bool complete_streamed_first_piece(Writer& writer, SplitStop& stop) {
  if (!writer.in.streamed) return true;
  const std::int16_t count = app_rounded_count(writer.taken + PIECE_HEADER_SIZE, writer.in.piece_size);
  const FailureWatch watch;
  const TextValue count_bytes = app_encode_count(count);
  file_write_at(writer.first, PIECE_COUNT_OFFSET + 1, count_bytes.data(), count_bytes.length);
  Checksum again = file_checksum_start();
  const std::uint64_t length = file_size(writer.first);
  for (std::uint64_t at = 0; at < length && !watch.failed();) {
    const auto block = static_cast<std::uint32_t>(length - at < COPY_BLOCK_SIZE ? length - at : COPY_BLOCK_SIZE);
    TextValue bytes = txt_allocate(block);
    file_read_at(writer.first, at + 1, bytes.data(), block);
    file_checksum_add(again, bytes.data(), block);
    at += block;
  }
  if (watch.failed()) return stop_at(stop, CANNOT_WRITE, writer.first_name, watch.reason());
  writer.first_again = file_checksum_digest(again);
  return true;
}

// The manifest beside the pieces, once every piece is complete: the whole file under its own
// name, then each piece. Written in blocks, so that a set of many pieces never holds its whole
// manifest.
bool write_manifest(Writer& writer, SplitStop& stop) {
  const TextValue& base = writer.in.set.base;
  if (writer.beside) writer.piece_digests = writer.beside->digests(PIECES_STREAM);
  if (writer.in.streamed) writer.piece_digests.front() = writer.first_again;
  const TextValue whole = writer.beside ? writer.beside->finish(WHOLE_STREAM) : file_checksum_hex(writer.whole);
  ChannelNumber manifest = file_free_channel();
  std::string reason;
  if (!open_piece(writer, manifest, writer.manifest_name, OUTPUT_FILE_REQUEST, reason)) {
    return stop_at(stop, CANNOT_WRITE, writer.manifest_name, reason);
  }
  writer.manifest_made = true;
  const FailureWatch watch;
  const TextValue own_base = txt_mid(base, static_cast<std::int32_t>(file_name_start(base)), base.length);
  std::string block(txt_view(app_manifest_line(whole, writer.in.whole_name)));
  for (std::size_t at = 0; at < writer.piece_digests.size() && !watch.failed(); ++at) {
    const TextValue name = app_piece_name(own_base, static_cast<std::int32_t>(at + 1));
    block += txt_view(app_manifest_line(file_digest_hex(writer.piece_digests[at]), name));
    if (block.size() >= MANIFEST_BLOCK_SIZE || at + 1 == writer.piece_digests.size()) {
      file_write_at(manifest, std::nullopt, block.data(), static_cast<std::uint32_t>(block.size()));
      block.clear();
    }
  }
  reason.assign(watch.reason());
  if (watch.failed() || !close_written(manifest, reason)) {
    file_close(manifest);
    return stop_at(stop, CANNOT_WRITE, writer.manifest_name, reason);
  }
  return true;
}

// Every piece is complete: all of them onto the disk, then piece 1 under its name, then the name
// onto the disk.
bool give_piece_one_its_name(Writer& writer, SplitStop& stop) {
  std::string reason;
  const FailureWatch watch;
  file_flush_written();
  if (watch.failed()) return stop_at(stop, CANNOT_WRITE, writer.first_name, watch.reason());
  if (!close_written(writer.first, reason)) return stop_at(stop, CANNOT_WRITE, writer.first_name, reason);
  file_rename(writer.temporary_first, writer.first_name);
  if (watch.failed()) return stop_at(stop, CANNOT_WRITE, writer.first_name, watch.reason());
  writer.temporary_made = false;
  file_flush_directory(writer.first_name);
  if (watch.failed()) return stop_at(stop, CANNOT_WRITE, writer.first_name, watch.reason());
  file_keep_outputs();
  return true;
}

// A split that failed removes what it made: its piece 1, the pieces of this run and the manifest.
// What it left of an earlier set has no piece 1 and cannot glue.
void remove_what_was_made(Writer& writer) {
  file_close(writer.first);
  file_close(writer.piece);
  if (writer.temporary_made) file_remove(writer.temporary_first);
  if (writer.manifest_made) file_remove(writer.manifest_name);
  for (std::int32_t number = writer.made; number >= 2; --number) file_remove(app_piece_name(writer.in.set.base, number));
}

}  // namespace

bool app_write_set(const SetSource& source, Progress& progress, SplitStop& stop, std::uint64_t& pieces) {
  Writer writer{source, progress};
  if (!source.streamed) writer.plan = app_plan_split(source.length, source.piece_size);
  txt_assign(writer.first_name, app_piece_name(source.set.base, 1));
  txt_assign(writer.temporary_first, txt_concat(writer.first_name, txt_constant(TEMPORARY_SUFFIX)));
  txt_assign(writer.manifest_name, app_manifest_name(source.set.base));
  if (!none_is_the_source(writer, stop) || !no_foreign_set_is_there(writer, stop)) return false;
  writer.whole = file_checksum_start();
  // The whole file's checksum and the pieces' are separate streams, made on threads of their own
  // for large pieces of a large source; their buffers are taken once the looks at the folder
  // have let go of what they read.
  if ((source.streamed || source.length >= PARALLEL_CHECKSUM_LENGTH) && source.piece_size >= PARALLEL_PIECE_SIZE) {
    writer.beside = std::make_unique<ChecksumWorker>(2);
  }
  writer.current = file_checksum_start();
  // Without checksums there is no manifest to write: nothing is written.
  if (!writer.whole.digest || !writer.current.digest || (writer.beside && !writer.beside->complete())) {
    return stop_at(stop, CANNOT_WRITE, writer.manifest_name, "Cannot allocate memory");
  }
  const bool written = write_first_piece(writer, stop) && remove_earlier_set_heads(writer, stop) &&
                       write_other_pieces(writer, stop) && source_unchanged(writer, stop) &&
                       complete_streamed_first_piece(writer, stop) &&
                       write_manifest(writer, stop) && give_piece_one_its_name(writer, stop);
  if (!written) remove_what_was_made(writer);
  pieces = writer.piece_digests.size();
  return written;
}
