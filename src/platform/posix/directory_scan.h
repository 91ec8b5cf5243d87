// Reading a directory of a POSIX file system: its entries with their names as texts, in the
// order of a search.
#pragma once

#include <functional>
#include <string>
#include <vector>

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
