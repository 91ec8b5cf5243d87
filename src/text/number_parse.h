// Number parsing: a typed text turned into a number in the 80-bit extended format.
//
// num_from_text never fails and records no error. Leading blanks (space, TAB, line feed; not
// carriage return) are skipped; text that does not begin with a number gives 0, and whatever
// follows a number is ignored. Two notations:
// - decimal: [+|-] digits with at most one point, then an optional exponent after E, e, D or d
//   ([+|-] digits, magnitude held at 9999). The first 18 significant digits count exactly, later
//   ones are cut off. A "-" without digits, or with zero digits only, gives minus zero. A decimal
//   exponent (power of ten of the first significant digit, plus one) of 4933 or more gives
//   2^127 with the text's sign; one of -4933 or less gives 0.
// - based, after "&": B (base 2), H (16), O or Q (8), or no letter (8); digits 0..9 and A..Z by
//   worth; an optional type mark % & && ? ?? ???. The 64 collected bits are read as a signed
//   64-bit integer, except that a value that starts with a non-zero digit, has no "?" mark,
//   fits in 32 bits and is not marked "&&" reads as signed 32-bit when it needs more than 16
//   bits, else as signed 16-bit (positive with the mark "&"); with a "?" mark a value with bit 63
//   set gives 0. A bit shifted out of the 64 gives 0.
#pragma once

#include <cstdint>

#include "text/text_value.h"

long double num_from_text(const TextValue& text);
// The same, and where the number ends: end gets the number of bytes that the leading blanks
// and the number took (an exponent letter and a type mark included), so that a caller can read
// what follows.
long double num_from_text(const TextValue& text, std::uint32_t& end);

// x times ten to the power n (divided for negative n), from a table of exact powers 10^0..10^7
// and the extended-precision powers 10^8, 10^16, ..., 10^4096. A power beyond the format's
// range becomes infinity (a quotient by it zero); no error is recorded.
long double num_scale_pow10(long double x, std::int32_t n);

// The value 2^127 that stands for a decimal number too large to read.
constexpr long double NUM_OVERFLOW_VALUE = 170141183460469231731687303715884105728.0L;
