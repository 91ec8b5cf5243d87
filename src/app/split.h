// The split: asks for the piece size and cuts the source into pieces NAME.1, NAME.2, ... beside
// it, piece 1 starting with the header, while the progress row shows each new piece.
#pragma once

#include <cstdint>

#include "text/text_value.h"

// Splits the existing file. Gives the exit code: 0, or 1 after a failure was shown.
int app_split(const TextValue& file_name);

// The piece size that a typed line asks for: the number rounded half to even as a 64-bit integer,
// its low 32 bits taken; 0 for a number outside the 64-bit range.
std::uint32_t app_piece_size_from_text(const TextValue& line);

// Whether a size can split a source of this length: piece 1 must have room for data behind its
// header, and the pieces, an empty last one included, must not number more than 32,767.
bool app_piece_size_fits(std::uint32_t piece_size, std::uint64_t source_length);

// The count written into the header: (length + header) / size, rounded half to even.
std::int16_t app_piece_count(std::uint64_t source_length, std::uint32_t header_length, std::uint32_t piece_size);
