// How this system writes file names: which bytes separate directories, and which bytes a file
// name may not hold.
#pragma once

#include <cstdint>
#include <string_view>

// True for a byte that ends a directory part of a path ("/" here; "\", "/" and ":" on Windows).
bool path_separator(std::uint8_t byte);
// True for a byte that no file name may hold: separators, the zero byte and other control
// bytes, and the pattern characters "*" and "?". The control bytes that mark the forms of
// characters code page 437 lacks (platform/text_forms.h) are judged by name_text_holdable.
bool file_name_byte_forbidden(std::uint8_t byte);
// Whether every control byte of the text starts the whole form of a character that this
// system's names can hold (any character or byte on POSIX, any UTF-16 unit on Windows), so that
// the text converts to a name and back unchanged. The other bytes are not judged here.
bool name_text_holdable(std::string_view text);
// Whether the text can stand inside a file's own name: holdable as above, and no character of it
// a separator, a control character, "*", "?" or another that file_name_byte_forbidden names.
bool name_part_holdable(std::string_view part);
