#include "platform/win32/win32_clock.h"

#include "platform/clock.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

class Win32Clock final : public Clock {
 public:
  std::uint64_t now_ms() override {
    LARGE_INTEGER count{};
    QueryPerformanceCounter(&count);
    const auto ticks = static_cast<std::uint64_t>(count.QuadPart);
    // Whole seconds and the rest apart, so that ticks * 1000 cannot overflow.
    return ticks / frequency_ * 1000 + ticks % frequency_ * 1000 / frequency_;
  }

 private:
  // Fixed at the boot; Windows XP and later never fail the call.
  static std::uint64_t counter_frequency() {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart > 0 ? static_cast<std::uint64_t>(frequency.QuadPart) : 1000;
  }

  std::uint64_t frequency_ = counter_frequency();
};

}  // namespace

Clock& win32_clock() {
  static Win32Clock clock;
  return clock;
}
