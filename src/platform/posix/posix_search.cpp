#include "platform/posix/posix_search.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/posix/directory_scan.h"
#include "platform/posix/name_lookup.h"
#include "platform/posix/name_rules.h"
#include "platform/posix/posix_errors.h"
#include "platform/text_forms.h"

struct DirectorySearch {
  std::string directory;  // UTF-8, with its trailing "/" or empty
  std::string name_text;  // the name part of the pattern, as the caller gave it
  NamePattern pattern;    // made from it when a scan first needs it
  bool pattern_made = false;
  std::vector<DirectoryEntry> entries;
  std::size_t next = 0;
  bool scan_pending = false;  // an exact name was found without a scan; the others come later
  bool exact_first = false;   // that name is the first entry,
  FindData exact_data;        // with the attributes and size read when it was found
};

namespace {

// Attributes of an entry, links followed.
std::uint32_t attributes_from(const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return FS_ATTRIBUTE_DIRECTORY;
  if (!S_ISREG(info.st_mode)) return FS_ATTRIBUTE_SYSTEM;
  return (info.st_mode & 0222) == 0 ? FS_ATTRIBUTE_READONLY : FS_ATTRIBUTE_NORMAL;
}

// Attributes and size of an entry, links followed.
void describe(const struct stat& info, FindData& data) {
  data.attributes = attributes_from(info);
  data.size = S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
}

void describe(const std::string& path, FindData& data) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    data.attributes = FS_ATTRIBUTE_SYSTEM;  // a dangling link
    data.size = 0;
    return;
  }
  describe(info, data);
}

// Reads the search's directory for the entries its pattern matches.
bool scan_matches(DirectorySearch& search, std::vector<DirectoryEntry>& found, int& error) {
  if (!search.pattern_made) {
    search.pattern = name_pattern(search.name_text);
    search.pattern_made = true;
  }
  auto accept = [&search](const std::string& name) { return name_matches(search.pattern, name); };
  return scan_directory(search.directory, accept, found, error);
}

}  // namespace

DirectorySearch* directory_search_start(std::string_view text, FindData& data, std::uint32_t& code) {
  std::string pattern_utf8;
  if (!utf8_from_text(text, pattern_utf8)) {
    // No name has this text, so nothing matches it.
    code = FS_ERROR_INVALID_NAME;
    return nullptr;
  }
  const std::size_t slash = text.find_last_of('/');
  const std::string_view directory_part = slash == std::string_view::npos ? std::string_view{} : text.substr(0, slash + 1);
  const std::string_view name_part = slash == std::string_view::npos ? text : text.substr(slash + 1);
  if (name_part.empty()) {
    code = FS_ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  auto* found = new DirectorySearch;
  found->directory = directory_part.empty() ? std::string{} : resolve_name(directory_part);
  if (!found->directory.empty() && found->directory.back() != '/') found->directory += '/';
  found->name_text = name_part;

  // An exact name that exists as written needs no scan; the entries that differ from it only
  // in case are looked for when the search goes on. The name's UTF-8 is the end of the
  // pattern's: a slash is one byte in both.
  const std::string exact_utf8 = pattern_utf8.substr(pattern_utf8.find_last_of('/') + 1);
  const std::string exact_path = found->directory + exact_utf8;
  bool exact_found = false;
  if (!has_wildcards(name_part)) {
    // One look gives both its existence and its attributes; a dangling link exists too.
    struct stat info;
    if (::stat(exact_path.c_str(), &info) == 0) {
      exact_found = true;
      describe(info, found->exact_data);
    } else if (path_exists(exact_path)) {
      exact_found = true;
      found->exact_data.attributes = FS_ATTRIBUTE_SYSTEM;
      found->exact_data.size = 0;
    }
  }
  if (exact_found) {
    found->entries.push_back(DirectoryEntry{exact_utf8, std::string(name_part)});
    found->scan_pending = true;
    found->exact_first = true;
  } else {
    int error = 0;
    if (!scan_matches(*found, found->entries, error) || found->entries.empty()) {
      delete found;
      code = error == 0 ? FS_ERROR_FILE_NOT_FOUND
                        : (error == ENOENT || error == ENOTDIR ? FS_ERROR_PATH_NOT_FOUND : fs_code_of_errno(error));
      return nullptr;
    }
  }
  directory_search_next(*found, data, code);
  return found;
}

bool directory_search_next(DirectorySearch& search, FindData& data, std::uint32_t& code) {
  if (search.next >= search.entries.size() && search.scan_pending) {
    search.scan_pending = false;
    const std::string exact = search.entries.front().utf8;
    int error = 0;
    std::vector<DirectoryEntry> others;
    scan_matches(search, others, error);
    for (DirectoryEntry& entry : others) {
      if (entry.utf8 != exact) search.entries.push_back(std::move(entry));
    }
  }
  if (search.next >= search.entries.size()) {
    code = FS_ERROR_NO_MORE_FILES;
    return false;
  }
  const bool exact = search.next == 0 && search.exact_first;
  const DirectoryEntry& entry = search.entries[search.next++];
  if (exact) {
    data.attributes = search.exact_data.attributes;
    data.size = search.exact_data.size;
  } else {
    describe(search.directory + entry.utf8, data);
  }
  data.name = entry.name;
  return true;
}

void directory_search_end(DirectorySearch* search) { delete search; }
