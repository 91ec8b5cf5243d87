#include "text/number_format.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "fakes/runtime_fixture.h"
#include "text/number_parse.h"
#include "text/text_ops.h"

namespace {

class NumberFormatTest : public RuntimeFixture {
 protected:
  void TearDown() override { txt_fail_allocations_after(-1); }
};

std::string format(long double x, int digits = 7) {
  return std::string(txt_view(num_to_text(x, digits)));
}

struct Case {
  long double value;
  std::string want;
};

TEST_F(NumberFormatTest, SevenDigitLayouts) {
  const Case cases[] = {
      {0, " 0"},              {-0.0L, " 0"},            {1, " 1"},                 {-1, "-1"},
      {32767, " 32767"},      {-32768, "-32768"},       {1234567, " 1234567"},     {12345678, " 1.234568E+7"},
      {10000000, " 1E+7"},    {1200000, " 1200000"},    {0.5L, " .5"},             {-0.25L, "-.25"},
      {1.5L, " 1.5"},         {123.4567L, " 123.4567"}, {0.0000001L, " .0000001"}, {0.00000001L, " 1E-8"},
      {0.1234567L, " .1234567"}, {9999999.5L, " 1E+7"}, {2.5L, " 2.5"},
      {0.01234567L, " 1.234567E-2"},
      {1e20L, " 1E+20"},      {1e100L, " 1E+100"},      {1.5e-300L, " 1.5E-300"},  {100, " 100"},
      {-1e20L, "-1E+20"},     {0.1L, " .1"},            {1.0L / 3, " .3333333"},   {2.0L / 3, " .6666667"},
      {99999995, " 1E+8"},    {1234567.5L, " 1234568"}, {0.00012L, " .00012"},
      {4294967295.0L, " 4.294967E+9"}, {0.00001234567L, " 1.234567E-5"}, {0.000001234567L, " 1.234567E-6"},
  };
  for (const Case& c : cases) EXPECT_EQ(format(c.value), c.want) << static_cast<double>(c.value);
}

TEST_F(NumberFormatTest, ValuesAtTheEdgesOfTheFormat) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const Case cases[] = {
      {inf, " 9.999999E+998"},
      {-inf, "-9.999999E+998"},
      {std::numeric_limits<long double>::quiet_NaN(), " 0"},
      {-std::numeric_limits<long double>::quiet_NaN(), " 0"},
      {std::numeric_limits<long double>::denorm_min(), " 0"},
      {-std::numeric_limits<long double>::denorm_min(), " 0"},
      {std::numeric_limits<long double>::max(), " 1.189731E+4932"},
      {std::numeric_limits<long double>::min(), " 3.362103E-4932"},
      {-std::numeric_limits<long double>::min(), "-3.362103E-4932"},
      // Just above a power of two the first decimal estimate is one too high; all seven digits
      // are still there.
      {std::ldexp(1.0L, -681), " 9.967195E-206"},
      {std::ldexp(1.0L, -877), " 9.924161E-265"},
      {std::ldexp(1.0L, -16374), " 8.606984E-4930"},
      {NUM_OVERFLOW_VALUE, " 1.701412E+38"},
  };
  for (const Case& c : cases) EXPECT_EQ(format(c.value), c.want) << static_cast<double>(c.value);
}

TEST_F(NumberFormatTest, EveryDecimalExponentOfTheRangeKeepsItsDigits) {
  // 1.5 times every power of ten that the format holds: the digits are always "1.5".
  for (int power = -4931; power <= 4931; ++power) {
    const std::string text = format(num_scale_pow10(1.5L, power));
    std::string want;
    if (power == 0) {
      want = " 1.5";
    } else if (power >= 1 && power <= 6) {
      want = " 15" + std::string(power - 1, '0');
    } else if (power >= -6 && power <= -1) {
      want = " ." + std::string(-power - 1, '0') + "15";
    } else {
      want = std::string(" 1.5E") + (power > 0 ? "+" : "-") + std::to_string(std::abs(power));
    }
    ASSERT_EQ(text, want) << power;
  }
}

TEST_F(NumberFormatTest, DigitCountFrom1To18) {
  struct DigitsCase {
    long double value;
    int digits;
    std::string want;
  };
  const DigitsCase cases[] = {
      {1234567, 3, " 1.23E+6"}, {2.5L, 1, " 3"},          {0.5L, 1, " .5"},       {9.5L, 1, " 1E+1"},
      {123456789012345678.0L, 18, " 123456789012345678"}, {999999999999999999.0L, 18, " 999999999999999999"},
      {1e18L, 18, " 1E+18"},    {0.125L, 2, " .13"},      {0.125L, 18, " .125"},  {12345678, 8, " 12345678"},
      {12345678, 0, " 1E+7"},       // held to 1 digit
      {12345678, 40, " 12345678"},  // held to 18 digits
      {1.0L / 3, 18, " .333333333333333333"},
  };
  for (const DigitsCase& c : cases) {
    EXPECT_EQ(format(c.value, c.digits), c.want) << static_cast<double>(c.value) << " / " << c.digits;
  }
}

TEST_F(NumberFormatTest, IntegersReadBackThroughTheirText) {
  for (std::int32_t n = -40000; n <= 40000; ++n) {
    const TextValue text = num_to_text(num_from_int32(n));
    const std::string want = (n < 0 ? "-" : " ") + std::to_string(n < 0 ? -n : n);
    ASSERT_EQ(txt_view(text), want) << n;
    ASSERT_EQ(num_from_text(text), n) << n;
  }
}

TEST_F(NumberFormatTest, PieceNumberTrimmedForANameHasNoBlank) {
  EXPECT_EQ(txt_view(txt_trim_left(num_to_text(7))), "7");
  EXPECT_EQ(txt_view(txt_trim_left(num_to_text(32767))), "32767");
}

TEST_F(NumberFormatTest, WideningAndMinimum) {
  EXPECT_EQ(num_from_uint32(0xFFFFFFFFu), 4294967295.0L);
  EXPECT_EQ(num_from_int32(static_cast<std::int32_t>(0xFFFFFFFFu)), -1.0L);
  EXPECT_EQ(num_from_int32(INT32_MIN), -2147483648.0L);
  EXPECT_EQ(num_from_uint32(0), 0.0L);
  EXPECT_EQ(num_min(32750, 100000), 32750);
  EXPECT_EQ(num_min(100000, 32750), 32750);
  EXPECT_EQ(num_min(5, 5), 5);
  EXPECT_EQ(num_min(-1, 0), -1);
  // Equal values give the second; a NaN first operand gives the second too.
  EXPECT_FALSE(std::signbit(num_min(-0.0L, 0.0L)));
  EXPECT_EQ(num_min(std::numeric_limits<long double>::quiet_NaN(), 3), 3);
}

TEST_F(NumberFormatTest, AllocationFailureRecordsSevenAndGivesTheEmptyText) {
  const std::int64_t before = txt_live_count();
  txt_fail_allocations_after(0);
  const TextValue text = num_to_text(12345);
  txt_fail_allocations_after(-1);
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(frame.error_word, ERROR_PENDING | ERR_OUT_OF_MEMORY);
  EXPECT_EQ(txt_live_count(), before);
}

}  // namespace
