// The path that a name gives on a POSIX file system: a name to find is looked up without regard
// to case, one path element at a time, so that the file a search found is the file an open gets;
// a name to make is the name of exactly that file, its directories found as above.
#pragma once

#include <string>
#include <string_view>

// The path of a name as the file system takes it (UTF-8, and the raw bytes of forms); the
// empty path for a text that is the text of no name. A path that exists as written is taken at once,
// without reading any directory. Otherwise each element that does not exist as written is
// replaced by an entry of its directory that differs from it only in case, if there is one;
// from the first element that has none on, the rest stays as written.
// found, when given, says whether the path that comes back is known to exist: 1 yes, 0 no (its
// last element is missing and has no other spelling), -1 not known.
std::string resolve_name(std::string_view name, int* found = nullptr);

// The path of a file that is to be made: its directories found without regard to case, its own
// name exactly as written (the empty path for a text that is the text of no name).
std::string path_to_make(std::string_view name);
