// The terminal's settings as the program found them, the switch to raw keys, and the way back.
#pragma once

#include <termios.h>

#include <csignal>

struct TerminalModes {
  int fd = -1;
  termios saved{};
  volatile std::sig_atomic_t active = 0;  // raw keys are on and the saved settings not yet back
};

// Saves the settings of the terminal on fd and switches it to raw keys: no echo, no line
// editing, no signal keys (Ctrl+C arrives as the byte 3), no flow control (Ctrl+S and Ctrl+Q
// arrive too), CR not turned into LF, and reads that never wait. Output settings are kept.
// False when fd is no terminal or refuses the change.
bool raw_mode_enter(TerminalModes& modes, int fd);
// Puts the saved settings back, once; later calls do nothing. Only writes, so it is safe in a
// signal handler.
void raw_mode_restore(TerminalModes& modes);
