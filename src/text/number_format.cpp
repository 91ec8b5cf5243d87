#include "text/number_format.h"

#include <cmath>

#include "text/number_parse.h"

namespace {

constexpr int MAX_DIGITS = 18;
constexpr int INFINITY_POINT_POSITION = 999;

// D + 1 decimal digits (values 0..9; the last one only decides the rounding) and the number of
// digits that stand before the point: the value is 0.d1d2... times ten to point_position.
struct DigitString {
  unsigned char digit[MAX_DIGITS + 2] = {};
  int point_position = 1;
};

// floor(b * log10 2), approximated from below as b * 19728 / 65536.
int estimate_decimal_exponent(int binary_exponent) {
  const long product = static_cast<long>(binary_exponent) * 19728;
  return static_cast<int>(product >= 0 ? product / 65536 : -((-product + 65535) / 65536));
}

DigitString digits_of(long double magnitude, int count) {
  DigitString out;
  int binary_exponent = 0;
  std::frexp(magnitude, &binary_exponent);  // magnitude = m * 2^exponent, 0.5 <= m < 1
  int e = estimate_decimal_exponent(binary_exponent - 1);

  // Eighteen digits in an integer: y between 10^17 and 10^18.
  long double y = std::nearbyint(num_scale_pow10(magnitude, 17 - e));
  if (y >= 1e18L) {
    y = std::nearbyint(y / 10);
    ++e;
  }
  if (y < 1e17L) {
    // The estimate runs one too high for some values just above a power of two below 1 (such
    // as 2^-681); scaling once more keeps all eighteen digits instead of a leading zero.
    --e;
    y = std::nearbyint(num_scale_pow10(magnitude, 17 - e));
    if (y >= 1e18L) {
      y = std::nearbyint(y / 10);
      ++e;
    }
  }

  unsigned char all[MAX_DIGITS + 2] = {};  // the two last digits stay 0, in reserve
  auto value = static_cast<unsigned long long>(y);
  for (int i = MAX_DIGITS - 1; i >= 0; --i) {
    all[i] = static_cast<unsigned char>(value % 10);
    value /= 10;
  }
  for (int i = 0; i <= count; ++i) out.digit[i] = all[i];

  // Half up on the extra digit, the carry running left through nines.
  if (out.digit[count] >= 5) {
    int i = count - 1;
    while (i >= 0 && out.digit[i] == 9) out.digit[i--] = 0;
    if (i < 0) {
      out.digit[0] = 1;
      ++e;
    } else {
      ++out.digit[i];
    }
  }
  out.digit[count] = 0;
  out.point_position = e + 1;
  return out;
}

struct Scratch {
  char bytes[32];
  std::uint32_t length = 0;
  void put(char byte) { bytes[length++] = byte; }
  void put_digits(const unsigned char* digits, int count) {
    for (int i = 0; i < count; ++i) put(static_cast<char>('0' + digits[i]));
  }
  void put_repeated(char byte, int count) {
    for (int i = 0; i < count; ++i) put(byte);
  }
  void put_decimal(int value) {
    char reversed[12];
    int n = 0;
    do {
      reversed[n++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (n > 0) put(reversed[--n]);
  }
};

}  // namespace

TextValue num_to_text(long double x, int digits) {
  const int count = digits < 1 ? 1 : (digits > MAX_DIGITS ? MAX_DIGITS : digits);
  bool negative = std::signbit(x);
  DigitString d;
  switch (std::fpclassify(x)) {
    case FP_ZERO:
    case FP_SUBNORMAL:
    case FP_NAN:
      negative = false;  // minus zero prints like zero; d holds zeros with the point after d1
      break;
    case FP_INFINITE:
      for (int i = 0; i < count; ++i) d.digit[i] = 9;
      d.point_position = INFINITY_POINT_POSITION;
      break;
    default:
      d = digits_of(std::fabs(x), count);
      break;
  }

  int significant = count;
  while (significant > 1 && d.digit[significant - 1] == 0) --significant;
  const int point = d.point_position;
  const int last_power = point - significant;  // power of ten of the last significant digit

  Scratch out;
  out.put(negative ? '-' : ' ');
  if (last_power == 0) {
    out.put_digits(d.digit, significant);
  } else if (last_power > 0 && point <= count) {
    out.put_digits(d.digit, significant);
    out.put_repeated('0', last_power);
  } else if (last_power < 0 && significant - point <= count) {
    if (point > 0) {
      out.put_digits(d.digit, point);
      out.put('.');
      out.put_digits(d.digit + point, significant - point);
    } else {
      out.put('.');
      out.put_repeated('0', -point);
      out.put_digits(d.digit, significant);
    }
  } else {
    out.put_digits(d.digit, 1);
    if (significant > 1) {
      out.put('.');
      out.put_digits(d.digit + 1, significant - 1);
    }
    out.put('E');
    out.put(point >= 1 ? '+' : '-');
    out.put_decimal(point >= 1 ? point - 1 : 1 - point);
  }
  return txt_from_bytes(out.bytes, out.length);
}

long double num_from_int32(std::int32_t value) { return value; }

long double num_from_uint32(std::uint32_t value) { return value; }

long double num_min(long double a, long double b) { return a < b ? a : b; }
