// The piece format, in one place: how the pieces of a set are named, the header that piece 1
// carries, and how a split cuts a length into pieces. Old sets and old programs read the same
// bytes: nothing here may change what a split writes.
//
// A set of the base name B is B.1, B.2, ... (decimal numbers without leading zeros). Piece 1
// starts with the header: the 13 bytes of the title, the extension field (3 bytes: the source's
// extension as typed, blank-padded, cut after three bytes) and the count of pieces (16-bit signed,
// little-endian). The older layout has a 16-byte header without the count. Piece 1's data follows
// the header; the other pieces hold data only.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "text/text_value.h"

// The title, shown in the banner and written as the signature of piece 1.
extern const FixedText<13> APP_TITLE;
// The signature of the older piece layout (16-byte header, no count).
constexpr std::string_view OLD_SIGNATURE = "Tranchor v2.0";

constexpr std::uint32_t SIGNATURE_SIZE = 13;
constexpr std::uint32_t EXTENSION_FIELD_SIZE = 3;
constexpr std::uint32_t PIECE_HEADER_SIZE = 18;      // signature, extension field, count
constexpr std::uint32_t OLD_PIECE_HEADER_SIZE = 16;  // signature, extension field
constexpr std::int32_t PIECE_LIMIT = 32767;          // piece numbers and the count are 16-bit
// Where the count stands in piece 1, counted in bytes from 0, and how long it is.
constexpr std::uint32_t PIECE_COUNT_OFFSET = SIGNATURE_SIZE + EXTENSION_FIELD_SIZE;
constexpr std::uint32_t PIECE_COUNT_SIZE = 2;

enum class HeaderLayout : std::uint8_t { current, old };

// Piece 1's header as a value.
struct PieceHeader {
  HeaderLayout layout = HeaderLayout::current;
  TextValue extension_field;    // 3 bytes as they lie in the piece
  std::int16_t piece_count = 0;  // the current layout only
};

// The header's length in its layout.
std::uint32_t app_header_length(HeaderLayout layout);
// The 18 bytes of a current header with this extension field (3 bytes) and count.
TextValue app_encode_header(const TextValue& extension_field, std::int16_t piece_count);
// The count's two bytes, as they lie at PIECE_COUNT_OFFSET.
TextValue app_encode_count(std::int16_t piece_count);
// Reads a header from the first bytes of a piece (at least the 18 of a current header, when the
// piece holds them): false when they start with neither signature or are too few for the
// header of their layout.
bool app_decode_header(const TextValue& first_bytes, PieceHeader& header);
// The layout whose signature the bytes start with; none when they start with neither.
std::optional<HeaderLayout> app_header_layout(const TextValue& first_bytes);
// Whether the bytes start with one of the two signatures (a dropped file that is piece 1).
bool app_has_signature(const TextValue& first_bytes);

// The name of piece number of the set with this base: "B.7".
TextValue app_piece_name(const TextValue& base, std::int32_t number);
// The number of the piece of the set of this base that the name is ("B.7": 7), 0 when it is none.
std::int32_t app_piece_number(const TextValue& name, const TextValue& base);
// The piece number as decimal digits without blank, sign or leading zeros.
TextValue app_decimal(std::int32_t number);

// What ends the name of a file the program builds before it gets its own name (piece 1 of a
// split, the rebuilt file of a glue); a killed run leaves it behind, and it is never a piece.
constexpr std::string_view TEMPORARY_SUFFIX = ".tranchor-part";
// Whether the name is such a file's.
bool app_is_temporary_name(const TextValue& name);

// The set a file name belongs to: the base is the name up to the first dot of its file-name
// part that is not the part's first byte (a dot in a directory name, or the one that starts
// .bashrc, is no extension's); the extension field the three bytes after that dot, as many whole
// characters as fit, blank-padded. A name without such a dot is its own base, with a blank field.
struct SetName {
  TextValue base;
  TextValue extension_field;
  bool has_extension = false;
};
SetName app_set_name(const TextValue& file_name);

// Cuts name after that dot (the dot stays) and sets extension_field to the field; a name without
// such a dot is left whole and extension_field keeps its old value.
void app_split_name(TextValue& name, TextValue& extension_field);

// How a split cuts a source of this length into pieces of this size. Every piece but the last is
// full, and a full piece is closed as soon as it is full and the next one made, so data that ends
// exactly at a piece's end is followed by an empty piece.
struct SplitPlan {
  bool fits = false;             // piece 1 has room for data, and there are at most 32,767 pieces
  std::uint64_t pieces = 0;      // the number of pieces written, an empty last one included
  std::int16_t piece_count = 0;  // the header's count: (length + 18) / size, rounded half to even
  std::uint64_t last_length = 0; // the last piece's length
};
SplitPlan app_plan_split(std::uint64_t source_length, std::uint64_t piece_size);

// The count a header carries for a set of this many bytes in all (data and header) and this
// piece size: the total divided by the size, rounded half to even.
std::int16_t app_rounded_count(std::uint64_t total_length, std::uint64_t piece_size);
// The count that a split writes for a set of this many pieces, every one but the last as long as
// piece 1 (the piece size), the last of its own length.
std::int16_t app_set_count(std::uint64_t piece_length, std::uint64_t pieces, std::uint64_t last_length);
