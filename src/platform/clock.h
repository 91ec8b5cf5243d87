// Time as the services rely on it: a clock of milliseconds that only goes forward, for the time a
// copy takes and what is left of it. Where it starts is the system's own (the boot, typically);
// only the difference of two readings means anything. It does not follow changes of the time of
// day. Each operating system provides one implementation; tests use one they set by hand.
#pragma once

#include <cstdint>

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since the clock's start; never less than an earlier reading.
  virtual std::uint64_t now_ms() = 0;
};
