#include "text/number_parse.h"

#include <cmath>
#include <limits>

namespace {

// Decimal exponents of this size or beyond are out of the extended format's reach.
constexpr std::int64_t DECIMAL_EXPONENT_LIMIT = 4933;
constexpr std::int32_t EXPONENT_CAP = 9999;
constexpr int COLLECTED_DIGITS = 18;  // 10^18 - 1 still fits a 64-bit integer exactly

constexpr long double SMALL_POWERS[8] = {1.0L, 10.0L, 100.0L, 1000.0L,
                                         10000.0L, 100000.0L, 1000000.0L, 10000000.0L};
// Ten to the power 8 times 2^i, each the nearest extended-precision value.
constexpr long double LARGE_POWERS[10] = {1e8L,   1e16L,  1e32L,   1e64L,   1e128L,
                                          1e256L, 1e512L, 1e1024L, 1e2048L, 1e4096L};
constexpr std::int32_t LARGEST_POWER = 4096;

struct Reader {
  const unsigned char* bytes;
  std::uint32_t length;
  std::uint32_t at = 0;

  bool more() const { return at < length; }
  unsigned char peek() const { return bytes[at]; }
  bool take(unsigned char byte) {
    if (!more() || peek() != byte) return false;
    ++at;
    return true;
  }
};

bool is_digit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

long double signed_zero(bool negative) { return negative ? -0.0L : 0.0L; }

long double read_decimal(Reader& in) {
  bool negative = false;
  if (in.more() && (in.peek() == '+' || in.peek() == '-')) {
    negative = in.peek() == '-';
    ++in.at;
  }

  std::uint64_t mantissa = 0;
  int collected = 0;
  std::int64_t point_position = 0;  // digits before the point, from the first significant one
  bool any_digit = false;
  bool significant = false;
  bool seen_point = false;
  while (in.more()) {
    const unsigned char byte = in.peek();
    if (is_digit(byte)) {
      any_digit = true;
      const unsigned digit = byte - '0';
      if (!significant && digit == 0) {
        if (seen_point) --point_position;  // a zero between the point and the first digit
      } else {
        significant = true;
        if (collected < COLLECTED_DIGITS) {
          mantissa = mantissa * 10 + digit;
          ++collected;
        }
        if (!seen_point) ++point_position;
      }
    } else if (byte == '.' && !seen_point) {
      seen_point = true;
    } else {
      break;
    }
    ++in.at;
  }
  if (!any_digit) return signed_zero(negative);

  std::int32_t exponent = 0;
  if (in.more() && (in.peek() == 'E' || in.peek() == 'e' || in.peek() == 'D' || in.peek() == 'd')) {
    ++in.at;
    bool exponent_negative = false;
    if (in.more() && (in.peek() == '+' || in.peek() == '-')) {
      exponent_negative = in.peek() == '-';
      ++in.at;
    }
    while (in.more() && is_digit(in.peek())) {
      exponent = exponent * 10 + (in.peek() - '0');
      if (exponent > EXPONENT_CAP) exponent = EXPONENT_CAP;
      ++in.at;
    }
    if (exponent_negative) exponent = -exponent;
  }

  if (!significant) return signed_zero(negative);
  const std::int64_t decimal_exponent = point_position + exponent;
  if (decimal_exponent >= DECIMAL_EXPONENT_LIMIT) {
    return negative ? -NUM_OVERFLOW_VALUE : NUM_OVERFLOW_VALUE;
  }
  if (decimal_exponent <= -DECIMAL_EXPONENT_LIMIT) return 0.0L;
  const long double value = num_scale_pow10(static_cast<long double>(mantissa),
                                            static_cast<std::int32_t>(decimal_exponent - collected));
  return negative ? -value : value;
}

enum class TypeMark { NONE, PERCENT, AMPERSAND, DOUBLE_AMPERSAND, QUESTION };

TypeMark read_type_mark(Reader& in) {
  if (in.take('%')) return TypeMark::PERCENT;
  if (in.take('&')) return in.take('&') ? TypeMark::DOUBLE_AMPERSAND : TypeMark::AMPERSAND;
  if (in.take('?')) {
    if (in.take('?')) in.take('?');
    return TypeMark::QUESTION;
  }
  return TypeMark::NONE;
}

unsigned digit_worth(unsigned char byte) {
  if (byte >= 'a' && byte <= 'z') byte = static_cast<unsigned char>(byte - 0x20);
  if (is_digit(byte)) return byte - '0';
  if (byte >= 'A' && byte <= 'Z') return byte - 'A' + 10;
  return 255;
}

// Reads the number behind "&" (already consumed).
long double read_based(Reader& in) {
  unsigned base = 8;
  unsigned shift = 3;
  if (in.more()) {
    switch (in.peek()) {
      case 'B': case 'b': base = 2; shift = 1; ++in.at; break;
      case 'H': case 'h': base = 16; shift = 4; ++in.at; break;
      case 'O': case 'o': case 'Q': case 'q': ++in.at; break;
      default: break;  // octal, and the byte is a digit candidate
    }
  }

  std::uint64_t value = 0;
  bool any_digit = false;
  bool first_is_zero = false;
  bool overflow = false;
  while (in.more()) {
    const unsigned worth = digit_worth(in.peek());
    if (worth >= base) break;
    if (!any_digit) first_is_zero = worth == 0;
    any_digit = true;
    if ((value >> (64 - shift)) != 0) overflow = true;
    value = (value << shift) | worth;
    ++in.at;
  }
  if (!any_digit) return 0.0L;
  const TypeMark mark = read_type_mark(in);
  if (overflow) return 0.0L;

  if (mark == TypeMark::QUESTION) {
    if ((value >> 63) != 0) return 0.0L;
    return static_cast<long double>(value);
  }
  if (!first_is_zero && (value >> 32) == 0 && mark != TypeMark::DOUBLE_AMPERSAND) {
    if (value > 0xFFFF) return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    if (mark == TypeMark::AMPERSAND) return static_cast<long double>(value);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
  }
  return static_cast<long double>(static_cast<std::int64_t>(value));
}

}  // namespace

long double num_from_text(const TextValue& text, std::uint32_t& end) {
  Reader in{text.data(), text.length};
  while (in.more() && (in.peek() == ' ' || in.peek() == '\t' || in.peek() == '\n')) ++in.at;
  const long double value = in.take('&') ? read_based(in) : read_decimal(in);
  end = in.at;
  return value;
}

long double num_from_text(const TextValue& text) {
  std::uint32_t end = 0;
  return num_from_text(text, end);
}

long double num_scale_pow10(long double x, std::int32_t n) {
  // Zero, infinity and NaN are what they are at every scale (and 0 * inf would make a NaN).
  if (x == 0 || !std::isfinite(x)) return x;
  if (n > LARGEST_POWER) {
    x *= LARGE_POWERS[9];
    n -= LARGEST_POWER;
  }
  if (n < -LARGEST_POWER) {
    x /= LARGE_POWERS[9];
    n += LARGEST_POWER;
  }
  const std::uint32_t magnitude =
      static_cast<std::uint32_t>(n < 0 ? -static_cast<std::int64_t>(n) : n);
  long double factor = SMALL_POWERS[magnitude % 8];
  std::uint32_t bits = magnitude / 8;
  for (int i = 0; bits != 0; ++i, bits >>= 1) {
    if ((bits & 1) == 0) continue;
    factor = i < 10 ? factor * LARGE_POWERS[i] : std::numeric_limits<long double>::infinity();
  }
  return n >= 0 ? x * factor : x / factor;
}
