// Code page 437, the character set of every text byte inside the program, and UTF-8, the
// character set of the terminal and of file names on this system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The glyph a console shows for the byte: control bytes show as their pictures (7 is a bullet,
// 13 a note), 0 as a blank, 0xFE as a filled square.
char32_t cp437_glyph(std::uint8_t byte);
// The character the byte stands for in text (file names, typed characters): bytes below 32 and
// 127 stand for themselves.
char32_t cp437_to_unicode(std::uint8_t byte);
// The byte of code page 437 for a character, either form above; -1 when there is none.
int cp437_from_unicode(char32_t character);

// Appends the UTF-8 form of a character.
void utf8_append(std::string& out, char32_t character);
// Text bytes to UTF-8, for file names.
std::string cp437_to_utf8(std::string_view bytes);
// UTF-8 to text bytes. Characters without a byte in code page 437, and bytes that are not valid
// UTF-8, are kept as they are when they are single bytes and replaced by '?' otherwise;
// `exact` is set false when anything could not be converted.
std::string utf8_to_cp437(std::string_view utf8, bool* exact = nullptr);

// Decodes one UTF-8 character at the start of bytes. Gives the number of bytes it takes, 0 when
// more bytes are needed to tell, or -1 when the first byte does not start a valid character.
int utf8_decode(std::string_view bytes, char32_t& character);
