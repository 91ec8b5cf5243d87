#include "console/console_state.h"

ConsoleState con_state;
