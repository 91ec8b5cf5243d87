#include "platform/posix/posix_file_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "platform/cp437.h"
#include "platform/posix/directory_names.h"
#include "platform/text_forms.h"

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
  return compiled;
}

bool has_wildcards(std::string_view pattern) {
  return pattern.find_first_of("*?") != std::string_view::npos || (!pattern.empty() && pattern.back() == '.');
}

bool name_matches(const NamePattern& pattern, std::string_view name) {
  const std::vector<int>& tokens = pattern.tokens;
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

bool scan_directory(const std::string& directory, const std::function<bool(const std::string&)>& accept,
                    std::vector<DirectoryEntry>& found, int& error) {
  DIR* stream = ::opendir(directory.empty() ? "." : directory.c_str());
  if (stream == nullptr) {
    error = errno;
    return false;
  }
  while (const dirent* entry = ::readdir(stream)) {
    std::string name = text_from_utf8(entry->d_name);
    if (accept(name)) found.push_back(DirectoryEntry{entry->d_name, std::move(name)});
  }
  ::closedir(stream);
  std::sort(found.begin(), found.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
    if (name_before(a.name, b.name)) return true;
    if (name_before(b.name, a.name)) return false;
    return a.utf8 < b.utf8;
  });
  error = 0;
  return true;
}

bool path_exists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

std::string resolve_name(std::string_view name, int* found) {
  std::string exact;
  if (!utf8_from_text(name, exact)) {
    // No name has this text: nothing is found at the empty path it gets.
    if (found != nullptr) *found = 0;
    return {};
  }
  struct stat info;
  if (::lstat(exact.c_str(), &info) == 0) {
    if (found != nullptr) *found = 1;
    return exact;
  }
  const int exact_error = errno;
  if (found != nullptr) *found = -1;
  std::string resolved;
  bool resolving = true;
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = name.find('/', start);
    const std::size_t end = slash == std::string_view::npos ? name.size() : slash;
    const std::string_view element = name.substr(start, end - start);
    // Forms hold no "/", so each element of a name that converts converts on its own.
    std::string element_utf8;
    utf8_from_text(element, element_utf8);
    if (resolving && !element.empty() && element != "." && element != "..") {
      // The whole name as written was just looked at: a last element reached unchanged need not
      // be looked at again.
      const std::string path = resolved + element_utf8;
      const bool last = slash == std::string_view::npos;
      int error = 0;
      if (path == exact) {
        error = exact_error;
      } else if (::lstat(path.c_str(), &info) != 0) {
        error = errno;
      }
      // Only a missing element is looked for; any other failure leaves the rest as written.
      if (error == 0 || (error == ENOENT && find_case_variant(resolved, element, element_utf8))) {
        if (found != nullptr && last) *found = 1;
      } else {
        resolving = false;
        if (found != nullptr && last && error == ENOENT) *found = 0;
      }
    }
    resolved += element_utf8;
    if (slash == std::string_view::npos) break;
    resolved += '/';
    start = slash + 1;
  }
  return resolved;
}
