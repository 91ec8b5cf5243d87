#include "frame/runtime_state.h"

RuntimeState rt_state;
