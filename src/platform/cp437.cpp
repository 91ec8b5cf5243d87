#include "platform/cp437.h"

namespace {

// Glyphs of the bytes 0..31 and 127..255; 32..126 are ASCII.
constexpr char32_t LOW_GLYPHS[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};

constexpr char32_t HIGH_GLYPHS[129] = {
    0x2302,  // 127
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

}  // namespace

char32_t cp437_glyph(std::uint8_t byte) {
  if (byte < 32) return LOW_GLYPHS[byte];
  if (byte < 127) return byte;
  return HIGH_GLYPHS[byte - 127];
}

char32_t cp437_to_unicode(std::uint8_t byte) {
  if (byte < 128) return byte;
  return HIGH_GLYPHS[byte - 127];
}

int cp437_text_byte(char32_t character) {
  if (character < 32) return -1;
  if (character < 128) return static_cast<int>(character);
  if (character > 0x25A0) return -1;  // beyond the last character of the code page
  // Index 0 is the glyph of 127, which stands for itself in text.
  for (int index = 1; index < 129; ++index) {
    if (HIGH_GLYPHS[index] == character) return index + 127;
  }
  return -1;
}

std::size_t utf8_encode(char32_t c, char out[4]) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

void utf8_append(std::string& out, char32_t c) {
  char bytes[4];
  out.append(bytes, utf8_encode(c, bytes));
}

void utf16_append(std::u16string& out, char32_t character) {
  if (character < 0x10000) {
    out += static_cast<char16_t>(character);
    return;
  }
  out += static_cast<char16_t>(0xD800 + ((character - 0x10000) >> 10));
  out += static_cast<char16_t>(0xDC00 + ((character - 0x10000) & 0x3FF));
}

int utf8_decode(std::string_view bytes, char32_t& character) {
  if (bytes.empty()) return 0;
  const auto first = static_cast<unsigned char>(bytes[0]);
  int length;
  char32_t value;
  if (first < 0x80) {
    character = first;
    return 1;
  } else if (first >= 0xC2 && first < 0xE0) {
    length = 2;
    value = first & 0x1F;
  } else if (first >= 0xE0 && first < 0xF0) {
    length = 3;
    value = first & 0x0F;
  } else if (first >= 0xF0 && first < 0xF5) {
    length = 4;
    value = first & 0x07;
  } else {
    return -1;
  }
  for (int i = 1; i < length; ++i) {
    if (static_cast<std::size_t>(i) >= bytes.size()) return 0;
    const auto next = static_cast<unsigned char>(bytes[i]);
    if ((next & 0xC0) != 0x80) return -1;
    value = (value << 6) | (next & 0x3F);
  }
  // Overlong forms and surrogates are not valid characters.
  if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
      (value >= 0xD800 && value <= 0xDFFF)) {
    return -1;
  }
  character = value;
  return length;
}
