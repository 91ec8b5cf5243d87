#include "platform/path_rules.h"

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
