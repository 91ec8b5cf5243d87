#include "app/set_check.h"

#include "app/messages.h"
#include "app/piece_format.h"
#include "files/dir_search.h"
#include "files/file_names.h"
#include "files/transfer.h"
#include "frame/errors.h"
#include "text/text_ops.h"

namespace {

// The most bytes a manifest of 32,767 pieces takes (each line a checksum, two blanks, a name).
constexpr std::uint32_t MANIFEST_LIMIT = 16u * 1024 * 1024;

bool fault(std::vector<SetFault>& faults, std::string_view message, TextValue name, bool refused_set,
           std::string_view reason = {}) {
  SetFault found{message, std::move(name), refused_set, std::string(reason)};
  faults.push_back(std::move(found));
  return false;
}

// What piece 1 says about its set.
struct FirstPiece {
  std::uint64_t length = 0;  // the whole piece, header included
  bool counted = false;      // the current layout carries the count
  std::int16_t piece_count = 0;
  TextValue extension_field;  // lower-cased
};

// The header of piece 1, open on the channel at its first byte; the channel is left right
// behind the header. A piece 1 starts with one of the two signatures and holds the whole header
// of its layout; anything else is not a piece.
bool read_header(ChannelNumber piece, FirstPiece& first, SetPlan& plan, std::string& reason) {
  const FailureWatch watch;
  first.length = file_size(piece);
  // The older layout's header first, then the count that the current one adds: the channel
  // ends up right behind the header of either.
  txt_assign(plan.header, file_read_bytes(piece, OLD_PIECE_HEADER_SIZE));
  if (app_header_layout(plan.header) == HeaderLayout::current) {
    txt_assign(plan.header, txt_concat(plan.header, file_read_bytes(piece, PIECE_HEADER_SIZE - OLD_PIECE_HEADER_SIZE)));
  }
  PieceHeader header;
  reason.assign(watch.reason());
  if (watch.failed() || !app_decode_header(plan.header, header)) return false;
  first.counted = header.layout == HeaderLayout::current;
  first.piece_count = header.piece_count;
  txt_assign(first.extension_field, txt_lower(header.extension_field));
  return first.length >= app_header_length(header.layout);
}

// The count is what the split computed from the set's whole length, so it bounds the last
// piece: a last piece cut short (or a set that ends early) gives another count.
bool fits_its_count(const FirstPiece& first, const SetPlan& plan, std::vector<SetFault>& faults) {
  const SetLengths& lengths = plan.lengths;
  if (!first.counted || lengths.count < 2 ||
      app_set_count(lengths.piece, static_cast<std::uint64_t>(lengths.count), lengths.last) == first.piece_count) {
    return true;
  }
  return fault(faults, WRONG_SIZE, app_piece_name(plan.base, lengths.count), true);
}

// The pieces that a manifest names: every one must be there (all of them are listed when every
// fault is asked for), each as long as piece 1 but the last, which is shorter.
bool check_named_pieces(const FirstPiece& first, SetPlan& plan, std::vector<SetFault>& faults, bool every_fault) {
  const auto pieces = static_cast<std::int32_t>(plan.manifest.piece_digests.size());
  plan.lengths = SetLengths{first.length, 1, first.length};
  std::int32_t wrong_size = 0;  // the first piece of a length that does not fit, when all are there
  for (std::int32_t number = 2; number <= pieces; ++number) {
    const FoundFile piece = dir_find(app_piece_name(plan.base, number));
    if (!piece.found) {
      fault(faults, NOT_FOUND, app_piece_name(plan.base, number), true);
      if (!every_fault) return false;
      continue;
    }
    const bool last = number == pieces;
    if (wrong_size == 0 && (last ? piece.size >= first.length : piece.size != first.length)) wrong_size = number;
    plan.lengths.count = number;
    plan.lengths.last = piece.size;
  }
  if (!faults.empty()) return false;
  if (wrong_size != 0) return fault(faults, WRONG_SIZE, app_piece_name(plan.base, wrong_size), true);
  return fits_its_count(first, plan, faults);
}

// Without a manifest the pieces are found by their shape. Every piece of a set that the split
// wrote is as long as piece 1, but the last, which is shorter (empty when the data ended exactly
// at a piece's end). So the first piece shorter than piece 1 ends the set, and pieces after it
// are left from an earlier split; a piece longer than piece 1 does not belong; a piece as long
// as piece 1 must have a successor.
bool check_shape(const FirstPiece& first, SetPlan& plan, std::vector<SetFault>& faults) {
  plan.lengths = SetLengths{first.length, 1, first.length};
  // Every piece that piece 1 counts must be there: checked first, as a missing piece is the
  // likelier fault. The walk below stops at the first of them not as long as piece 1, so that
  // one's length is all it needs to keep.
  std::int32_t odd_number = 0;
  std::uint64_t odd_size = 0;
  for (std::int32_t number = 2; number <= first.piece_count; ++number) {
    const FoundFile piece = dir_find(app_piece_name(plan.base, number));
    if (!piece.found) return fault(faults, NOT_FOUND, app_piece_name(plan.base, number), true);
    if (odd_number == 0 && piece.size != first.length) {
      odd_number = number;
      odd_size = piece.size;
    }
  }
  for (std::int32_t number = 2;; ++number) {
    FoundFile piece;
    if (number <= first.piece_count) {
      piece.found = true;
      piece.size = number == odd_number ? odd_size : first.length;
    } else if (number <= PIECE_LIMIT) {
      piece = dir_find(app_piece_name(plan.base, number));
    }
    if (!piece.found) {
      // Piece 1 may stand alone; any later full piece was followed by one more.
      if (number == 2) break;
      return fault(faults, NOT_FOUND, app_piece_name(plan.base, number), true);
    }
    if (piece.size > first.length) return fault(faults, WRONG_SIZE, app_piece_name(plan.base, number), true);
    plan.lengths.count = number;
    plan.lengths.last = piece.size;
    if (piece.size < first.length) break;
  }
  return fits_its_count(first, plan, faults);
}

TextValue folder_of(const TextValue& name) { return txt_left(name, file_name_start(name) - 1); }

// The rebuilt file's name: the manifest's whole name beside piece 1, else the base and piece 1's
// extension field. A name that would point elsewhere, cut a character, name a file no system can
// hold or one of the set's own pieces is refused.
bool name_output(const FirstPiece& first, SetPlan& plan, std::vector<SetFault>& faults) {
  if (plan.has_manifest) {
    txt_assign(plan.output_name, txt_concat(folder_of(plan.base), plan.manifest.whole.name));
    if (!app_manifest_names_set_file(plan.manifest.whole.name, plan.base) ||
        app_names_a_piece(plan.output_name, plan.base, plan.lengths.count)) {
      return fault(faults, CANNOT_READ, app_manifest_name(plan.base), false);
    }
    return true;
  }
  txt_assign(plan.output_name, app_output_name(plan.base, first.extension_field));
  if (!file_name_part_usable(first.extension_field) || app_names_a_piece(plan.output_name, plan.base, plan.lengths.count)) {
    return fault(faults, CANNOT_WRITE, txt_copy(plan.output_name), false);
  }
  return true;
}

}  // namespace

bool app_read_set_manifest(const TextValue& base, Manifest& manifest) {
  const TextValue name = app_manifest_name(base);
  const FoundFile found = dir_find(name);
  if (!found.found || found.size > MANIFEST_LIMIT) return false;
  const FailureWatch watch;
  const ChannelNumber channel = file_free_channel();
  file_open(channel, name, READ_FILE_REQUEST);
  ManifestReading reading = app_manifest_reading(base, found.size, manifest);
  // In blocks to its end: a file that grows past the limit meanwhile is no manifest.
  std::uint64_t read = 0;
  while (!watch.failed() && reading.sound && read <= MANIFEST_LIMIT) {
    const TextValue block = file_read_bytes(channel, MANIFEST_BLOCK_SIZE);
    if (block.empty()) break;
    read += block.length;
    app_manifest_add(reading, txt_view(block), manifest);
  }
  const bool complete = !watch.failed() && read <= MANIFEST_LIMIT && app_manifest_complete(reading, manifest);
  file_close(channel);  // a file that was only read loses nothing at its close
  return complete;
}

std::uint64_t app_piece_length(const SetLengths& lengths, std::int32_t number) {
  return number == lengths.count ? lengths.last : lengths.piece;
}

std::uint64_t app_set_length(const SetLengths& lengths) {
  if (lengths.count <= 0) return 0;
  return static_cast<std::uint64_t>(lengths.count - 1) * lengths.piece + lengths.last;
}

bool app_check_set(ChannelNumber piece_one, SetPlan& plan, std::vector<SetFault>& faults, bool every_fault) {
  FirstPiece first;
  std::string reason;
  if (!read_header(piece_one, first, plan, reason)) {
    return fault(faults, CANNOT_READ, app_piece_name(plan.base, 1), false, reason);
  }
  plan.has_manifest = app_read_set_manifest(plan.base, plan.manifest);
  const bool shaped = plan.has_manifest ? check_named_pieces(first, plan, faults, every_fault)
                                        : check_shape(first, plan, faults);
  return shaped && name_output(first, plan, faults);
}

TextValue app_output_name(const TextValue& base, const TextValue& extension_field) {
  TextValue name = txt_concat(txt_concat(base, txt_constant(".")), extension_field);
  std::uint32_t length = name.length;
  while (length > 0 && (name.data()[length - 1] == ' ' || name.data()[length - 1] == '.')) --length;
  return txt_left(std::move(name), length);
}

bool app_names_a_piece(const TextValue& output, const TextValue& base, std::size_t pieces) {
  const TextValue prefix = txt_concat(base, txt_constant("."));  // a piece's name without its number
  if (output.length <= prefix.length || output.length > prefix.length + 5) return false;
  if (!txt_equal(txt_upper(txt_left(output, prefix.length)), txt_upper(prefix))) return false;
  const TextValue number = txt_mid(output, static_cast<std::int32_t>(prefix.length) + 1, output.length);
  if (number.data()[0] == '0') return false;
  std::size_t value = 0;
  for (std::uint32_t at = 0; at < number.length; ++at) {
    if (number.data()[at] < '0' || number.data()[at] > '9') return false;
    value = value * 10 + (number.data()[at] - '0');
  }
  return value <= pieces;
}

bool app_is_first_piece(const TextValue& name) {
  if (!file_exists(name)) return false;
  const ChannelNumber channel = file_free_channel();
  file_open(channel, name, READ_FILE_REQUEST);
  const TextValue start = file_read_bytes(channel, SIGNATURE_SIZE);
  file_close(channel);
  return app_has_signature(start);
}

bool app_set_base_of(const TextValue& name, TextValue& base) {
  TextValue dropped_base = std::move(app_set_name(name).base);
  const bool spelled_as_piece_one = txt_equal(app_piece_name(dropped_base, 1), name) && file_exists(name);
  if (app_is_first_piece(name) || spelled_as_piece_one) {
    txt_assign(base, std::move(dropped_base));
    return true;
  }
  txt_assign(base, name);
  return !name.empty() && app_find_set(name).found;
}

FoundFile app_find_set(const TextValue& base) {
  FoundFile first = dir_find(app_piece_name(base, 1));
  if (first.found) return first;
  // A killed run's temporary piece 1 or rebuilt file starts with the base too, and is no file of
  // the set: "big.1" must not find big.1.tranchor-part.
  FoundFile file = dir_find(txt_concat(base, txt_constant(".*")));
  while (file.found && app_is_temporary_name(file.name)) file = dir_find_next();
  return file;
}
