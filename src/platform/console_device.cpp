#include "platform/console_device.h"

#include <string_view>

#include "platform/text_forms.h"

std::size_t ConsoleDevice::last_character_length(const std::uint8_t* text, std::size_t count) const {
  return text_last_character_length(std::string_view(reinterpret_cast<const char*>(text), count));
}
