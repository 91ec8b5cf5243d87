#include "platform/console_device.h"

#include <string>
#include <string_view>

#include "platform/text_forms.h"

void input_record_set_character(InputRecord& record, char32_t character) {
  record.more_count = 0;
  if (character < 32) {
    record.character = static_cast<std::uint8_t>(character);
    return;
  }
  std::string text;
  text_append_code(text, character);
  record.character = static_cast<std::uint8_t>(text[0]);
  record.more_count = static_cast<std::uint8_t>(text.size() - 1);
  for (std::size_t at = 1; at < text.size(); ++at) record.more[at - 1] = static_cast<std::uint8_t>(text[at]);
}

std::size_t ConsoleDevice::last_character_length(const std::uint8_t* text, std::size_t count) const {
  return text_last_character_length(std::string_view(reinterpret_cast<const char*>(text), count));
}
