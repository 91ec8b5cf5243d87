// Names inside the program: code-page-437 bytes, and forms for what the code page lacks. Every
// name comes back exactly, and the name operations of the services keep working on forms.
#include "platform/text_forms.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/cp437.h"
#include "platform/path_rules.h"
#include "platform/posix/name_rules.h"
#include "text/text_ops.h"

namespace {

std::string text_of(char32_t code) {
  std::string text;
  text_append_code(text, code);
  return text;
}

TEST(TextFormsTest, RandomNamesComeBackExactly) {
  // Any bytes but the zero byte, and any characters written as UTF-8: name -> text -> name.
  std::mt19937 random(2024);
  for (int round = 0; round < 20000; ++round) {
    std::string name;
    const int length = 1 + static_cast<int>(random() % 24);
    for (int i = 0; i < length; ++i) {
      if (round % 2 == 0) {
        name += static_cast<char>(1 + random() % 255);
      } else {
        char32_t character = 0;
        do {
          // Mostly from the first planes, where names' characters live, but from all of them.
          character = static_cast<char32_t>(random() % (i % 3 == 0 ? 0x110000 : 0x3000));
        } while (character == 0 || (character >= 0xD800 && character <= 0xDFFF));
        utf8_append(name, character);
      }
    }
    const std::string text = text_from_utf8(name);
    std::string back;
    ASSERT_TRUE(utf8_from_text(text, back)) << round;
    ASSERT_EQ(back, name) << round;
    ASSERT_EQ(text.find('\0'), std::string::npos);
  }
}

TEST(TextFormsTest, EveryCodeHasOneSpellingReadFromItsFirstByte) {
  for (char32_t code = 0; code <= 0x10FFFF; ++code) {
    const std::string text = text_of(code);
    char32_t back = 0;
    const auto number = static_cast<unsigned>(code);
    ASSERT_EQ(text_take_code(text, back), static_cast<int>(text.size())) << number;
    ASSERT_EQ(static_cast<unsigned>(back), number);
    if (text.size() > 1) {
      ASSERT_EQ(text_form_length(static_cast<std::uint8_t>(text[0])), text.size()) << number;
    }
  }
}

TEST(TextFormsTest, NamesThatWorkedBeforeKeepTheirBytes) {
  // ASCII and the characters of code page 437 are their one byte, as they always were.
  for (int byte = 32; byte < 256; ++byte) {
    EXPECT_EQ(text_of(cp437_to_unicode(static_cast<std::uint8_t>(byte))), std::string(1, static_cast<char>(byte)));
  }
  EXPECT_EQ(text_from_utf8("DATA.ZIP"), "DATA.ZIP");
  EXPECT_EQ(text_from_utf8("\xC3\xA9t\xC3\xA9 \xE2\x96\xA0.txt"), "\x82t\x82 \xFE.txt");
}

TEST(TextFormsTest, FormsAreShortAndHoldNothingTheNameOperationsLookAt) {
  struct Case {
    char32_t code;
    std::size_t length;
  };
  const Case cases[] = {
      {U'\u0416', 2},     {U'\u044f', 2},     {U'\u03b2', 2},      {U'\u00c0', 2},  {U'\u0142', 2},
      {U'\u2014', 2},     {RAW_BYTE_CODES + 0xFF, 2}, {RAW_BYTE_CODES + 0x80, 2},   {U'\u65e5', 3},
      {U'\u263a', 3},     {1, 3},             {U'\u2302', 3},      {U'\uFF21', 3},  {U'\U0001F389', 4},
      {U'\U0010FFFF', 4},
  };
  for (const Case& c : cases) {
    const std::string form = text_of(c.code);
    EXPECT_EQ(form.size(), c.length) << static_cast<unsigned>(c.code);
    EXPECT_LT(static_cast<std::uint8_t>(form[0]), 32);
    for (std::size_t at = 1; at < form.size(); ++at) {
      const auto byte = static_cast<std::uint8_t>(form[at]);
      EXPECT_GE(byte, 128) << "no ASCII: no dot, separator, blank, wildcard, letter or digit";
      EXPECT_EQ(txt_upper_byte(byte), byte);
      EXPECT_EQ(txt_lower_byte(byte), byte);
      EXPECT_FALSE(file_name_byte_forbidden(byte));
    }
  }
  // Case-blind comparison folds the letters around forms and never a form's bytes.
  EXPECT_TRUE(same_name("a" + text_of(U'\u0416') + ".TXT", "A" + text_of(U'\u0416') + ".txt"));
  EXPECT_FALSE(same_name(text_of(U'\u0416'), text_of(U'\u0417')));
}

TEST(TextFormsTest, OnlyWholeFormsSpelledOneWayAreCharacters) {
  const std::string zhe = text_of(U'\u0416');
  const std::string sun = text_of(U'\u65e5');
  struct Case {
    const char* what;
    std::string text;
    bool name;            // the text of a name
    std::size_t first;    // text_character_length
    std::size_t last;     // text_last_character_length
    std::size_t prefix3;  // text_whole_prefix(text, 3)
  };
  const Case cases[] = {
      {"plain", "abcd", true, 1, 1, 3},
      {"forms", zhe + sun, true, 2, 3, 2},
      {"form cut short", sun.substr(0, 2), false, 1, 1, 2},
      {"a marker alone", "\x01" "a", false, 1, 1, 2},
      {"a zero byte", std::string("a\0b", 3), false, 1, 1, 3},
      {"a longer spelling of a code that has a shorter one", "\x0c\xc0\xc6", false, 1, 1, 3},  // Ж
      {"a form of a code page 437 character", "\x0c\xb1\xb1", false, 1, 1, 3},  // A
      {"a payload byte alone is a box glyph", "\xB3" + zhe, true, 1, 2, 3},
      {"empty", "", true, 0, 0, 0},
  };
  for (const Case& c : cases) {
    std::string bytes;
    EXPECT_EQ(utf8_from_text(c.text, bytes), c.name) << c.what;
    EXPECT_EQ(name_text_holdable(c.text), c.name) << c.what;
    EXPECT_EQ(text_character_length(c.text), c.first) << c.what;
    EXPECT_EQ(text_last_character_length(c.text), c.last) << c.what;
    EXPECT_EQ(text_whole_prefix(c.text, 3), c.prefix3) << c.what;
  }
  // Raw bytes that spell a character together stand for no name: it would come back as that
  // character.
  std::string bytes;
  EXPECT_FALSE(utf8_from_text(text_of(RAW_BYTE_CODES + 0xC3) + text_of(RAW_BYTE_CODES + 0xA9), bytes));
  EXPECT_FALSE(utf8_from_text(text_of(0xD800), bytes));
}

TEST(TextFormsTest, CharactersTakeTheCellsTerminalsAgreeOn) {
  struct Case {
    char32_t code;
    int cells;
  };
  const Case cases[] = {{U'a', 1},        {U'\u0416', 1},      {U'\u03a9', 1},  {U'\u2014', 1}, {U'\u263a', 1},
                        {U'\u65e5', 2},   {U'\uAC00', 2},      {U'\uFF21', 2},  {U'\U0001F389', 2},
                        {U'\u0301', 0},   {1, 0},              {U'\u200B', 0},  {RAW_BYTE_CODES + 0xFF, 0},
                        {U'\u05D0', 0},   {U'\U0001F321', 0}};
  for (const Case& c : cases) EXPECT_EQ(character_cells(c.code), c.cells) << static_cast<unsigned>(c.code);
}

}  // namespace
