// Sizes in bytes as a person writes them: a number and an optional unit.
#pragma once

#include <cstdint>

#include "text/text_value.h"

// The size that a typed text asks for: the number (as num_from_text reads it), times the unit
// that may follow it (after optional blanks, in any case: K, M, G, T or KiB, MiB, GiB, TiB for
// powers of 1024; KB, MB, GB, TB for powers of 1000; the unit ends the text or is followed by a
// blank), rounded half to even; or the name of a medium, in any case: fat32 (4,294,967,295
// bytes, the largest file FAT32 holds), cd (700 MiB), dvd (4,700,000,000), bd (25,000,000,000).
// 0 for a size of zero or below, and for one of 2^63 or more.
std::uint64_t num_size_from_text(const TextValue& text);
