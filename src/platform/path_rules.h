// How this system writes file names: which bytes separate directories, and which bytes a file
// name may not hold.
#pragma once

#include <cstdint>

// True for a byte that ends a directory part of a path ("/" here; "\", "/" and ":" on Windows).
bool path_separator(std::uint8_t byte);
// True for a byte that no file name may hold: separators, the zero byte and other control
// bytes, and the pattern characters "*" and "?".
bool file_name_byte_forbidden(std::uint8_t byte);
