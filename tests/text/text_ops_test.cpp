#include "text/text_ops.h"

#include <cstdint>
#include <string>

#include "fakes/runtime_fixture.h"
#include "fakes/test_text.h"

namespace {

class TextOpsTest : public RuntimeFixture {
 protected:
  void TearDown() override { txt_fail_allocations_after(-1); }
};

// The case table written out independently of the code under test.
std::uint8_t expected_upper(std::uint8_t b) {
  if (b >= 0x61 && b <= 0x7A) return static_cast<std::uint8_t>(b - 0x20);
  switch (b) {
    case 0x87: return 0x80;
    case 0x81: return 0x9A;
    case 0x82: return 0x90;
    case 0x84: return 0x8E;
    case 0x86: return 0x8F;
    case 0x94: return 0x99;
    case 0xA4: return 0xA5;
    default: return b;
  }
}

std::uint8_t expected_lower(std::uint8_t b) {
  if (b >= 0x41 && b <= 0x5A) return static_cast<std::uint8_t>(b + 0x20);
  switch (b) {
    case 0x80: return 0x87;
    case 0x9A: return 0x81;
    case 0x90: return 0x82;
    case 0x8E: return 0x84;
    case 0x8F: return 0x86;
    case 0x99: return 0x94;
    case 0xA5: return 0xA4;
    default: return b;
  }
}

TEST_F(TextOpsTest, CaseConversionExamples) {
  struct Case {
    std::string in, upper, lower;
  };
  const Case cases[] = {
      {"piece.dat", "PIECE.DAT", "piece.dat"}, {"gl\x84ser", "GL\x8eSER", "gl\x84ser"},
      {"\x91", "\x91", "\x91"}, {"\x92", "\x92", "\x92"},  // æ and Æ have no partner here
      {"HELP", "HELP", "help"}, {"\x9a", "\x9a", "\x81"}, {"", "", ""},
      {"@[`{", "@[`{", "@[`{"},  // the bytes that border the letters
      {std::string("a\0B", 3), std::string("A\0B", 3), std::string("a\0b", 3)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(bytes(txt_upper(text(c.in))), c.upper) << c.in;
    EXPECT_EQ(bytes(txt_lower(text(c.in))), c.lower) << c.in;
    const TextValue borrowed = text(c.in);
    EXPECT_EQ(bytes(txt_upper(borrowed)), c.upper);
    EXPECT_EQ(bytes(txt_lower(borrowed)), c.lower);
    EXPECT_EQ(bytes(borrowed), c.in);
  }
}

TEST_F(TextOpsTest, EveryByteFoldsByTheCaseTableAndStaysFolded) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string upper = bytes(txt_upper(text(all)));
  const std::string lower = bytes(txt_lower(text(all)));
  const std::string upper_then_lower = bytes(txt_lower(txt_upper(text(all))));
  const std::string lower_then_upper = bytes(txt_upper(txt_lower(text(all))));
  ASSERT_EQ(upper.size(), 256u);
  ASSERT_EQ(lower.size(), 256u);
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<std::uint8_t>(b);
    EXPECT_EQ(static_cast<std::uint8_t>(upper[b]), expected_upper(byte)) << b;
    EXPECT_EQ(static_cast<std::uint8_t>(lower[b]), expected_lower(byte)) << b;
    EXPECT_EQ(static_cast<std::uint8_t>(upper_then_lower[b]), expected_lower(byte)) << b;
    EXPECT_EQ(static_cast<std::uint8_t>(lower_then_upper[b]), expected_upper(byte)) << b;
    EXPECT_EQ(txt_upper_byte(byte), expected_upper(byte)) << b;
    EXPECT_EQ(txt_lower_byte(byte), expected_lower(byte)) << b;
  }
  EXPECT_EQ(bytes(txt_lower(txt_upper(text(upper_then_lower)))), upper_then_lower);
}

TEST_F(TextOpsTest, TrimmingRemovesSpacesOnly) {
  struct Case {
    std::string in, left, right;
  };
  const Case cases[] = {
      {"   12", "12", "   12"}, {" 12 ", "12 ", " 12"},    {"\x09" "12", "\x09" "12", "\x09" "12"},
      {"    ", "", ""},          {"ab  ", "ab  ", "ab"},    {"", "", ""},
      {"12\xff", "12\xff", "12\xff"}, {" a b ", "a b ", " a b"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(bytes(txt_trim_left(text(c.in))), c.left) << '\'' << c.in << '\'';
    EXPECT_EQ(bytes(txt_trim_right(text(c.in))), c.right) << '\'' << c.in << '\'';
    const TextValue borrowed = text(c.in);
    EXPECT_EQ(bytes(txt_trim_left(borrowed)), c.left);
    EXPECT_EQ(bytes(txt_trim_right(borrowed)), c.right);
    EXPECT_EQ(bytes(borrowed), c.in);
  }
}

// A text, a count, and what an operation gives.
struct CountCase {
  std::string in;
  std::uint32_t count;
  std::string want;
};

TEST_F(TextOpsTest, LeftAndMidCut) {
  const CountCase lefts[] = {
      {"name.", 4, "name"}, {"name.", 5, "name."}, {"name.", 6, "name."},
      {"name.", 0xFFFFFFFF, "name."}, {"name.", 0, ""}, {"", 3, ""},
  };
  for (const CountCase& c : lefts) {
    EXPECT_EQ(bytes(txt_left(text(c.in), c.count)), c.want) << c.in << ' ' << c.count;
    const TextValue borrowed = text(c.in);
    EXPECT_EQ(bytes(txt_left(borrowed, c.count)), c.want);
  }

  struct MidCase {
    std::string in;
    std::int32_t start;
    std::uint32_t count;
    std::string want;
  };
  const MidCase mids[] = {
      {"abc.de   ", 5, 3, "de "},  {"abc.de   ", 10, 3, ""},  {"abc.de   ", 0, 3, ""},
      {"abc.de   ", 9, 3, " "},    {"abc.de   ", 1, 0, ""},   {"abc.de   ", -1, 3, ""},
      {"abc.de   ", INT32_MIN, 3, ""}, {"abc.de   ", 2, 0xFFFFFFFF, "bc.de   "},
      {"abc", 1, 3, "abc"},        {"", 1, 1, ""},
  };
  for (const MidCase& c : mids) {
    EXPECT_EQ(bytes(txt_mid(text(c.in), c.start, c.count)), c.want) << c.start << ' ' << c.count;
    const TextValue borrowed = text(c.in);
    EXPECT_EQ(bytes(txt_mid(borrowed, c.start, c.count)), c.want);
  }
}

TEST_F(TextOpsTest, TemporariesThatStayComeBackWithoutACopy) {
  TextValue untrimmed = text("12");
  const unsigned char* storage = untrimmed.data();
  TextValue result = txt_trim_left(std::move(untrimmed));
  EXPECT_EQ(result.data(), storage);
  result = txt_trim_right(std::move(result));
  EXPECT_EQ(result.data(), storage);
  result = txt_left(std::move(result), 2);
  EXPECT_EQ(result.data(), storage);

  // A borrowed text is never given away: the result has storage of its own.
  const TextValue variable = text("12");
  const TextValue copy = txt_trim_left(variable);
  EXPECT_NE(copy.data(), variable.data());
  EXPECT_EQ(bytes(copy), "12");
  const TextValue whole = txt_left(variable, 9);
  EXPECT_NE(whole.data(), variable.data());
  EXPECT_EQ(bytes(whole), "12");

  // txt_mid always makes a new text, even of the whole operand.
  TextValue mid_operand = text("abc");
  const unsigned char* mid_storage = mid_operand.data();
  const TextValue mid = txt_mid(std::move(mid_operand), 1, 3);
  EXPECT_NE(mid.data(), mid_storage);
}

TEST_F(TextOpsTest, AllocationFailureLeavesTheTemporaryOperandInPlace) {
  using Op = TextValue (*)(TextValue&&);
  struct Case {
    const char* name;
    Op op;
    std::string in;
  };
  const Case cases[] = {
      {"upper", [](TextValue&& t) { return txt_upper(std::move(t)); }, "abc"},
      {"lower", [](TextValue&& t) { return txt_lower(std::move(t)); }, "ABC"},
      {"trim_left", [](TextValue&& t) { return txt_trim_left(std::move(t)); }, "  ab"},
      {"trim_right", [](TextValue&& t) { return txt_trim_right(std::move(t)); }, "ab  "},
      {"left", [](TextValue&& t) { return txt_left(std::move(t), 1); }, "abc"},
      {"mid", [](TextValue&& t) { return txt_mid(std::move(t), 2, 1); }, "abc"},
  };
  for (const Case& c : cases) {
    TextValue operand = text(c.in);
    const unsigned char* storage = operand.data();
    frame.error_word = 0;
    txt_fail_allocations_after(0);
    const TextValue result = c.op(std::move(operand));
    txt_fail_allocations_after(-1);
    EXPECT_EQ(bytes(result), c.in) << c.name;
    EXPECT_EQ(result.data(), storage) << c.name;
    EXPECT_EQ(frame.error_word, ERROR_PENDING | ERR_OUT_OF_MEMORY) << c.name;
  }
}

TEST_F(TextOpsTest, AllocationFailureGivesTheEmptyTextWhereNothingCanStay) {
  const TextValue borrowed = text("  abc  ");
  const std::int64_t before = txt_live_count();
  txt_fail_allocations_after(0);
  const TextValue results[] = {
      txt_upper(borrowed),      txt_lower(borrowed),    txt_trim_left(borrowed),
      txt_trim_right(borrowed), txt_left(borrowed, 1),  txt_mid(borrowed, 2, 2),
      txt_repeat(borrowed, 2),  txt_from_code(27),
  };
  txt_fail_allocations_after(-1);
  for (const TextValue& result : results) EXPECT_TRUE(result.empty());
  EXPECT_EQ(frame.error_word, ERROR_PENDING | ERR_OUT_OF_MEMORY);
  EXPECT_EQ(txt_live_count(), before);
  EXPECT_EQ(bytes(borrowed), "  abc  ");
}

TEST_F(TextOpsTest, RepeatFillsTheWholeResult) {
  const CountCase cases[] = {
      {"\xfe", 3, "\xfe\xfe\xfe"}, {"\xfe", 0, ""}, {"", 5, ""},
      {"ab", 3, "ababab"},        {"abc", 1, "abc"},
  };
  for (const CountCase& c : cases) EXPECT_EQ(bytes(txt_repeat(text(c.in), c.count)), c.want);

  std::string expected;
  for (int i = 0; i < 1001; ++i) expected += "xyz";
  EXPECT_EQ(bytes(txt_repeat(text("xyz"), 1001)), expected);
}

TEST_F(TextOpsTest, RepeatBeyondThirtyTwoBitsRecordsSevenAndGivesEmpty) {
  const TextValue two = text("ab");
  const std::int64_t before = txt_live_count();
  const TextValue result = txt_repeat(two, 0x80000000u);
  EXPECT_TRUE(result.empty());
  EXPECT_EQ(frame.error_word, ERROR_PENDING | ERR_OUT_OF_MEMORY);
  EXPECT_EQ(txt_live_count(), before);
}

TEST_F(TextOpsTest, FindGivesTheFirstPositionAtOrAfterStart) {
  struct Case {
    std::string searched, wanted;
    std::int32_t start;
    std::uint32_t want;
  };
  const Case cases[] = {
      {"file.txt", ".", 1, 5}, {"file", ".", 1, 0},      {"x.y.z", ".", 3, 4},
      {"abc", "", 2, 2},       {"", "", 1, 0},           {"abc", "abcd", 1, 0},
      {"abc", ".", 0, 0},      {"abc", "c", 4, 0},       {"abc", "c", 3, 3},
      {"abc", "", 4, 0},       {"abc", "b", -1, 0},      {"aab", "ab", 1, 2},
      {"abab", "ba", 3, 0},    {"abcabc", "bc", 3, 5},   {"abc", "bc", 1, 2},
      {"ab.", "b.", 1, 2},     {"aaa", "aa", 2, 2},      {"Abc", "a", 1, 0},
      {std::string("a\0b", 3), std::string(1, '\0'), 1, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(txt_find(text(c.searched), text(c.wanted), c.start), c.want)
        << '\'' << c.wanted << "' in '" << c.searched << "' from " << c.start;
  }
}

TEST_F(TextOpsTest, FromCodeTakesTheLowByte) {
  EXPECT_EQ(bytes(txt_from_code(27)), "\x1b");
  EXPECT_EQ(bytes(txt_from_code(0)), std::string(1, '\0'));
  EXPECT_EQ(bytes(txt_from_code(0x1FE)), "\xfe");
  EXPECT_EQ(bytes(txt_from_code(-1)), "\xff");
}

TEST_F(TextOpsTest, NoTextIsLeftBehind) {
  const std::int64_t before = txt_live_count();
  {
    TextValue name = text("  piece.dat  ");
    TextValue trimmed = txt_trim_right(txt_trim_left(txt_upper(std::move(name))));
    TextValue row = txt_repeat(txt_from_code(0xFE), 12);
    TextValue extension = txt_mid(txt_concat(trimmed, text("   ")), 7, 3);
    EXPECT_EQ(bytes(extension), "DAT");
    EXPECT_EQ(txt_find(trimmed, text("."), 1), 6u);
  }
  EXPECT_EQ(txt_live_count(), before);
}

}  // namespace
