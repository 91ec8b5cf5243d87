#include "frame/os_call.h"

#include "frame/runtime_state.h"

ErrorNumber rt_os_error_number(std::uint32_t code) {
  return code < OS_ERROR_MAP.size() ? OS_ERROR_MAP[code] : 0;
}

void rt_spin_take(std::atomic<std::int32_t>& flag) {
  while (flag.exchange(-1, std::memory_order_acquire) != 0) {
  }
}

void rt_spin_release(std::atomic<std::int32_t>& flag) { flag.store(0, std::memory_order_release); }

FileSystem& rt_os_call_begin() {
  FilesState& files = rt_state.files;
  rt_spin_take(files.os_call_lock);
  FileSystem& file_system = *rt_state.file_system;
  files.saved_error_mode = file_system.set_error_mode(OS_QUIET_ERROR_MODE);
  file_system.set_last_error(0);
  return file_system;
}

ErrorNumber rt_os_call_end() {
  FilesState& files = rt_state.files;
  FileSystem& file_system = *rt_state.file_system;
  const std::uint32_t code = file_system.last_error();
  file_system.set_error_mode(files.saved_error_mode);
  rt_spin_release(files.os_call_lock);
  return rt_os_error_number(code);
}
