#include "files/dir_search.h"

#include <string>
#include <utility>

#include "files/file_state.h"
#include "frame/os_call.h"
#include "frame/runtime_state.h"

namespace {

constexpr std::uint32_t MASK_BITS = ATTR_HIDDEN | ATTR_SYSTEM | ATTR_VOLUME | ATTR_DIRECTORY;
constexpr std::uint32_t EXCLUDING_BITS = ATTR_HIDDEN | ATTR_SYSTEM | ATTR_DIRECTORY;

bool accepted(const FindData& entry, std::uint32_t mask) {
  if (mask == ATTR_VOLUME) return (entry.attributes & ATTR_VOLUME) != 0;
  const std::uint32_t excluding = entry.attributes & EXCLUDING_BITS;
  if ((excluding & mask) != excluding) return false;
  return entry.name != "." && entry.name != "..";
}

// One look at the directory. Whatever error was pending is dropped after it, as after every
// search call.
bool fetch_next(FilesState& files) {
  ErrorNumber ignored = 0;
  const bool found = rt_os_call(ignored, [&](FileSystem& fs) {
    return fs.find_next(files.search_handle, files.search_data);
  });
  rt_clear_error();
  return found;
}

// Passes over entries that the mask does not allow; false when none is left.
bool filter(FilesState& files, bool found) {
  while (found && !accepted(files.search_data, files.search_mask)) found = fetch_next(files);
  return found;
}

}  // namespace

TextValue dir_search(const TextValue& pattern, std::uint32_t mask) {
  FilesState& files = file_state;
  TextValue result;
  bool out_of_memory = false;
  {
    SpinGuard name_guard(files.file_name_lock);
    // Whole, however long: a shortened pattern would find other files.
    std::string os_pattern(txt_view(pattern));
    bool found = false;

    if (os_pattern.empty()) {
      if (files.search_handle != nullptr && files.search_mask != ATTR_VOLUME) {
        found = filter(files, fetch_next(files));
      }
    } else {
      if (files.search_handle != nullptr) {
        FindHandle old = files.search_handle;
        files.search_handle = nullptr;
        ErrorNumber ignored = 0;
        rt_os_call(ignored, [&](FileSystem& fs) { return fs.find_close(old); });
      }
      const char last = os_pattern.back();
      if (last == ':' || last == '\\' || last == '/') os_pattern += "*.*";
      FindHandle handle = FS_INVALID_HANDLE;
      // No name holds a zero byte, so such a pattern matches nothing (rather than the shorter
      // name in front of the zero).
      if (os_pattern.find('\0') == std::string::npos) {
        ErrorNumber ignored = 0;
        handle = rt_os_call(ignored, [&](FileSystem& fs) {
          return fs.find_first(os_pattern.c_str(), files.search_data);
        });
      }
      rt_clear_error();
      if (handle != FS_INVALID_HANDLE && handle != nullptr) {
        files.search_handle = handle;
        files.search_mask = mask & MASK_BITS;
        if ((files.search_mask & ATTR_VOLUME) != 0) files.search_mask = ATTR_VOLUME;
        found = filter(files, true);
      }
    }
    if (found) {
      const std::string& name = files.search_data.name;
      result = txt_from_bytes(name.data(), static_cast<std::uint32_t>(name.size()));
      out_of_memory = !name.empty() && result.empty();
    } else {
      files.search_data.attributes = 0;
      files.search_data.size = 0;
      files.search_data.name.clear();
    }
  }
  if (out_of_memory) rt_raise_error(ERR_OUT_OF_MEMORY);
  return result;
}

namespace {

FoundFile found_file(TextValue name) {
  FoundFile file;
  file.found = !name.empty();
  txt_assign(file.name, std::move(name));
  if (file.found) file.size = file_state.search_data.size;
  return file;
}

}  // namespace

FoundFile dir_find(const TextValue& pattern) {
  if (pattern.empty()) return FoundFile{};  // an empty pattern would go on with the last search
  return found_file(dir_search(pattern, 0));
}

FoundFile dir_find_next() { return found_file(dir_search(TextValue{}, 0)); }

bool file_exists(const TextValue& pattern) { return !pattern.empty() && dir_find(pattern).found; }

void dir_search_end() {
  FilesState& files = file_state;
  SpinGuard name_guard(files.file_name_lock);
  if (files.search_handle == nullptr) return;
  FindHandle old = files.search_handle;
  files.search_handle = nullptr;
  files.search_mask = 0;
  ErrorNumber ignored = 0;
  rt_os_call(ignored, [&](FileSystem& fs) { return fs.find_close(old); });
}

bool file_exists_as_made(const TextValue& name) {
  SpinGuard name_guard(file_state.file_name_lock);
  const std::string os_name(txt_view(name));
  if (os_name.empty() || os_name.find('\0') != std::string::npos) return false;
  ErrorNumber ignored = 0;
  return rt_os_call(ignored, [&](FileSystem& fs) { return fs.exists_as_made(os_name.c_str()); });
}
