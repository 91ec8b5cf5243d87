#include "frame/clock.h"

#include <chrono>
#include <thread>

#include "fakes/runtime_fixture.h"
#include "platform/process.h"

namespace {

class ClockTest : public RuntimeFixture {};

// The run's time is what the clock in use says, and stands at 0 while there is none.
TEST_F(ClockTest, TheRunsTimeIsTheClockInUse) {
  clock.set(86'400'000);
  clock.advance(1'500);
  EXPECT_EQ(rt_now_ms(), 86'401'500u);
  rt_state.clock = nullptr;
  EXPECT_EQ(rt_now_ms(), 0u);
}

// The system's own clock goes forward in milliseconds: a sleep of 50 ms takes about 50 of them,
// not 0 (seconds) nor thousands (microseconds), however busy the machine.
TEST_F(ClockTest, TheSystemsClockCountsMilliseconds) {
  rt_state.clock = &process_clock();
  const std::uint64_t before = rt_now_ms();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const std::uint64_t elapsed = rt_now_ms() - before;
  EXPECT_GE(elapsed, 40u);
  EXPECT_LT(elapsed, 10'000u);
}

}  // namespace
