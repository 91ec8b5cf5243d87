// Run-time error numbers and the error state of a calling routine. A failing service records
// its number here and returns its neutral result; nothing in the tool stops on an error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

using ErrorNumber = std::uint8_t;  // 1..255; 0 means no error

constexpr std::uint16_t ERROR_PENDING = 0x8000;
constexpr std::uint16_t ERROR_IN_HANDLER = 0x4000;

struct ErrorFrame {
  std::uint16_t error_word = 0;  // low byte: last number recorded; high byte: flags
  void (*error_handler)() = nullptr;
  std::uint32_t failures = 0;    // errors recorded in this frame so far
  ErrorNumber last_number = 0;   // the last of them, kept when the error word is cleared
  std::string reason;            // the system's own words for it, when it came from a call
};

constexpr ErrorNumber ERR_BAD_ARGUMENT = 5;
constexpr ErrorNumber ERR_OUT_OF_MEMORY = 7;
constexpr ErrorNumber ERR_OUT_OF_PAPER = 27;
constexpr ErrorNumber ERR_INTERNAL = 51;
constexpr ErrorNumber ERR_BAD_CHANNEL = 52;
constexpr ErrorNumber ERR_FILE_NOT_FOUND = 53;
constexpr ErrorNumber ERR_BAD_FILE_MODE = 54;
constexpr ErrorNumber ERR_CHANNEL_IN_USE = 55;
constexpr ErrorNumber ERR_DEVICE_IO = 57;  // a failure of the system with no closer number
constexpr ErrorNumber ERR_FILE_EXISTS = 58;
constexpr ErrorNumber ERR_DISK_FULL = 61;
constexpr ErrorNumber ERR_PAST_END = 62;
constexpr ErrorNumber ERR_BAD_POSITION = 63;
constexpr ErrorNumber ERR_BAD_FILE_NAME = 64;
constexpr ErrorNumber ERR_TOO_MANY_FILES = 67;
constexpr ErrorNumber ERR_DEVICE_UNAVAILABLE = 68;
constexpr ErrorNumber ERR_PERMISSION_DENIED = 70;
constexpr ErrorNumber ERR_DISK_NOT_READY = 71;
constexpr ErrorNumber ERR_MEDIA_ERROR = 72;
constexpr ErrorNumber ERR_NOT_SAME_DEVICE = 74;
constexpr ErrorNumber ERR_ACCESS_ERROR = 75;
constexpr ErrorNumber ERR_PATH_NOT_FOUND = 76;
constexpr ErrorNumber ERR_SYSTEM_MEMORY = 241;
constexpr ErrorNumber ERR_CHANNEL_LIST = 242;

// Records the number in the current routine's frame with ERROR_PENDING; 0 is recorded as 51.
// When the number is the one the last failing operating-system call gave, that call's reason
// goes with it.
void rt_raise_error(ErrorNumber number);
// What the OS-call wrapper tells the frame about a failing call: its error number and the
// system's own words for it ("No space left on device"), for the raise that follows.
void rt_note_os_failure(ErrorNumber number, std::string_view reason);
// Clears the current routine's error word (the directory search does this after each look).
void rt_clear_error();
// The frame that errors land in: the running routine's. Never null.
ErrorFrame& rt_current_frame();
// Makes frame the current one and returns the one it replaces (null for the default frame).
ErrorFrame* rt_enter_frame(ErrorFrame* frame);
// Last number recorded in the current frame, 0 when none.
inline ErrorNumber rt_last_error() { return static_cast<ErrorNumber>(rt_current_frame().error_word & 0xFF); }

// Watches the running routine's frame from its making: the error word is cleared, and failed()
// answers whether any service recorded an error since. A directory search, which clears the
// error word, does not hide an error from a watch.
class FailureWatch {
 public:
  FailureWatch();
  bool failed() const { return frame_.failures != start_; }
  // The last error recorded since the watch was made, 0 when none.
  ErrorNumber number() const { return failed() ? frame_.last_number : 0; }
  // The system's own words for that error, empty when it has none.
  std::string_view reason() const { return failed() ? std::string_view(frame_.reason) : std::string_view(); }

 private:
  ErrorFrame& frame_;
  std::uint32_t start_;
};
