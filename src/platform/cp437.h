// Code page 437, the character set of every text byte inside the program, and the Unicode
// encodings the systems around it use: UTF-8 (terminals, POSIX file names) and UTF-16 (Windows).
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
// The byte from 32 up that stands for the character in text (the inverse of cp437_to_unicode);
// -1 when there is none. The pictures of the control bytes are no such characters.
int cp437_text_byte(char32_t character);

// The UTF-8 bytes of a character into out; gives how many (1 to 4). Never allocates.
std::size_t utf8_encode(char32_t character, char out[4]);
// Appends the UTF-8 form of a character.
void utf8_append(std::string& out, char32_t character);
// Appends the UTF-16 form of a character: one unit, or a surrogate pair from 0x10000 up.
void utf16_append(std::u16string& out, char32_t character);
// Decodes one UTF-8 character at the start of bytes. Gives the number of bytes it takes, 0 when
// more bytes are needed to tell, or -1 when the first byte does not start a valid character.
int utf8_decode(std::string_view bytes, char32_t& character);
