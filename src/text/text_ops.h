// Text operations: case folding, trimming, cutting, repeating, searching and one-byte texts.
//
// Each reshaping operation comes in two forms. The form that takes a temporary (TextValue&&)
// consumes it and gives it back unchanged, without a copy, wherever the operand stays as it was:
// a trim with nothing to trim, txt_left with a count at or above the length, and an allocation
// failure in case conversion, trimming, txt_left or txt_mid. The form that reads a borrowed text
// (const TextValue&) leaves it untouched and always gives a text of its own, a copy where the
// operand stays.
//
// A text that cannot be allocated records error 7 (ERR_OUT_OF_MEMORY) in the running routine's
// frame. No operation reports a bad count or position: every value has a result.
#pragma once

#include <cstdint>

#include "text/text_value.h"

// Case table: a..z <-> A..Z and seven code-page-437 letter pairs (ç/Ç 87/80, ü/Ü 81/9A,
// é/É 82/90, ä/Ä 84/8E, å/Å 86/8F, ö/Ö 94/99, ñ/Ñ A4/A5). Every other byte passes unchanged.
std::uint8_t txt_upper_byte(std::uint8_t byte);
std::uint8_t txt_lower_byte(std::uint8_t byte);

TextValue txt_upper(TextValue&& top);
TextValue txt_upper(const TextValue& top);
TextValue txt_lower(TextValue&& top);
TextValue txt_lower(const TextValue& top);

// Only the space byte 0x20 is trimmed; TAB and other bytes stay. Spaces only give ''.
TextValue txt_trim_left(TextValue&& top);
TextValue txt_trim_left(const TextValue& top);
TextValue txt_trim_right(TextValue&& top);
TextValue txt_trim_right(const TextValue& top);

// The first count bytes; the whole text when count >= length.
TextValue txt_left(TextValue&& top, std::uint32_t count);
TextValue txt_left(const TextValue& top, std::uint32_t count);

// At most count bytes from byte number start (1-based) on; '' when start < 1 or start lies past
// the end. Always a new text, except that the temporary form gives its operand back when the
// new text cannot be allocated.
TextValue txt_mid(TextValue&& top, std::int32_t start, std::uint32_t count);
TextValue txt_mid(const TextValue& top, std::int32_t start, std::uint32_t count);

// The text repeated count times. A result longer than 32 bits can count records 7 and gives ''.
TextValue txt_repeat(const TextValue& top, std::uint32_t count);

// The 1-based position of the first occurrence of wanted in searched at or after start, or 0.
// 0 as well when searched is empty or start lies outside 1..length; an empty wanted is found
// at start.
std::uint32_t txt_find(const TextValue& searched, const TextValue& wanted, std::int32_t start);

// A one-byte text holding the low 8 bits of code.
TextValue txt_from_code(std::int32_t code);
