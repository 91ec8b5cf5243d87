#include "text/text_ops.h"

#include <array>
#include <cstring>
#include <utility>

#include "frame/errors.h"

namespace {

struct CasePair {
  std::uint8_t lower;
  std::uint8_t upper;
};

// The code-page-437 letters that fold; all other accented letters (æ/Æ among them) stay.
constexpr CasePair CP437_PAIRS[] = {
    {0x87, 0x80}, {0x81, 0x9A}, {0x82, 0x90}, {0x84, 0x8E},
    {0x86, 0x8F}, {0x94, 0x99}, {0xA4, 0xA5},
};

using ByteMap = std::array<std::uint8_t, 256>;

constexpr ByteMap make_map(bool to_upper) {
  ByteMap map{};
  for (int byte = 0; byte < 256; ++byte) map[byte] = static_cast<std::uint8_t>(byte);
  for (int letter = 'a'; letter <= 'z'; ++letter) {
    if (to_upper) {
      map[letter] = static_cast<std::uint8_t>(letter - 0x20);
    } else {
      map[letter - 0x20] = static_cast<std::uint8_t>(letter);
    }
  }
  for (const CasePair& pair : CP437_PAIRS) {
    if (to_upper) {
      map[pair.lower] = pair.upper;
    } else {
      map[pair.upper] = pair.lower;
    }
  }
  return map;
}

constexpr ByteMap UPPER_MAP = make_map(true);
constexpr ByteMap LOWER_MAP = make_map(false);

// A new text with every byte mapped; empty when the text cannot be allocated (7 recorded).
TextValue map_bytes(const TextValue& top, const ByteMap& map) {
  TextValue result = txt_allocate(top.length);
  if (result.empty()) return result;
  const unsigned char* from = top.data();
  unsigned char* to = result.data();
  for (std::uint32_t i = 0; i < top.length; ++i) to[i] = map[from[i]];
  return result;
}

// A new text of count bytes of top from offset on. An allocation failure shows as an empty
// result for a non-zero count.
TextValue part_of(const TextValue& top, std::uint32_t offset, std::uint32_t count) {
  if (count == 0) return {};
  return txt_from_bytes(top.data() + offset, count);
}

bool failed(const TextValue& result, std::uint32_t wanted_length) {
  return result.empty() && wanted_length != 0;
}

std::uint32_t leading_spaces(const TextValue& top) {
  std::uint32_t n = 0;
  while (n < top.length && top.data()[n] == ' ') ++n;
  return n;
}

std::uint32_t trailing_spaces(const TextValue& top) {
  std::uint32_t n = 0;
  while (n < top.length && top.data()[top.length - 1 - n] == ' ') ++n;
  return n;
}

struct Span {
  std::uint32_t offset = 0;
  std::uint32_t count = 0;
};

Span mid_span(const TextValue& top, std::int32_t start, std::uint32_t count) {
  if (start < 1) return {};
  const std::uint32_t skip = static_cast<std::uint32_t>(start) - 1;
  if (skip >= top.length) return {};
  const std::uint32_t available = top.length - skip;
  return {skip, count < available ? count : available};
}

// The consuming form: the operand comes back unchanged when its new text cannot be made.
TextValue part_or_operand(TextValue&& top, Span span) {
  TextValue result = part_of(top, span.offset, span.count);
  if (failed(result, span.count)) return std::move(top);
  return result;
}

// The borrowed form: a copy of the operand stands for it when its new text cannot be made.
TextValue part_or_copy(const TextValue& top, Span span) {
  TextValue result = part_of(top, span.offset, span.count);
  if (failed(result, span.count)) return txt_copy(top);
  return result;
}

}  // namespace

std::uint8_t txt_upper_byte(std::uint8_t byte) { return UPPER_MAP[byte]; }
std::uint8_t txt_lower_byte(std::uint8_t byte) { return LOWER_MAP[byte]; }

TextValue txt_upper(TextValue&& top) {
  TextValue result = map_bytes(top, UPPER_MAP);
  if (failed(result, top.length)) return std::move(top);
  return result;
}

TextValue txt_upper(const TextValue& top) {
  TextValue result = map_bytes(top, UPPER_MAP);
  if (failed(result, top.length)) return txt_copy(top);
  return result;
}

TextValue txt_lower(TextValue&& top) {
  TextValue result = map_bytes(top, LOWER_MAP);
  if (failed(result, top.length)) return std::move(top);
  return result;
}

TextValue txt_lower(const TextValue& top) {
  TextValue result = map_bytes(top, LOWER_MAP);
  if (failed(result, top.length)) return txt_copy(top);
  return result;
}

TextValue txt_trim_left(TextValue&& top) {
  const std::uint32_t spaces = leading_spaces(top);
  if (spaces == 0) return std::move(top);
  return part_or_operand(std::move(top), {spaces, top.length - spaces});
}

TextValue txt_trim_left(const TextValue& top) {
  const std::uint32_t spaces = leading_spaces(top);
  return part_or_copy(top, {spaces, top.length - spaces});
}

TextValue txt_trim_right(TextValue&& top) {
  const std::uint32_t spaces = trailing_spaces(top);
  if (spaces == 0) return std::move(top);
  return part_or_operand(std::move(top), {0, top.length - spaces});
}

TextValue txt_trim_right(const TextValue& top) {
  const std::uint32_t spaces = trailing_spaces(top);
  return part_or_copy(top, {0, top.length - spaces});
}

TextValue txt_left(TextValue&& top, std::uint32_t count) {
  if (count >= top.length) return std::move(top);
  return part_or_operand(std::move(top), {0, count});
}

TextValue txt_left(const TextValue& top, std::uint32_t count) {
  if (count >= top.length) return txt_copy(top);
  return part_or_copy(top, {0, count});
}

TextValue txt_mid(TextValue&& top, std::int32_t start, std::uint32_t count) {
  return part_or_operand(std::move(top), mid_span(top, start, count));
}

TextValue txt_mid(const TextValue& top, std::int32_t start, std::uint32_t count) {
  return part_or_copy(top, mid_span(top, start, count));
}

TextValue txt_repeat(const TextValue& top, std::uint32_t count) {
  const std::uint64_t total = std::uint64_t{top.length} * count;
  if (total > UINT32_MAX) {
    rt_raise_error(ERR_OUT_OF_MEMORY);
    return {};
  }
  TextValue result = txt_allocate(static_cast<std::uint32_t>(total));
  if (result.empty()) return result;
  const std::uint32_t length = result.length;
  unsigned char* to = result.data();
  std::memcpy(to, top.data(), top.length);
  // Doubling the filled part keeps the copying to a few calls for long results.
  std::uint32_t filled = top.length;
  while (filled < length) {
    const std::uint32_t chunk = filled < length - filled ? filled : length - filled;
    std::memcpy(to + filled, to, chunk);
    filled += chunk;
  }
  return result;
}

std::uint32_t txt_find(const TextValue& searched, const TextValue& wanted, std::int32_t start) {
  if (searched.empty()) return 0;
  if (start < 1 || static_cast<std::uint32_t>(start) > searched.length) return 0;
  if (wanted.empty()) return static_cast<std::uint32_t>(start);
  const unsigned char* bytes = searched.data();
  const unsigned char first = wanted.data()[0];
  std::uint32_t at = static_cast<std::uint32_t>(start) - 1;
  while (searched.length - at >= wanted.length) {
    const void* hit = std::memchr(bytes + at, first, searched.length - at);
    if (hit == nullptr) return 0;
    at = static_cast<std::uint32_t>(static_cast<const unsigned char*>(hit) - bytes);
    if (searched.length - at < wanted.length) return 0;
    if (std::memcmp(bytes + at, wanted.data(), wanted.length) == 0) return at + 1;
    ++at;
  }
  return 0;
}

TextValue txt_from_code(std::int32_t code) {
  const unsigned char byte = static_cast<unsigned char>(code & 0xFF);
  return txt_from_bytes(&byte, 1);
}
