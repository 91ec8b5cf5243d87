#include "frame/os_call.h"

#include "frame/runtime_state.h"

namespace {

// The call in progress: taken by one caller at a time, with the error mode it replaced.
struct OsCallState {
  std::atomic<std::int32_t> lock{0};
  std::uint32_t saved_error_mode = 0;
};
OsCallState os_call;

}  // namespace

ErrorNumber rt_os_error_number(std::uint32_t code) {
  if (code < OS_ERROR_MAP.size()) return OS_ERROR_MAP[code];
  switch (code) {
    case FS_ERROR_ALREADY_EXISTS: return 0;  // what a successful open of an existing file leaves
    case FS_ERROR_FILE_EXISTS: return ERR_FILE_EXISTS;
    case FS_ERROR_INVALID_PARAMETER: return ERR_BAD_ARGUMENT;
    case FS_ERROR_DISK_FULL: return ERR_DISK_FULL;
    case FS_ERROR_INVALID_NAME:
    case FS_ERROR_FILENAME_EXCED_RANGE: return ERR_BAD_FILE_NAME;
    case FS_ERROR_NEGATIVE_SEEK: return ERR_BAD_POSITION;
    case FS_ERROR_DIR_NOT_EMPTY:
    case FS_ERROR_CANT_RESOLVE_FILENAME: return ERR_ACCESS_ERROR;
    default: return ERR_DEVICE_IO;
  }
}

void rt_spin_take(std::atomic<std::int32_t>& flag) {
  while (flag.exchange(-1, std::memory_order_acquire) != 0) {
  }
}

void rt_spin_release(std::atomic<std::int32_t>& flag) { flag.store(0, std::memory_order_release); }

FileSystem& rt_os_call_begin() {
  rt_spin_take(os_call.lock);
  FileSystem& file_system = *rt_state.file_system;
  os_call.saved_error_mode = file_system.set_error_mode(OS_QUIET_ERROR_MODE);
  file_system.set_last_error(0);
  return file_system;
}

bool rt_os_call_in_progress() { return os_call.lock.load() != 0; }

ErrorNumber rt_os_call_end() {
  FileSystem& file_system = *rt_state.file_system;
  const std::uint32_t code = file_system.last_error();
  const ErrorNumber number = rt_os_error_number(code);
  if (number != 0) rt_note_os_failure(number, file_system.last_error_reason());
  file_system.set_error_mode(os_call.saved_error_mode);
  rt_spin_release(os_call.lock);
  return number;
}
