// Names on Windows are UTF-16: every name, lone surrogates included, comes back exactly.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/path_rules.h"
#include "platform/text_forms.h"

namespace {

TEST(WideNamesTest, RandomUtf16NamesComeBackExactly) {
  std::mt19937 random(2024);
  for (int round = 0; round < 20000; ++round) {
    std::u16string name;
    const int length = 1 + static_cast<int>(random() % 24);
    for (int i = 0; i < length; ++i) {
      // Any unit but zero; now and then a pair of surrogates, now and then a lone one.
      char16_t unit = 0;
      do {
        unit = static_cast<char16_t>(random() % (round % 3 == 0 ? 0x10000 : 0x800));
      } while (unit == 0);
      if (round % 5 == 0 && i % 4 == 0) {
        name += static_cast<char16_t>(0xD800 + random() % 0x400);
        name += static_cast<char16_t>(0xDC00 + random() % 0x400);
      }
      name += unit;
    }
    const std::string text = text_from_utf16(name);
    std::u16string back;
    ASSERT_TRUE(utf16_from_text(text, back)) << round;
    ASSERT_EQ(back, name) << round;
    ASSERT_TRUE(name_text_holdable(text)) << round;
  }
}

TEST(WideNamesTest, TwoLoneSurrogatesThatMakeAPairAreNoName) {
  // Side by side they would come back as the one character of the pair.
  std::string pair;
  text_append_code(pair, 0xD83C);
  text_append_code(pair, 0xDF89);
  std::u16string units;
  EXPECT_FALSE(utf16_from_text(pair, units));
  EXPECT_FALSE(name_text_holdable(pair));
  std::string character;
  text_append_code(character, 0x1F389);
  EXPECT_TRUE(utf16_from_text(character, units));
  EXPECT_EQ(units, u"\U0001F389");
}

}  // namespace
