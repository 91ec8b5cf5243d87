// Which bytes separate directories and which no file name may hold, on Windows.
#include "platform/path_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(Win32PathRulesTest, BackslashSlashAndColonSeparate) {
  for (int byte = 0; byte < 256; ++byte) {
    const bool separator = byte == '\\' || byte == '/' || byte == ':';
    EXPECT_EQ(path_separator(static_cast<std::uint8_t>(byte)), separator) << byte;
  }
}

TEST(Win32PathRulesTest, ForbiddenBytesAreSeparatorsControlBytesAndTheReservedCharacters) {
  const std::string reserved = "\\/:*?<>|\"";
  for (int byte = 0; byte < 256; ++byte) {
    const bool forbidden = byte < 32 || reserved.find(static_cast<char>(byte)) != std::string::npos;
    EXPECT_EQ(file_name_byte_forbidden(static_cast<std::uint8_t>(byte)), forbidden) << byte;
  }
  // Bytes above 127 are characters of the code page, never refused.
  EXPECT_FALSE(file_name_byte_forbidden(0xFE));
  EXPECT_FALSE(file_name_byte_forbidden(0x84));
}

}  // namespace
