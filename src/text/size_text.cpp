#include "text/size_text.h"

#include <cmath>
#include <string>
#include <string_view>

#include "text/number_parse.h"

namespace {

// The multiplier of a unit word, in any case; 0 for a word that is no unit.
std::uint64_t unit_multiplier(std::string_view word) {
  std::string upper(word);
  for (char& letter : upper) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  }
  constexpr std::string_view PREFIXES = "KMGT";
  if (upper.empty() || upper.size() > 3) return 0;
  const std::size_t power = PREFIXES.find(upper[0]);
  if (power == std::string_view::npos) return 0;
  const std::string_view suffix = std::string_view(upper).substr(1);
  const std::uint64_t base = suffix == "" || suffix == "IB" ? 1024 : (suffix == "B" ? 1000 : 0);
  std::uint64_t multiplier = 1;
  for (std::size_t i = 0; i <= power; ++i) multiplier *= base;
  return multiplier;
}

bool is_blank(unsigned char byte) { return byte == ' ' || byte == '\t'; }

// The unit after the number that ends at end: 1 when there is none.
std::uint64_t unit_after(std::string_view text, std::size_t end) {
  while (end < text.size() && is_blank(static_cast<unsigned char>(text[end]))) ++end;
  std::size_t word_end = end;
  while (word_end < text.size() && !is_blank(static_cast<unsigned char>(text[word_end]))) ++word_end;
  const std::uint64_t multiplier = unit_multiplier(text.substr(end, word_end - end));
  return multiplier == 0 ? 1 : multiplier;
}

// The sizes of media, by name in any case: the largest file FAT32 holds, a CD, a DVD, a Blu-ray.
std::uint64_t medium_size(std::string_view text) {
  while (!text.empty() && is_blank(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && is_blank(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  std::string lower(text);
  for (char& letter : lower) {
    if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
  }
  if (lower == "fat32") return 4294967295u;
  if (lower == "cd") return 700u * 1024 * 1024;
  if (lower == "dvd") return 4700000000u;
  if (lower == "bd") return 25000000000u;
  return 0;
}

}  // namespace

std::uint64_t num_size_from_text(const TextValue& text) {
  if (const std::uint64_t medium = medium_size(txt_view(text))) return medium;
  std::uint32_t end = 0;
  const long double number = num_from_text(text, end);
  const long double value = std::nearbyint(number * static_cast<long double>(unit_after(txt_view(text), end)));
  // 2^63 is the first value outside the signed 64-bit range.
  if (!(value > 0.0L && value < 9223372036854775808.0L)) return 0;
  return static_cast<std::uint64_t>(value);
}
