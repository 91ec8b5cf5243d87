// File names as texts: where the name of a file starts in a path, where a name may be cut, and
// whether a part of a name is one the file system can hold. A character that code page 437
// lacks may take several bytes of a text; these rules never cut one and never let a half of one
// reach the file system.
#pragma once

#include <cstdint>

#include "text/text_value.h"

// The 1-based position where the file's own name starts: behind the last separator of the
// path, else 1.
std::uint32_t file_name_start(const TextValue& path);
// The length of the longest start of the text, at most max_bytes long, that ends between two
// characters.
std::uint32_t file_name_whole_prefix(const TextValue& text, std::uint32_t max_bytes);
// Whether the text can stand inside a file's own name: whole characters only, none of them a
// separator, a control byte, "*", "?" or another character this system's names may not hold.
bool file_name_part_usable(const TextValue& part);

// The bytes of a name as other programs write it into a file (a checksum list): UTF-8, and on
// POSIX a name's bytes that are not UTF-8 as those bytes. Empty for a text that is no name.
TextValue file_name_to_utf8(const TextValue& name);
// The name whose bytes those are.
TextValue file_name_from_utf8(const TextValue& bytes);
