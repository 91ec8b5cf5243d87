// libFuzzer target: any bytes read as a typed number must give a value without a crash or a
// sanitizer report, and the text of that value must read back to the same text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "text/number_format.h"
#include "text/number_parse.h"
#include "text/text_value.h"

namespace {

bool same_bytes(const TextValue& a, const TextValue& b) {
  return a.length == b.length && (a.length == 0 || std::memcmp(a.data(), b.data(), a.length) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > UINT32_MAX) return 0;
  const TextValue text = txt_from_bytes(data, static_cast<std::uint32_t>(size));
  const long double value = num_from_text(text);

  // Up to 15 digits the formatted text is a fixed point: reading it and formatting again gives
  // the same bytes. (Beyond that the scaling's last bits may move the final digit.)
  const int digits = size == 0 ? 7 : 1 + data[size - 1] % 15;
  const TextValue formatted = num_to_text(value, digits);
  if (formatted.empty()) std::abort();  // every number has a text
  // From 9.5E+4931 on, the rounded text can read "1E+4932", whose exponent is past the bound and
  // reads back as the overflow value; at the other end, a value just above the smallest normal
  // one can round to a text ("3E-4932") whose value is too small for a normal exponent and prints
  // as 0. Such texts are not fixed points, and need not be.
  const long double back = num_from_text(formatted);
  if (std::fabs(value) < 9.5e4931L && std::fpclassify(back) != FP_SUBNORMAL) {
    const TextValue again = num_to_text(back, digits);
    if (!same_bytes(formatted, again)) std::abort();
  }

  num_to_text(value, 18);
  num_scale_pow10(value, static_cast<std::int32_t>(size) - 4933);
  return 0;
}
