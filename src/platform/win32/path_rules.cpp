#include "platform/path_rules.h"

#include <string>

#include "platform/text_forms.h"

bool path_separator(std::uint8_t byte) { return byte == '\\' || byte == '/' || byte == ':'; }

bool file_name_byte_forbidden(std::uint8_t byte) {
  switch (byte) {
    case '*':
    case '?':
    case '<':
    case '>':
    case '|':
    case '"':
      return true;
    default:
      return path_separator(byte) || byte < 32;
  }
}

bool name_text_holdable(std::string_view text) {
  std::u16string units;
  return utf16_from_text(text, units);
}
