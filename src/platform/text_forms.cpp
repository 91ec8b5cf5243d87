#include "platform/text_forms.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/cp437.h"

namespace {

// The first code of each 64-code block that a 2-byte form reaches, by marker 1..11.
constexpr char32_t SHORT_BLOCKS[] = {
    0x00C0,  // Latin-1 letters that code page 437 lacks (À, Ã, Ø, õ, ...)
    0x0100, 0x0140,  // Latin Extended-A (ą, č, ğ, ł, ő, š, ż, ...)
    0x0380, 0x03C0,  // Greek
    0x0400, 0x0440, 0x0480,  // Cyrillic
    0x2000,  // general punctuation: dashes, quotes, the narrow no-break space
    RAW_BYTE_CODES + 0x80, RAW_BYTE_CODES + 0xC0,  // bytes of names that are not UTF-8
};
constexpr int SHORT_MARKERS = sizeof SHORT_BLOCKS / sizeof SHORT_BLOCKS[0];  // markers 1..11
constexpr int MIDDLE_FIRST = SHORT_MARKERS + 1;  // 12..27: 3 bytes, codes below 0x10000
constexpr int LONG_FIRST = MIDDLE_FIRST + 16;    // 28..31: 4 bytes, codes from 0x10000 up
static_assert(LONG_FIRST + 4 == 32);

// The 64 payload bytes, by the 6 bits each one carries.
constexpr std::array<std::uint8_t, 64> make_payload_bytes() {
  std::array<std::uint8_t, 64> bytes{};
  for (int value = 0; value < 48; ++value) bytes[value] = static_cast<std::uint8_t>(0xB0 + value);
  const std::uint8_t symbols[16] = {0xA9, 0xAA, 0xEC, 0xEF, 0xF0, 0xF1, 0xF2, 0xF3,
                                    0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB};
  for (int value = 0; value < 16; ++value) bytes[48 + value] = symbols[value];
  return bytes;
}
constexpr std::array<std::uint8_t, 64> PAYLOAD_BYTES = make_payload_bytes();

// The 6 bits of each byte, -1 for a byte that is no payload byte.
constexpr std::array<std::int8_t, 256> make_payload_values() {
  std::array<std::int8_t, 256> values{};
  for (auto& value : values) value = -1;
  for (int value = 0; value < 64; ++value) values[PAYLOAD_BYTES[value]] = static_cast<std::int8_t>(value);
  return values;
}
constexpr std::array<std::int8_t, 256> PAYLOAD_VALUES = make_payload_values();

}  // namespace

std::size_t text_form_length(std::uint8_t byte) {
  if (byte == 0 || byte >= 32) return 0;
  if (byte < MIDDLE_FIRST) return 2;
  if (byte < LONG_FIRST) return 3;
  return 4;
}

namespace {

// The form of a code that has no code-page-437 byte; gives its length.
std::size_t make_form(char32_t code, std::uint8_t form[TEXT_FORM_MAX_BYTES]) {
  for (int block = 0; block < SHORT_MARKERS; ++block) {
    if (code >= SHORT_BLOCKS[block] && code < SHORT_BLOCKS[block] + 64) {
      form[0] = static_cast<std::uint8_t>(block + 1);
      form[1] = PAYLOAD_BYTES[code - SHORT_BLOCKS[block]];
      return 2;
    }
  }
  if (code < 0x10000) {
    form[0] = static_cast<std::uint8_t>(MIDDLE_FIRST + (code >> 12));
    form[1] = PAYLOAD_BYTES[(code >> 6) & 0x3F];
    form[2] = PAYLOAD_BYTES[code & 0x3F];
    return 3;
  }
  const char32_t above = code - 0x10000;
  form[0] = static_cast<std::uint8_t>(LONG_FIRST + (above >> 18));
  form[1] = PAYLOAD_BYTES[(above >> 12) & 0x3F];
  form[2] = PAYLOAD_BYTES[(above >> 6) & 0x3F];
  form[3] = PAYLOAD_BYTES[above & 0x3F];
  return 4;
}

struct Range {
  char32_t first, last;
};

// Characters that terminals agree take one cell (the code-page-437 characters among them have
// no form and are here only for completeness).
constexpr Range NARROW[] = {
    {0x0020, 0x007E}, {0x00A0, 0x00AC}, {0x00AE, 0x02FF}, {0x0370, 0x0377}, {0x037A, 0x037F},
    {0x0384, 0x038A}, {0x038C, 0x038C}, {0x038E, 0x03A1}, {0x03A3, 0x0482}, {0x048A, 0x052F},
    {0x0531, 0x0556}, {0x0559, 0x058A}, {0x10A0, 0x10C5}, {0x10D0, 0x10FF}, {0x1E00, 0x1EFF},
    {0x2010, 0x2027}, {0x2030, 0x205E}, {0x2070, 0x2071}, {0x2074, 0x208E}, {0x2090, 0x209C},
    {0x20A0, 0x20C0}, {0x2100, 0x218B}, {0x2190, 0x22FF}, {0x2302, 0x2302}, {0x2310, 0x2310},
    {0x2320, 0x2321}, {0x2500, 0x25FC}, {0x263A, 0x263C}, {0x2640, 0x2640}, {0x2642, 0x2642},
    {0x2660, 0x266B},
};

// Characters that terminals agree take two cells: CJK and the emoji shown as pictures.
constexpr Range WIDE[] = {
    {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x3096},   {0x309B, 0x30FF},
    {0x3105, 0x312F},   {0x3131, 0x318E},   {0x3190, 0x31E3},   {0x31F0, 0x321E},
    {0x3220, 0x3247},   {0x3250, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA48C},
    {0xA490, 0xA4C6},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE30, 0xFE52},
    {0xFF01, 0xFF60},   {0xFFE0, 0xFFE6},   {0x1F300, 0x1F320}, {0x1F32D, 0x1F335},
    {0x1F337, 0x1F37C}, {0x1F37E, 0x1F393}, {0x1F3A0, 0x1F3CA}, {0x1F3CF, 0x1F3D3},
    {0x1F3E0, 0x1F3F0}, {0x1F3F4, 0x1F3F4}, {0x1F3F8, 0x1F43E}, {0x1F440, 0x1F440},
    {0x1F442, 0x1F4FC}, {0x1F4FF, 0x1F53D}, {0x1F54B, 0x1F54E}, {0x1F550, 0x1F567},
    {0x1F57A, 0x1F57A}, {0x1F595, 0x1F596}, {0x1F5A4, 0x1F5A4}, {0x1F5FB, 0x1F64F},
    {0x1F680, 0x1F6C5}, {0x1F6CC, 0x1F6CC}, {0x1F6D0, 0x1F6D2}, {0x1F6EB, 0x1F6EC},
    {0x1F90D, 0x1F93A}, {0x1F93C, 0x1F945}, {0x1F947, 0x1F9FF}, {0x20000, 0x2FFFD},
    {0x30000, 0x3FFFD},
};

template <std::size_t N>
bool in_ranges(const Range (&ranges)[N], char32_t code) {
  for (const Range& range : ranges) {
    if (code >= range.first && code <= range.last) return true;
  }
  return false;
}

}  // namespace

void text_append_code(std::string& text, char32_t code) {
  const int byte = cp437_text_byte(code);
  if (byte >= 0) {
    text += static_cast<char>(byte);
    return;
  }
  if (code > 0x10FFFF) code = STAND_IN;  // no code comes from beyond Unicode
  std::uint8_t form[TEXT_FORM_MAX_BYTES];
  const std::size_t length = make_form(code, form);
  text.append(reinterpret_cast<const char*>(form), length);
}

int text_take_code(std::string_view text, char32_t& code) {
  if (text.empty()) return 0;
  const auto first = static_cast<std::uint8_t>(text[0]);
  if (first >= 32) {
    code = cp437_to_unicode(first);
    return 1;
  }
  const std::size_t length = text_form_length(first);
  if (length == 0 || text.size() < length) return -1;
  char32_t bits = 0;
  for (std::size_t at = 1; at < length; ++at) {
    const int value = PAYLOAD_VALUES[static_cast<std::uint8_t>(text[at])];
    if (value < 0) return -1;
    bits = bits << 6 | static_cast<char32_t>(value);
  }
  char32_t decoded;
  if (length == 2) {
    decoded = SHORT_BLOCKS[first - 1] + bits;
  } else if (length == 3) {
    decoded = static_cast<char32_t>(first - MIDDLE_FIRST) << 12 | bits;
  } else {
    decoded = 0x10000 + (static_cast<char32_t>(first - LONG_FIRST) << 18 | bits);
  }
  // Only the one spelling counts: a code with a byte of its own, or a shorter form, is no
  // character spelled this way.
  if (cp437_text_byte(decoded) >= 0) return -1;
  std::uint8_t form[TEXT_FORM_MAX_BYTES];
  if (make_form(decoded, form) != length) return -1;
  code = decoded;
  return static_cast<int>(length);
}

std::size_t text_character_length(std::string_view text) {
  char32_t code = 0;
  const int length = text_take_code(text, code);
  if (length > 0) return static_cast<std::size_t>(length);
  return text.empty() ? 0 : 1;
}

std::size_t text_last_character_length(std::string_view text) {
  // Read from the start: a byte that looks like payload may belong to a form or stand alone.
  std::size_t at = 0;
  std::size_t last = 0;
  while (at < text.size()) {
    last = text_character_length(text.substr(at));
    at += last;
  }
  return last;
}

std::size_t text_whole_prefix(std::string_view text, std::size_t max) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t length = text_character_length(text.substr(at));
    if (at + length > max) break;
    at += length;
  }
  return at;
}

namespace {

// Printable ASCII is the same bytes in UTF-8 and in text; most names are nothing else.
bool printable_ascii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char byte) { return byte >= 0x20 && byte <= 0x7E; });
}

}  // namespace

std::string text_from_utf8(std::string_view bytes) {
  if (printable_ascii(bytes)) return std::string(bytes);
  std::string text;
  text.reserve(bytes.size());
  std::size_t at = 0;
  while (at < bytes.size()) {
    char32_t character = 0;
    const int taken = utf8_decode(bytes.substr(at), character);
    if (taken > 0) {
      text_append_code(text, character);
      at += static_cast<std::size_t>(taken);
    } else {
      // Only bytes from 0x80 up fail to decode.
      text_append_code(text, RAW_BYTE_CODES + static_cast<std::uint8_t>(bytes[at]));
      ++at;
    }
  }
  return text;
}

namespace {

// Gives each character of a text that stands for a name to take, in order; false at a byte that
// starts no whole form, at a zero byte, or where take refuses the character.
template <typename Take>
bool take_name_codes(std::string_view text, Take take) {
  std::size_t at = 0;
  while (at < text.size()) {
    char32_t code = 0;
    const int length = text_take_code(text.substr(at), code);
    if (length <= 0 || code == 0 || !take(code)) return false;
    at += static_cast<std::size_t>(length);
  }
  return true;
}

}  // namespace

bool utf8_from_text(std::string_view text, std::string& bytes) {
  if (printable_ascii(text)) {
    bytes.assign(text);
    return true;
  }
  bytes.clear();
  const bool taken = take_name_codes(text, [&bytes](char32_t code) {
    if (code >= RAW_BYTE_CODES + 0x80 && code <= RAW_BYTE_CODES + 0xFF) {
      bytes += static_cast<char>(code - RAW_BYTE_CODES);
      return true;
    }
    if (code >= 0xD800 && code <= 0xDFFF) return false;
    utf8_append(bytes, code);
    return true;
  });
  if (!taken) return false;
  // Raw bytes side by side may spell a character of their own, which would come back as that
  // character: such a text stands for no name.
  return text_from_utf8(bytes) == text;
}

std::string text_from_utf16(std::u16string_view units) {
  std::string text;
  text.reserve(units.size());
  for (std::size_t at = 0; at < units.size(); ++at) {
    const char32_t unit = units[at];
    if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < units.size() && units[at + 1] >= 0xDC00 &&
        units[at + 1] <= 0xDFFF) {
      text_append_code(text, 0x10000 + ((unit - 0xD800) << 10) + (units[at + 1] - 0xDC00));
      ++at;
    } else {
      text_append_code(text, unit);
    }
  }
  return text;
}

bool utf16_from_text(std::string_view text, std::u16string& units) {
  units.clear();
  const bool taken = take_name_codes(text, [&units](char32_t code) {
    utf16_append(units, code);
    return true;
  });
  if (!taken) return false;
  // Two lone surrogates side by side make a pair, which would come back as one character.
  return text_from_utf16(units) == text;
}

std::u32string text_for_display(std::string_view text) {
  std::u32string shown;
  shown.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    char32_t code = 0;
    const int length = text_take_code(text.substr(at), code);
    if (length > 1) {
      shown += character_cells(code) > 0 ? code : STAND_IN;
      at += static_cast<std::size_t>(length);
    } else {
      shown += cp437_glyph(static_cast<std::uint8_t>(text[at]));
      ++at;
    }
  }
  return shown;
}

int character_cells(char32_t code) {
  if (in_ranges(NARROW, code)) return 1;
  if (in_ranges(WIDE, code)) return 2;
  return 0;
}
