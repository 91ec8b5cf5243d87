// A clock for tests: it stands still, and moves only when the test sets it or moves it on, so
// that every reading a run takes is known beforehand.
//
//   FakeClock clock;             // at 0
//   rt_state.clock = &clock;
//   clock.advance(1500);         // a second and a half later
#pragma once

#include <cstdint>

#include "platform/clock.h"

class FakeClock final : public Clock {
 public:
  std::uint64_t now_ms() override { return now_; }

  void set(std::uint64_t ms) { now_ = ms; }
  void advance(std::uint64_t ms) { now_ += ms; }

 private:
  std::uint64_t now_ = 0;
};
