#include "platform/posix/directory_scan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "platform/posix/name_rules.h"
#include "platform/text_forms.h"

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
