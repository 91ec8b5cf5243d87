#include "platform/posix/raw_mode.h"

#include <atomic>

bool raw_mode_enter(TerminalModes& modes, int fd) {
  termios settings;
  if (modes.active != 0 || tcgetattr(fd, &settings) != 0) return false;
  modes.fd = fd;
  modes.saved = settings;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK);
  settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | IEXTEN);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  modes.raw = settings;
  // Marked before the switch, so that a signal arriving in between still restores.
  std::atomic_signal_fence(std::memory_order_seq_cst);
  modes.active = 1;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (tcsetattr(fd, TCSANOW, &settings) != 0) {
    modes.active = 0;
    return false;
  }
  return true;
}

void raw_mode_reapply(const TerminalModes& modes) {
  if (modes.active == 0) return;
  tcsetattr(modes.fd, TCSANOW, &modes.raw);
}

void raw_mode_restore(TerminalModes& modes) {
  if (modes.active == 0) return;
  modes.active = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  tcsetattr(modes.fd, TCSANOW, &modes.saved);
}
