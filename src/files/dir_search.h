// Directory search: which entry matches a name or pattern. One search is open for the whole
// process; a call with a pattern starts a new one, a call with an empty pattern continues it.
// "*" stands for any run of characters, "?" for one, letters compare without regard to case,
// and "NAME.*" matches NAME with any extension or none. Finding nothing is not an error: the
// result is the empty text. Each look at the directory clears the caller's pending error; the
// only error recorded is 7, when the result cannot be allocated.
#pragma once

#include <cstdint>

#include "text/text_value.h"

// Mask bits: which entries besides plain files may be returned. With ATTR_VOLUME only volume
// labels are. Other bits are dropped; read-only and the rest never exclude an entry.
constexpr std::uint32_t ATTR_HIDDEN = 0x02, ATTR_SYSTEM = 0x04, ATTR_VOLUME = 0x08, ATTR_DIRECTORY = 0x10;

// The name of the next matching entry as the file system stores it, with no directory part;
// the empty text when there is no (further) match. A pattern ending in ":", "\" or "/" searches
// that directory or drive for every name. "." and ".." are never returned.
TextValue dir_search(const TextValue& pattern, std::uint32_t mask);

// A plain file that a name or pattern finds.
struct FoundFile {
  bool found = false;
  TextValue name;          // as the file system stores it, with no directory part
  std::uint64_t size = 0;  // bytes
};
// The first plain file (hidden, system files and directories pass) that matches the name or
// pattern. Starts a new search, as dir_search with a pattern does.
FoundFile dir_find(const TextValue& pattern);
// The next plain file that the search dir_find started finds.
FoundFile dir_find_next();

// Whether a plain file of that name, or one that matches the pattern, exists.
bool file_exists(const TextValue& pattern);
// Whether anything stands under exactly the name that a file made under this name gets: the
// file a split or a glue would replace (a name that differs only in case is another file, where
// the system's names keep case).
bool file_exists_as_made(const TextValue& name);

// Ends the search in progress, if any, so that the next run starts with none.
void dir_search_end();
