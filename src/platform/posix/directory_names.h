// Case-blind lookups of names that do not exist as written, without reading a large directory
// again and again. After a directory has been read, a hash of each of its names (folded without
// regard to case) is kept, together with the directory's identity and its change and
// modification times. While those stay the same, or change only because this program made a file
// there, a name whose hash is not kept has no entry that differs from it only in case, and the
// directory is not read. Any other change, and any hash that is kept, leads to a real read, so
// answers are those of a read; only the cost differs. A file set of 30,000 pieces made in one
// directory thus costs one read of it instead of one read per piece.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The entry of the directory ("" is the current one) whose code-page-437 name differs from name
// only in case, in search order: its UTF-8 name goes to utf8. False when there is none or the
// directory cannot be read.
bool find_case_variant(const std::string& directory, std::string_view name, std::string& utf8);

// Called after this program created the file at the UTF-8 path, right after resolve_name found
// that it did not exist. When that lookup found the kept names to be those of the directory, the
// new name joins them, and the directory's new times are taken as known.
void note_file_created(const std::string& path);

// For tests: how many times a directory has been read for a case-blind lookup.
long directory_reads_for_lookup();
