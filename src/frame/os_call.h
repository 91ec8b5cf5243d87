// The one way the file services call the file system: each call runs with no operating-system
// dialog allowed and a cleared last-error code, and the code it leaves decides success. Codes
// 1..39 are failures, mapped to error numbers by OS_ERROR_MAP; every code from 40 on is a failure
// too (a full disk 61, a bad name 64, ..., ERR_DEVICE_IO where no closer number exists), except
// "already exists", which a successful open of an existing file leaves.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "frame/errors.h"
#include "platform/file_system.h"

// The error number of each last-error code 0..39 (0: success).
constexpr std::array<ErrorNumber, 40> OS_ERROR_MAP = {
    0,                           // 0: no error
    ERR_ACCESS_ERROR,            // 1  invalid function
    ERR_FILE_NOT_FOUND,          // 2  file not found
    ERR_PATH_NOT_FOUND,          // 3  path not found
    ERR_TOO_MANY_FILES,          // 4  too many open files
    ERR_ACCESS_ERROR,            // 5  access denied
    ERR_INTERNAL,                // 6  invalid handle
    ERR_SYSTEM_MEMORY,           // 7  arena trashed
    ERR_OUT_OF_MEMORY,           // 8  not enough memory
    ERR_SYSTEM_MEMORY,           // 9  invalid block
    ERR_SYSTEM_MEMORY,           // 10 bad environment
    ERR_INTERNAL,                // 11 bad format
    ERR_INTERNAL,                // 12 invalid access
    ERR_INTERNAL,                // 13 invalid data
    ERR_OUT_OF_MEMORY,           // 14 out of memory
    ERR_DEVICE_UNAVAILABLE,      // 15 invalid drive
    ERR_ACCESS_ERROR,            // 16 current directory
    ERR_NOT_SAME_DEVICE,         // 17 not same device
    ERR_FILE_NOT_FOUND,          // 18 no more files
    ERR_PERMISSION_DENIED,       // 19 write-protected
    ERR_DEVICE_UNAVAILABLE,      // 20 bad unit
    ERR_DISK_NOT_READY,          // 21 not ready
    ERR_INTERNAL,                // 22 bad command
    ERR_MEDIA_ERROR,             // 23 CRC
    ERR_INTERNAL,                // 24 bad length
    ERR_MEDIA_ERROR,             // 25 seek
    ERR_MEDIA_ERROR,             // 26 not a DOS disk
    ERR_MEDIA_ERROR,             // 27 sector not found
    ERR_OUT_OF_PAPER,            // 28 out of paper
    ERR_MEDIA_ERROR,             // 29 write fault
    ERR_MEDIA_ERROR,             // 30 read fault
    ERR_MEDIA_ERROR,             // 31 general failure
    ERR_PERMISSION_DENIED,       // 32 sharing violation
    ERR_PERMISSION_DENIED,       // 33 lock violation
    ERR_MEDIA_ERROR,             // 34 wrong disk
    ERR_ACCESS_ERROR,            // 35
    ERR_PERMISSION_DENIED,       // 36 sharing buffer exceeded
    ERR_ACCESS_ERROR,            // 37
    ERR_PAST_END,                // 38 handle EOF
    ERR_DISK_FULL,               // 39 handle disk full
};

// The error mode under which a file-system call runs: no critical-error box, no open-file box.
constexpr std::uint32_t OS_QUIET_ERROR_MODE = 0x8001;

// 0 for success, else the error number of a failing last-error code: OS_ERROR_MAP below 40, the
// meaning of the code from 40 on.
ErrorNumber rt_os_error_number(std::uint32_t code);

// A spin flag of the file services: taken by exchanging -1 in until the old value was 0,
// released by storing 0.
void rt_spin_take(std::atomic<std::int32_t>& flag);
void rt_spin_release(std::atomic<std::int32_t>& flag);

// Holds a spin flag for the lifetime of the guard.
class SpinGuard {
 public:
  explicit SpinGuard(std::atomic<std::int32_t>& flag) : flag_(flag) { rt_spin_take(flag_); }
  ~SpinGuard() { rt_spin_release(flag_); }
  SpinGuard(const SpinGuard&) = delete;
  SpinGuard& operator=(const SpinGuard&) = delete;

 private:
  std::atomic<std::int32_t>& flag_;
};

// The steps around the call: rt_os_call_begin takes the call flag, sets the quiet error mode and
// clears the last-error code; rt_os_call_end reads the code, restores the error mode, releases
// the flag and gives the error number of the code.
FileSystem& rt_os_call_begin();
ErrorNumber rt_os_call_end();
// Whether a call holds the flag now (for tests: none may be left holding it).
bool rt_os_call_in_progress();

// Calls call(file_system) on rt_state.file_system and gives its result. error gets 0 when the
// call succeeded by its last-error code, else the mapped error number; nothing is raised.
template <typename Call>
auto rt_os_call(ErrorNumber& error, Call&& call) {
  FileSystem& file_system = rt_os_call_begin();
  auto result = call(file_system);
  error = rt_os_call_end();
  return result;
}

// Calls a call of the file system that answers whether it succeeded, and raises its error: a
// refusal with a code the table does not know is still a refusal, raised as refused.
template <typename Call>
bool rt_os_step(ErrorNumber refused, Call&& call) {
  ErrorNumber error = 0;
  const bool done = rt_os_call(error, call);
  if (error == 0 && !done) error = refused;
  if (error != 0) rt_raise_error(error);
  return error == 0;
}
