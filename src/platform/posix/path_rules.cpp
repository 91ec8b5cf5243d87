#include "platform/path_rules.h"

bool path_separator(std::uint8_t byte) { return byte == '/'; }

bool file_name_byte_forbidden(std::uint8_t byte) {
  return path_separator(byte) || byte < 32 || byte == '*' || byte == '?';
}
