// The time of the run, for how long a copy takes and what is left of it: the clock in rt_state,
// in milliseconds that only go forward. Where they start means nothing; the difference of two
// readings is the time between them.
#pragma once

#include <cstdint>

// Now, in milliseconds; 0, standing still, while no clock is in use.
std::uint64_t rt_now_ms();
