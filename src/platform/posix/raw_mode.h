// The terminal's settings as the program found them, the switch to raw keys, and the way back.
#pragma once

#include <termios.h>

#include <csignal>

struct TerminalModes {
  int fd = -1;
  termios saved{};
  termios raw{};
  volatile std::sig_atomic_t active = 0;  // raw keys are on and the saved settings not yet back
};

// Saves the settings of the terminal on fd and switches it to raw keys: no echo, no line
// editing, no flow control (Ctrl+S and Ctrl+Q arrive as keys), CR not turned into LF, and
// reads that never wait. The signal keys stay as the user has them (Ctrl+C, Ctrl+\ and Ctrl+Z
// interrupt, quit and stop the program, as in every terminal program), and so do the output
// settings. False when fd is no terminal or refuses the change. Only reads and sets the
// terminal's settings, so it is safe in a signal handler (a continue takes the terminal again).
bool raw_mode_enter(TerminalModes& modes, int fd);
// Sets the raw settings again, while they are on: something else (a shell, while the program
// was stopped) may have changed them. Only writes, so it is safe in a signal handler.
void raw_mode_reapply(const TerminalModes& modes);
// Puts the saved settings back, once; later calls do nothing. Only writes, so it is safe in a
// signal handler.
void raw_mode_restore(TerminalModes& modes);
