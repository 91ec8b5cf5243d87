#include "text/text_value.h"

#include <string>

#include "fakes/runtime_fixture.h"
#include "fakes/test_text.h"

namespace {

class TextValueTest : public RuntimeFixture {};

TEST_F(TextValueTest, ComparisonIsBytewiseAndUnsigned) {
  struct Case {
    std::string left, right;
    int want;
  };
  const Case cases[] = {
      {"", "", 0},      {"", "a", -1},     {"AB", "ABC", -1}, {"ABC", "ABD", -1},
      {"a", "Z", 1},    {"S", "s", -1},    {"\xff", "\x01", 1}, {"same", "same", 0},
      {std::string("a\0b", 3), std::string("a\0c", 3), -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(txt_compare(text(c.left), text(c.right)), c.want) << c.left << " vs " << c.right;
    EXPECT_EQ(txt_compare(text(c.right), text(c.left)), -c.want);
  }
}

TEST_F(TextValueTest, ZeroBytesAreKeptCountedAndJoined) {
  const std::string with_zero("a\0b", 3);
  TextValue joined = txt_concat(text(with_zero), text(std::string(1, '\0')));
  EXPECT_EQ(txt_length(joined), 4u);
  EXPECT_EQ(bytes(joined), std::string("a\0b\0", 4));
}

TEST_F(TextValueTest, EmptyTextsHaveNoStorage) {
  const std::int64_t before = txt_live_count();
  TextValue joined = txt_concat(text(""), text(""));
  EXPECT_TRUE(joined.empty());
  EXPECT_EQ(joined.data(), nullptr);
  EXPECT_EQ(txt_live_count(), before);
  EXPECT_EQ(bytes(txt_concat(text("abc"), text(""))), "abc");
}

TEST_F(TextValueTest, FixedFieldsPadWithSpacesAndCutLongTexts) {
  FixedText<13> field;
  txt_store_fixed(field, text("Tranchor v2.1"));
  EXPECT_EQ(bytes(txt_push_fixed(field)), "Tranchor v2.1");
  txt_store_fixed(field, text("ab"));
  EXPECT_EQ(bytes(txt_push_fixed(field)), "ab           ");
  EXPECT_EQ(txt_length(txt_push_fixed(field)), 13u);
  txt_store_fixed(field, text("01234567890123456789"));
  EXPECT_EQ(bytes(txt_push_fixed(field)), "0123456789012");
}

TEST_F(TextValueTest, AssignmentCopiesBorrowedTextsAndMovesTemporaries) {
  TextValue variable;
  TextValue other;
  txt_assign(variable, text("first"));
  txt_assign(other, variable);
  EXPECT_NE(other.data(), variable.data());
  EXPECT_EQ(bytes(other), "first");
  txt_assign(variable, variable);
  EXPECT_EQ(bytes(variable), "first");
  txt_assign(variable, text(""));
  EXPECT_TRUE(variable.empty());
}

TEST_F(TextValueTest, ReuseAssignmentKeepsStorageOfTheSameLength) {
  TextValue variable = text("abc");
  const unsigned char* storage = variable.data();
  TextValue same_length = text("xyz");
  txt_assign_reuse(variable, same_length);
  EXPECT_EQ(variable.data(), storage);
  EXPECT_EQ(bytes(variable), "xyz");
  TextValue longer = text("wxyz");
  txt_assign_reuse(variable, longer);
  EXPECT_EQ(bytes(variable), "wxyz");
}

TEST_F(TextValueTest, FromZeroTerminatedStopsAtTheZero) {
  EXPECT_EQ(bytes(txt_from_zstring("tail\0rest")), "tail");
  EXPECT_TRUE(txt_from_zstring("").empty());
}

TEST_F(TextValueTest, AllocationFailureRecordsSevenAndGivesTheEmptyText) {
  TextValue variable = text("old");
  const TextValue a = text("a");
  const TextValue b = text("b");
  txt_fail_allocations_after(0);
  TextValue joined = txt_concat(a, b);
  txt_assign(variable, joined);
  const TextValue field = txt_push_fixed(reinterpret_cast<const unsigned char*>("abc"), 3);
  txt_fail_allocations_after(-1);
  EXPECT_TRUE(joined.empty());
  EXPECT_TRUE(variable.empty());  // the previous text is released in any case
  EXPECT_TRUE(field.empty());
  EXPECT_EQ(frame.error_word, ERROR_PENDING | ERR_OUT_OF_MEMORY);
}

TEST_F(TextValueTest, NoTextOutlivesItsOwner) {
  const std::int64_t before = txt_live_count();
  {
    TextValue a = text("one");
    TextValue b = txt_concat(a, text("two"));
    txt_assign(a, b);
    txt_assign(b, text("three"));
  }
  EXPECT_EQ(txt_live_count(), before);
}

}  // namespace
