// File names on POSIX systems as the Windows rules of the file services want them: letters
// compare without regard to case, patterns follow FindFirstFileA, and a name that does not exist
// as written finds the entry that differs from it only in case. Names are texts of code-page-437
// bytes and forms (platform/text_forms.h); the file system's own names are UTF-8, or any bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
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
};
NamePattern name_pattern(std::string_view pattern);
bool name_matches(const NamePattern& pattern, std::string_view name);
// Whether the pattern can match more than the one name it spells.
bool has_wildcards(std::string_view pattern);

// One directory entry: its name as stored (UTF-8) and as text bytes (code page 437).
struct DirectoryEntry {
  std::string utf8;
  std::string name;
};
// The entries of a directory ("" is the current one) whose code-page-437 names the test
// accepts, in search order. False, with errno's value in error, when the directory cannot be
// read.
bool scan_directory(const std::string& directory, const std::function<bool(const std::string&)>& accept,
                    std::vector<DirectoryEntry>& found, int& error);

// Whether anything (a dangling link included) has the path.
bool path_exists(const std::string& path);

// The path of a name as the file system takes it (UTF-8, and the raw bytes of forms); the
// empty path for a text that is the text of no name. A path that exists as written is taken at once,
// without reading any directory. Otherwise each element that does not exist as written is
// replaced by an entry of its directory that differs from it only in case, if there is one;
// from the first element that has none on, the rest stays as written.
// found, when given, says whether the path that comes back is known to exist: 1 yes, 0 no (its
// last element is missing and has no other spelling), -1 not known.
std::string resolve_name(std::string_view name, int* found = nullptr);
