// Characters that code page 437 lacks, inside a text.
//
// Inside the program every text byte is a code-page-437 character. A file name may hold more:
// any Unicode character, and on POSIX any byte (a name need not be UTF-8); on Windows any
// UTF-16 unit, a lone surrogate included. Each such character or byte travels inside a text as a
// form of its own, made and read only by the platform layer, so that every name comes back out
// exactly as it came in. Names of ASCII and code-page-437 characters have no form in them: their
// bytes are those they always were.
//
// What a form stands for is a code: a Unicode character, or a surrogate value for what is none
// (0xDC80..0xDCFF: a byte 0x80..0xFF of a POSIX name that is not UTF-8; 0xD800..0xDFFF: a lone
// UTF-16 unit of a Windows name).
//
// A form is a marker byte followed by 1 to 3 payload bytes:
//   - The marker is a control byte 1..31, which no file name holds, and it alone tells the
//     form's length and meaning, so a form is read from its first byte:
//       1..11   2 bytes: one of eleven blocks of 64 codes, chosen for names (accented Latin,
//               Greek, Cyrillic, general punctuation, the non-UTF-8 bytes), plus 6 bits;
//       12..27  3 bytes: any code below 0x10000, 4 + 6 + 6 bits;
//       28..31  4 bytes: any code from 0x10000 up, 2 + 6 + 6 + 6 bits above 0x10000.
//   - Each payload byte carries 6 bits and is one of 64 bytes that no name operation looks at:
//     the box-drawing bytes 0xB0..0xDF and 16 symbols (0xA9, 0xAA, 0xEC, 0xEF, 0xF0..0xFB). None
//     is a dot, a separator, a blank, "*", "?", a letter or a digit, and case folding changes
//     none; a payload byte is never a control byte, so forms never overlap.
// So cutting a name after its first dot, appending ".N", comparing names without regard to
// case and searching for "NAME.*" all work on texts that hold forms. Forms are short: a Cyrillic
// or Greek letter takes 2 bytes, so one fits a field of 3 bytes; a CJK character takes 3, an
// emoji 4.
//
// Each code has exactly one spelling: the shortest form, and no form at all for a character
// that has a code-page-437 byte from 32 up. A control byte that starts no such spelling (a form
// cut short, or one spelled otherwise) is not a character of any name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr std::size_t TEXT_FORM_MAX_BYTES = 4;

// The codes of the bytes of a POSIX name that are not UTF-8: 0xDC80 + (byte - 0x80).
constexpr char32_t RAW_BYTE_CODES = 0xDC00;

// Appends the text of one code: its code-page-437 byte when it has one from 32 up, else its form.
void text_append_code(std::string& text, char32_t code);
// Reads the character at the start of the text: its byte count (1 for a plain byte, the form's
// length for a form), with its code in code. 0 for an empty text; -1 when the text starts with a
// zero byte or with a control byte that starts no form as text_append_code spells it.
int text_take_code(std::string_view text, char32_t& code);

// The length a form that starts with this byte has; 0 for a byte that starts none. (Whether the
// bytes after it make a whole form is text_take_code's question.)
std::size_t text_form_length(std::uint8_t first_byte);

// The bytes that the character at the start of the text takes: a whole form's length, else 1
// (any byte that starts no form counts as one character); 0 for an empty text.
std::size_t text_character_length(std::string_view text);
// The bytes that the last character of the text takes, counted as above.
std::size_t text_last_character_length(std::string_view text);
// The length of the longest start of the text, at most max bytes, that cuts no form.
std::size_t text_whole_prefix(std::string_view text, std::size_t max);

// The text of a name given as UTF-8 bytes; a byte that is not UTF-8 becomes the form of its raw
// code. The names of POSIX file systems and the keys of a terminal come this way.
std::string text_from_utf8(std::string_view bytes);
// The UTF-8 bytes (raw codes as their bytes) of a text; false when the text is not exactly what
// text_from_utf8 makes of some name without a zero byte.
bool utf8_from_text(std::string_view text, std::string& bytes);

// The same for UTF-16, the names of Windows: a lone surrogate unit becomes the form of its own
// value, and a text goes back only as the exact text of some name without a zero unit.
std::string text_from_utf16(std::u16string_view units);
bool utf16_from_text(std::string_view text, std::u16string& units);

// How many terminal cells the character takes where it is surely shown so: 1 for the narrow
// letters, digits, punctuation and symbols of the common alphabets, 2 for CJK and the wide
// emoji. 0 for everything else (combining marks, controls, raw bytes, characters whose width
// terminals disagree on): such a character is shown by STAND_IN.
int character_cells(char32_t code);
constexpr char32_t STAND_IN = 0xFFFD;  // the replacement character

// The characters of a text as a line of a terminal or a log shows them: each character once
// (STAND_IN for one that character_cells shows so), the pictures for control bytes that start
// no form, the code-page-437 glyphs for the other bytes. Never a control character.
std::u32string text_for_display(std::string_view text);
