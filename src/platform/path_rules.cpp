#include "platform/path_rules.h"

#include "platform/text_forms.h"

bool name_part_holdable(std::string_view part) {
  if (!name_text_holdable(part)) return false;
  std::size_t at = 0;
  while (at < part.size()) {
    char32_t code = 0;
    const int length = text_take_code(part.substr(at), code);
    if (length == 1 ? file_name_byte_forbidden(static_cast<std::uint8_t>(part[at])) : code < 32) return false;
    at += static_cast<std::size_t>(length);
  }
  return true;
}
