#include "frame/clock.h"

#include "frame/runtime_state.h"
#include "platform/clock.h"

std::uint64_t rt_now_ms() { return rt_state.clock == nullptr ? 0 : rt_state.clock->now_ms(); }
