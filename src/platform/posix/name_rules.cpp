#include "platform/posix/name_rules.h"

#include <algorithm>

#include "platform/cp437.h"

namespace {

// Letters of code page 437 without regard to case: ASCII, and the accented Latin and the Greek
// letters that the code page holds.
char32_t fold(char byte) {
  const char32_t c = cp437_to_unicode(static_cast<unsigned char>(byte));
  if (c >= U'a' && c <= U'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c == 0xFF) return 0x178;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;
  return c;
}

// Pattern tokens besides letters, as the Windows file system reads them.
constexpr int ANY_RUN = 0x10000;          // "*": any run of characters
constexpr int RUN_TO_LAST_DOT = 0x10001;  // "*" before ".": any run that stops at the last dot
constexpr int ONE_OR_NONE = 0x10002;      // "?": one character, or none at a dot or the end
constexpr int DOT_OR_END = 0x10003;       // "." before a wildcard or at the end: a dot, or the end

}  // namespace

bool same_name(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (fold(left[i]) != fold(right[i])) return false;
  }
  return true;
}

std::uint32_t folded_name_hash(std::string_view name) {
  std::uint32_t hash = 2166136261u;  // FNV-1a over the folded characters
  for (const char byte : name) {
    hash = (hash ^ static_cast<std::uint32_t>(fold(byte))) * 16777619u;
  }
  return hash;
}

bool name_before(std::string_view left, std::string_view right) {
  const std::size_t common = std::min(left.size(), right.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (fold(left[i]) != fold(right[i])) return fold(left[i]) < fold(right[i]);
  }
  return left.size() < right.size();
}

// So "DATA.*" matches DATA, DATA.1 and DATA.zip but not DATAX.1; "*.*" matches every name and
// "*." the names without a dot.
NamePattern name_pattern(std::string_view pattern) {
  NamePattern compiled;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (c == '?') {
      compiled.tokens.push_back(ONE_OR_NONE);
    } else if (c == '*') {
      compiled.tokens.push_back(next == '.' ? RUN_TO_LAST_DOT : ANY_RUN);
    } else if (c == '.' && (next == '*' || next == '?' || next == '\0')) {
      compiled.tokens.push_back(DOT_OR_END);
    } else {
      compiled.tokens.push_back(static_cast<int>(fold(c)));
    }
  }
  compiled.letters_only = std::all_of(compiled.tokens.begin(), compiled.tokens.end(),
                                      [](int token) { return token < ANY_RUN; });
  return compiled;
}

bool has_wildcards(std::string_view pattern) {
  return pattern.find_first_of("*?") != std::string_view::npos || (!pattern.empty() && pattern.back() == '.');
}

bool name_matches(const NamePattern& pattern, std::string_view name) {
  const std::vector<int>& tokens = pattern.tokens;
  // A search for one name looks at every entry of the folder: this way needs no table.
  if (pattern.letters_only) {
    if (name.size() != tokens.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
      if (static_cast<int>(fold(name[i])) != tokens[i]) return false;
    }
    return true;
  }
  const std::size_t token_count = tokens.size();
  const std::size_t length = name.size();
  const std::size_t last_dot = name.find_last_of('.');
  // can[t][n]: the tokens from t on match the name from n on; filled from the ends backwards.
  std::vector<char> can((token_count + 1) * (length + 1), 0);
  auto at = [&](std::size_t t, std::size_t n) -> char& { return can[t * (length + 1) + n]; };
  at(token_count, length) = 1;
  for (std::size_t t = token_count; t-- > 0;) {
    for (std::size_t n = length + 1; n-- > 0;) {
      const bool more = n < length;
      const char c = more ? name[n] : '\0';
      bool result = false;
      switch (tokens[t]) {
        case ANY_RUN:
          result = at(t + 1, n) || (more && at(t, n + 1));
          break;
        case RUN_TO_LAST_DOT:
          result = at(t + 1, n) || (more && n != last_dot && at(t, n + 1));
          break;
        case ONE_OR_NONE:
          result = (!more || c == '.') ? at(t + 1, n) : at(t + 1, n + 1);
          break;
        case DOT_OR_END:
          result = !more ? at(t + 1, n) : (c == '.' && at(t + 1, n + 1));
          break;
        default:
          result = more && static_cast<int>(fold(c)) == tokens[t] && at(t + 1, n + 1);
          break;
      }
      at(t, n) = result ? 1 : 0;
    }
  }
  return at(0, 0) != 0;
}
