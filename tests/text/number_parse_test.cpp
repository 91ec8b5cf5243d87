#include "text/number_parse.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "fakes/runtime_fixture.h"

namespace {

class NumberParseTest : public RuntimeFixture {};

long double parse(const std::string& bytes) { return num_from_text(txt_constant(bytes)); }

struct Case {
  std::string text;
  long double want;
};

// Compares exactly, minus zero apart from zero.
void expect_parses(const Case& c) {
  const long double got = parse(c.text);
  EXPECT_EQ(got, c.want) << '\'' << c.text << '\'';
  EXPECT_EQ(std::signbit(got), std::signbit(c.want)) << "sign of '" << c.text << '\'';
}

constexpr long double OVERFLOW_VALUE = 170141183460469231731687303715884105728.0L;  // 2^127

TEST_F(NumberParseTest, DecimalNumbers) {
  const Case cases[] = {
      {"1000", 1000},         {"  1000", 1000},      {"1000 bytes", 1000},   {"1,000", 1},
      {"1.44e6", 1440000},    {"1.44E+6", 1440000},  {"1.44d6", 1440000},    {"1.44D6", 1440000},
      {"5e", 5},              {"5e-", 5},            {"2E-3", 0.002L},       {".5", 0.5L},
      {"-.5", -0.5L},         {"1.2.3", 1.2L},       {"007", 7},             {"0.001", 0.001L},
      {"+5", 5},              {"5.", 5},             {"  -12", -12},         {"12\r", 12},
      {"1.5e-1", 0.15L},      {"1E+05", 100000},     {"1e5x", 100000},       {"1e+", 1},
      {"\t12", 12},           {"\n12", 12},          {" \t\n 12", 12},       {"100", 100},
      {"0.000123", 0.000123L}, {"4294967296", 4294967296.0L},
      {"999999999999999999", 999999999999999999.0L},
  };
  for (const Case& c : cases) expect_parses(c);
}

TEST_F(NumberParseTest, TextWithoutANumberGivesSignedZero) {
  const Case cases[] = {
      {"", 0.0L},      {"abc", 0.0L},      {"-", -0.0L},     {"+-1", 0.0L},
      {"- 1", -0.0L},  {"\r12", 0.0L},     {".", 0.0L},      {"..5", 0.0L},
      {"-abc", -0.0L}, {"-0", -0.0L},      {"0", 0.0L},      {"-0.000e5", -0.0L},
      {"0e99999", 0.0L}, {"--1", -0.0L},   {"-&H10", -0.0L}, {"+&H10", 0.0L},
      {"e5", 0.0L},    {"\r", 0.0L},
  };
  for (const Case& c : cases) expect_parses(c);
}

TEST_F(NumberParseTest, DigitsAfterTheEighteenthAreCutOffNotRounded) {
  const Case cases[] = {
      {"12345678901234567890", 12345678901234567800.0L},
      {"123456789012345678999", 123456789012345678000.0L},
      {"1234567890123456789.5", 1234567890123456780.0L},
      {"0.1234567890123456789", 0.123456789012345678L},
      {"000000000000000000000012", 12},  // leading zeros are not significant
      {"0." + std::string(26, '0') + "1", 1e-27L},
  };
  for (const Case& c : cases) expect_parses(c);
}

TEST_F(NumberParseTest, ExponentBoundsGiveTheOverflowValueOrZero) {
  const Case cases[] = {
      {"1e4932", OVERFLOW_VALUE},       {"-1e9999999", -OVERFLOW_VALUE},
      {"1e-5000", 0.0L},                {"0.1e4933", OVERFLOW_VALUE},
      {"10e4931", OVERFLOW_VALUE},      {"1e-4934", 0.0L},
      {"1" + std::string(5000, '0'), OVERFLOW_VALUE},
      {"-1" + std::string(4932, '0'), -OVERFLOW_VALUE},
  };
  for (const Case& c : cases) expect_parses(c);
  EXPECT_EQ(static_cast<float>(OVERFLOW_VALUE), std::ldexp(1.0f, 127));

  // Just inside the bounds the value is read.
  const long double big = parse("1e4931");
  EXPECT_TRUE(std::isfinite(big));
  EXPECT_NEAR(static_cast<double>(big / 1e4931L), 1.0, 1e-15);
  const long double many_digits = parse("1" + std::string(4931, '0'));
  EXPECT_NEAR(static_cast<double>(many_digits / 1e4931L), 1.0, 1e-15);
  const long double tiny = parse("1e-4933");
  EXPECT_GT(tiny, 0.0L);
  EXPECT_LT(tiny, std::numeric_limits<long double>::min());  // below the normal range
  EXPECT_GT(parse("0.01e-4931"), 0.0L);
}

TEST_F(NumberParseTest, ExponentStopsGrowingAt9999) {
  // 6000 zeros after the point put the first digit at 10^-6001; an exponent held at 9999 gives
  // 10^3998, one read in full (10005) would give 10^4004.
  const long double value = parse("." + std::string(6000, '0') + "1e10005");
  EXPECT_NEAR(static_cast<double>(value / 1e3998L), 1.0, 1e-15);
  expect_parses({"1e99999", OVERFLOW_VALUE});
}

TEST_F(NumberParseTest, BasedNumbers) {
  const Case cases[] = {
      {"&H10", 16},     {"&h1f", 31},     {"&B101", 5},      {"&O17", 15},       {"&Q17", 15},
      {"&17", 15},      {"&o17", 15},     {"&q17", 15},      {"&b11", 3},        {"&O18", 1},
      {"&H", 0},        {"&X1", 0},       {"&B", 0},         {"&B2", 0},         {"&H 1", 0},
      {"&H1g", 1},      {"  &H10", 16},   {"&hff", 255},     {"&HFFFF", -1},     {"&H8000", -32768},
      {"&H7FFF", 32767}, {"&H0FFFF", 65535}, {"&HFFFF&", 65535}, {"&HFFFF&&", 65535}, {"&HFFFF%", -1},
      {"&HFFFF?", 65535}, {"&H10000", 65536}, {"&HFFFFFFFF", -1}, {"&Hffffffff", -1},
      {"&H80000000", -2147483648.0L},    {"&HFFFFFFFF&", -1},              {"&HFFFFFFFF&&", 4294967295.0L},
      {"&H0FFFFFFFF", 4294967295.0L},    {"&HFFFFFFFF?", 4294967295.0L},   {"&H100000000", 4294967296.0L},
      {"&HFFFFFFFFFFFFFFFF", -1},        {"&H8000000000000000", -9223372036854775808.0L},
      {"&HFFFFFFFFFFFFFFFF?", 0},        {"&HFFFFFFFFFFFFFFFF???", 0},
      {"&H7FFFFFFFFFFFFFFF??", 9223372036854775807.0L},                     {"&H1????", 1},
      {"&H" + std::string(17, 'F'), 0},  {"&H" + std::string(17, 'F') + "?", 0},
      {"&H00000000000000001", 1},  // leading zeros shift out nothing
      {"&B1111111111111111", -1},        {"&O177777", -1},
      {"&O1777777777777777777777", -1},  // 64 bits exactly
      {"&O2000000000000000000000", 0},   // one bit too many
      {"&B1" + std::string(64, '0'), 0},
  };
  for (const Case& c : cases) expect_parses(c);
}

TEST_F(NumberParseTest, ScalingByPowersOfTen) {
  // Every power up to 10^27 is exact in the extended format, and so is the scaling.
  long double exact = 1;
  for (std::int32_t n = 0; n <= 27; ++n, exact *= 10) {
    EXPECT_EQ(num_scale_pow10(1, n), exact) << n;
    EXPECT_EQ(num_scale_pow10(exact, -n), 1) << n;
    EXPECT_EQ(num_scale_pow10(-3, n), -3 * exact) << n;
  }
  EXPECT_EQ(num_scale_pow10(1, -1), 0.1L);
  EXPECT_EQ(num_scale_pow10(1, -3), 0.001L);
  EXPECT_EQ(num_scale_pow10(2, 4096), 2e4096L);
  EXPECT_EQ(num_scale_pow10(1, 4096), 1e4096L);
  EXPECT_EQ(num_scale_pow10(1, -4096), 1 / 1e4096L);
  EXPECT_NEAR(static_cast<double>(num_scale_pow10(1, 4932) / 1e4932L), 1.0, 1e-15);
  EXPECT_NEAR(static_cast<double>(num_scale_pow10(1e-4000L, 4100) / 1e100L), 1.0, 1e-15);
}

TEST_F(NumberParseTest, ScalingBeyondTheRangeGivesInfinityOrZero) {
  const long double inf = std::numeric_limits<long double>::infinity();
  EXPECT_EQ(num_scale_pow10(1, 5000), inf);
  EXPECT_EQ(num_scale_pow10(-1, 99999), -inf);
  EXPECT_EQ(num_scale_pow10(1, INT32_MAX), inf);
  EXPECT_EQ(num_scale_pow10(1, -5000), 0.0L);
  EXPECT_EQ(num_scale_pow10(1, -99999), 0.0L);
  EXPECT_EQ(num_scale_pow10(1, INT32_MIN), 0.0L);
  // Zero stays zero whatever the power (not the NaN of 0 times infinity).
  EXPECT_EQ(num_scale_pow10(0, 99999), 0.0L);
  EXPECT_TRUE(std::signbit(num_scale_pow10(-0.0L, -99999)));
}

TEST_F(NumberParseTest, ParsingRecordsNoErrorAndReleasesNothingItDoesNotOwn) {
  const TextValue variable = txt_constant("1.44e6 bytes");
  const std::int64_t before = txt_live_count();
  EXPECT_EQ(num_from_text(variable), 1440000);
  EXPECT_EQ(num_from_text(txt_constant("&H" + std::string(20, 'F'))), 0);
  EXPECT_EQ(num_from_text(txt_constant("1e99999")), OVERFLOW_VALUE);
  EXPECT_EQ(frame.error_word, 0);
  EXPECT_EQ(txt_view(variable), "1.44e6 bytes");
  EXPECT_EQ(txt_live_count(), before);
}

}  // namespace
