// The Windows rules of file names that the file services rely on, for the names of POSIX file
// systems: letters compare without regard to case, and patterns match as FindFirstFileA matches
// them. Names are texts of code-page-437 bytes and forms (platform/text_forms.h). Pure: nothing
// here looks at a file system.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Whether two code-page-437 names are the same without regard to case.
bool same_name(std::string_view left, std::string_view right);
// A hash of the name that is the same for every name that same_name takes as equal.
std::uint32_t folded_name_hash(std::string_view name);
// The order of a search's results: by name without regard to case.
bool name_before(std::string_view left, std::string_view right);

// A compiled name pattern (the last element of a path).
struct NamePattern {
  std::vector<int> tokens;
  bool letters_only = true;  // no wildcard: a name matches when it is the same without regard to case
};
NamePattern name_pattern(std::string_view pattern);
bool name_matches(const NamePattern& pattern, std::string_view name);
// Whether the pattern can match more than the one name it spells.
bool has_wildcards(std::string_view pattern);
