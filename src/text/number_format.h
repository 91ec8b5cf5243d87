// Number formatting and the small numeric services of the size arithmetic.
//
// num_to_text gives the decimal form of x with `digits` significant digits (1..18; 7 is the
// tool's own use). The text always starts with a sign position: a blank for values that are not
// negative, "-" for negative ones. The last digit is rounded half up; trailing zeros are dropped;
// fractions have no zero before the point (" .5"); numbers that need more than `digits` places
// before the point, or more than `digits` after it, take the exponent form (" 1.234568E+7",
// " 1E-8"). Zero, minus zero, NaN and values too small for a normal exponent give " 0";
// infinity gives nines with exponent 998. If the text cannot be allocated, 7 is recorded and
// the result is the empty text.
#pragma once

#include <cstdint>

#include "text/text_value.h"

// A count of digits outside 1..18 is held to the nearer end of that range.
TextValue num_to_text(long double x, int digits = 7);

// Exact widenings; the unsigned one reads all 32 bits as a value 0..4294967295.
long double num_from_int32(std::int32_t value);
long double num_from_uint32(std::uint32_t value);

// a when a < b, else b.
long double num_min(long double a, long double b);
