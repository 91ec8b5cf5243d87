// A search of a POSIX directory for the entries whose names match a name or pattern, as the
// file system interface's find_first and find_next give them: letters compared without regard
// to case, an exact name that exists as written found without reading the directory, the
// others that differ from it only in case after it.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/file_system.h"

struct DirectorySearch;

// Starts a search and gives its first entry in data; null when nothing matches, with code 2
// (no match), 3 (the directory is missing) or another code.
DirectorySearch* directory_search_start(std::string_view pattern, FindData& data, std::uint32_t& code);
// The next entry; false with code 18 when no more match.
bool directory_search_next(DirectorySearch& search, FindData& data, std::uint32_t& code);
void directory_search_end(DirectorySearch* search);
