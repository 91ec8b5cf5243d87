#include "files/file_names.h"

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
