#include "platform/posix/posix_clock.h"

#include <time.h>

#include "platform/clock.h"

namespace {

class PosixClock final : public Clock {
 public:
  std::uint64_t now_ms() override {
    timespec now{};
    // Cannot fail with a valid clock and address; should it, the clock stands at 0.
    if (::clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
  }
};

}  // namespace

Clock& posix_clock() {
  static PosixClock clock;
  return clock;
}
