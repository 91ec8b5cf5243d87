#include "platform/path_rules.h"

#include <string>

#include "platform/text_forms.h"

bool path_separator(std::uint8_t byte) { return byte == '/'; }

bool file_name_byte_forbidden(std::uint8_t byte) {
  return path_separator(byte) || byte < 32 || byte == '*' || byte == '?';
}

bool name_text_holdable(std::string_view text) {
  std::string bytes;
  return utf8_from_text(text, bytes);
}
