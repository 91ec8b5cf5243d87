#include "files/file_names.h"

#include <string>

#include "platform/path_rules.h"
#include "platform/text_forms.h"

std::uint32_t file_name_start(const TextValue& path) {
  for (std::uint32_t at = path.length; at > 0; --at) {
    if (path_separator(path.data()[at - 1])) return at + 1;
  }
  return 1;
}

std::uint32_t file_name_whole_prefix(const TextValue& text, std::uint32_t max_bytes) {
  return static_cast<std::uint32_t>(text_whole_prefix(txt_view(text), max_bytes));
}

bool file_name_part_usable(const TextValue& part) { return name_part_holdable(txt_view(part)); }

TextValue file_name_to_utf8(const TextValue& name) {
  std::string bytes;
  if (!utf8_from_text(txt_view(name), bytes)) return TextValue{};
  return txt_from_bytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

TextValue file_name_from_utf8(const TextValue& bytes) {
  const std::string text = text_from_utf8(txt_view(bytes));
  return txt_from_bytes(text.data(), static_cast<std::uint32_t>(text.size()));
}
