// The split: asks for the piece size and cuts the source into pieces NAME.1, NAME.2, ... beside
// it, piece 1 starting with the header, while the progress row shows each new piece.
#pragma once

#include <cstdint>

#include "text/text_value.h"

// Splits the existing file. Gives the exit code: 0, or 1 after a failure was shown.
int app_split(const TextValue& file_name);

// The same for a script: the size comes with the call, and a size that does not fit is said
// in one line on standard error (exit code 1) instead of asked again.
int app_split_scripted(const TextValue& size_text, const TextValue& file_name);

// The piece size that a typed line asks for: the number, times the unit that may follow it
// (after optional blanks, in any case: K, M, G, T or KiB, MiB, GiB, TiB for powers of 1024; KB,
// MB, GB, TB for powers of 1000; the unit ends the text or is followed by a blank), rounded
// half to even. 0 for a size of zero or below, and for one of 2^63 or more.
std::uint64_t app_piece_size_from_text(const TextValue& line);

// Whether a size can split a source of this length: piece 1 must have room for data behind its
// header, and the pieces, an empty last one included, must not number more than 32,767.
bool app_piece_size_fits(std::uint64_t piece_size, std::uint64_t source_length);

// The count written into the header: (length + header) / size, rounded half to even.
std::int16_t app_piece_count(std::uint64_t source_length, std::uint32_t header_length, std::uint64_t piece_size);
