#include "platform/win32/win32_file_system.h"

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/text_forms.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

HANDLE os_handle(FileHandle handle) { return static_cast<HANDLE>(handle); }

void fill_find_data(const WIN32_FIND_DATAW& entry, FindData& data) {
  data.attributes = entry.dwFileAttributes;
  data.size = (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  data.name = text_from_utf16(reinterpret_cast<const char16_t*>(entry.cFileName));
}

// The name as the wide calls take it. A path too long for the plain form goes in the long form
// ("\\?\" and the full path), so that paths reach as far as the file system allows. False, with
// 123 as the code, for a text that is the text of no name.
bool wide_name(const char* name, std::wstring& wide) {
  std::u16string units;
  if (!utf16_from_text(name, units)) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  wide.assign(units.begin(), units.end());
  if (wide.size() < MAX_PATH - 12 || wide.rfind(L"\\\\?\\", 0) == 0) return true;
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return true;  // the call with the plain form fails and says why
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return true;
  full.resize(length);
  for (wchar_t& unit : full) {
    if (unit == L'/') unit = L'\\';
  }
  if (full.rfind(L"\\\\", 0) == 0) {
    wide = L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
  } else {
    wide = L"\\\\?\\" + full;
  }
  return true;
}

// Windows documents the last-error code only for failing calls; a successful one may leave
// anything there. Putting the caller's code back keeps the contract that success reports
// nothing new.
bool keep_code_on_success(BOOL result, DWORD code_before) {
  if (result == FALSE) return false;
  SetLastError(code_before);
  return true;
}

class Win32FileSystem final : public FileSystem {
 public:
  FileHandle create_file(const char* name, std::uint32_t desired_access,
                         std::uint32_t share_mode, std::uint32_t creation_disposition) override {
    std::wstring wide;
    if (!wide_name(name, wide)) return FS_INVALID_HANDLE;
    const bool plain = creation_disposition == FS_OPEN_EXISTING_PLAIN;
    // The code left by a successful open is kept: 183 says that the file existed.
    HANDLE handle = CreateFileW(wide.c_str(), desired_access, share_mode, nullptr,
                                plain ? OPEN_EXISTING : creation_disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return FS_INVALID_HANDLE;
    if (plain && GetFileType(handle) != FILE_TYPE_DISK) {
      // A device or pipe under the name of a file to read is refused, never waited on.
      CloseHandle(handle);
      SetLastError(ERROR_ACCESS_DENIED);
      return FS_INVALID_HANDLE;
    }
    if ((desired_access & FS_GENERIC_WRITE) != 0) written_.push_back(wide);
    return static_cast<FileHandle>(handle);
  }

  std::uint32_t file_type(FileHandle handle) override {
    const DWORD before = GetLastError();
    const DWORD type = GetFileType(os_handle(handle));
    // FILE_TYPE_UNKNOWN with a code is a failure; everything else leaves the code alone.
    if (type != FILE_TYPE_UNKNOWN || GetLastError() == NO_ERROR) SetLastError(before);
    switch (type) {
      case FILE_TYPE_DISK:
        return FS_TYPE_DISK;
      case FILE_TYPE_CHAR:
        return FS_TYPE_CHAR;
      case FILE_TYPE_PIPE:
        return FS_TYPE_PIPE;
      default:
        return FS_TYPE_UNKNOWN;
    }
  }

  bool seek(FileHandle handle, std::int64_t distance, std::uint32_t origin,
            std::uint64_t* new_position) override {
    const DWORD before = GetLastError();
    LARGE_INTEGER move{};
    move.QuadPart = distance;
    LARGE_INTEGER reached{};
    const BOOL ok = SetFilePointerEx(os_handle(handle), move, &reached, origin);
    if (new_position != nullptr) {
      *new_position = ok != FALSE ? static_cast<std::uint64_t>(reached.QuadPart) : 0;
    }
    return keep_code_on_success(ok, before);
  }

  bool set_end_of_file(FileHandle handle) override {
    const DWORD before = GetLastError();
    return keep_code_on_success(SetEndOfFile(os_handle(handle)), before);
  }

  bool read(FileHandle handle, void* buffer, std::uint32_t count, std::uint32_t* moved) override {
    const DWORD before = GetLastError();
    DWORD done = 0;
    BOOL ok = ReadFile(os_handle(handle), buffer, count, &done, nullptr);
    // A pipe whose writer has gone is at its end, as a file is.
    if (ok == FALSE && GetLastError() == ERROR_BROKEN_PIPE) ok = TRUE;
    if (moved != nullptr) *moved = done;
    return keep_code_on_success(ok, before);
  }

  bool write(FileHandle handle, const void* buffer, std::uint32_t count,
             std::uint32_t* moved) override {
    const DWORD before = GetLastError();
    DWORD done = 0;
    const BOOL ok = WriteFile(os_handle(handle), buffer, count, &done, nullptr);
    if (moved != nullptr) *moved = done;
    return keep_code_on_success(ok, before);
  }

  bool file_size(FileHandle handle, std::uint64_t* size) override {
    const DWORD before = GetLastError();
    LARGE_INTEGER value{};
    const BOOL ok = GetFileSizeEx(os_handle(handle), &value);
    if (size != nullptr) *size = ok != FALSE ? static_cast<std::uint64_t>(value.QuadPart) : 0;
    return keep_code_on_success(ok, before);
  }

  bool close(FileHandle handle) override {
    const DWORD before = GetLastError();
    return keep_code_on_success(CloseHandle(os_handle(handle)), before);
  }

  FindHandle find_first(const char* pattern, FindData& data) override {
    const DWORD before = GetLastError();
    std::wstring wide;
    if (!wide_name(pattern, wide)) return FS_INVALID_HANDLE;
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(wide.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return FS_INVALID_HANDLE;
    SetLastError(before);
    fill_find_data(entry, data);
    return static_cast<FindHandle>(search);
  }

  bool find_next(FindHandle handle, FindData& data) override {
    const DWORD before = GetLastError();
    WIN32_FIND_DATAW entry{};
    if (FindNextFileW(os_handle(handle), &entry) == FALSE) return false;
    SetLastError(before);
    fill_find_data(entry, data);
    return true;
  }

  bool find_close(FindHandle handle) override {
    const DWORD before = GetLastError();
    return keep_code_on_success(FindClose(os_handle(handle)), before);
  }

  bool rename(const char* from, const char* to) override {
    const DWORD before = GetLastError();
    std::wstring wide_from;
    std::wstring wide_to;
    if (!wide_name(from, wide_from) || !wide_name(to, wide_to)) return false;
    // Write-through: the new name is on the disk when the call returns.
    return keep_code_on_success(
        MoveFileExW(wide_from.c_str(), wide_to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH), before);
  }

  bool remove(const char* name) override {
    const DWORD before = GetLastError();
    std::wstring wide;
    if (!wide_name(name, wide)) return false;
    return keep_code_on_success(DeleteFileW(wide.c_str()), before);
  }

  FileHandle standard_stream(std::uint32_t which) override {
    HANDLE stream = GetStdHandle(which == FS_STANDARD_INPUT ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE);
    HANDLE own = nullptr;
    if (which > FS_STANDARD_OUTPUT || stream == nullptr || stream == INVALID_HANDLE_VALUE ||
        DuplicateHandle(GetCurrentProcess(), stream, GetCurrentProcess(), &own, 0, FALSE, DUPLICATE_SAME_ACCESS) == FALSE) {
      if (GetLastError() == NO_ERROR) SetLastError(ERROR_INVALID_HANDLE);
      return FS_INVALID_HANDLE;
    }
    return static_cast<FileHandle>(own);
  }

  bool exists_as_made(const char* name) override {
    const DWORD before = GetLastError();
    std::wstring wide;
    const bool exists = wide_name(name, wide) && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
    SetLastError(before);
    return exists;
  }

  bool remove_stale(const char* name) override {
    std::wstring wide;
    if (!wide_name(name, wide)) return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    // A file that a running program holds open cannot be deleted: it stays.
    return remove(name);
  }

  // Windows files carry no permission bits of their own to copy.
  bool copy_permissions(FileHandle, FileHandle) override { return true; }

  bool names_open_file(FileHandle handle, const char* name) override {
    const DWORD before = GetLastError();
    std::wstring wide;
    if (!wide_name(name, wide)) {
      SetLastError(before);
      return false;
    }
    // No data access is asked for, so no share mode of the open file stands in the way.
    HANDLE other = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    bool same = false;
    if (other != INVALID_HANDLE_VALUE) {
      BY_HANDLE_FILE_INFORMATION open_info{};
      BY_HANDLE_FILE_INFORMATION other_info{};
      same = GetFileInformationByHandle(os_handle(handle), &open_info) != FALSE &&
             GetFileInformationByHandle(other, &other_info) != FALSE &&
             open_info.dwVolumeSerialNumber == other_info.dwVolumeSerialNumber &&
             open_info.nFileIndexHigh == other_info.nFileIndexHigh &&
             open_info.nFileIndexLow == other_info.nFileIndexLow;
      CloseHandle(other);
    }
    SetLastError(before);
    return same;
  }

  // The console's own ending (Ctrl+C stays a key there) leaves nothing to clean up.
  bool mark_temporary(FileHandle) override { return true; }

  std::uint32_t set_error_mode(std::uint32_t mode) override { return SetErrorMode(mode); }

  std::uint32_t last_error() override { return GetLastError(); }

  void set_last_error(std::uint32_t code) override { SetLastError(code); }

  std::string last_error_reason() override {
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        GetLastError(), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::u16string text(message, message + length);
    LocalFree(message);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u'.' || text.back() == u' ')) {
      text.pop_back();
    }
    return text_from_utf16(text);
  }

  bool flush(FileHandle handle) override {
    const DWORD before = GetLastError();
    return keep_code_on_success(FlushFileBuffers(os_handle(handle)), before);
  }

  // Windows has no flush of a whole volume for a program that is not an administrator: each file
  // written since the last flush is opened again and flushed.
  bool flush_written() override {
    const DWORD before = GetLastError();
    std::vector<std::wstring> names;
    names.swap(written_);
    for (const std::wstring& name : names) {
      HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE) continue;  // removed or renamed since: nothing to keep
      const BOOL flushed = FlushFileBuffers(file);
      const DWORD code = GetLastError();
      CloseHandle(file);
      if (flushed == FALSE) {
        SetLastError(code);
        return false;
      }
    }
    SetLastError(before);
    return true;
  }

 private:
  std::vector<std::wstring> written_;  // the names of the files opened for writing since the last flush
};

}  // namespace

FileSystem& win32_file_system() {
  static Win32FileSystem files;
  return files;
}
