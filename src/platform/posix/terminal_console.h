// The console on a POSIX terminal: a screen buffer of cells at least 80 x 25 (the size of the
// terminal window when that is larger), kept in memory and shown on the terminal with VT
// sequences; keys read from the controlling terminal in raw mode and decoded into key records.
// A window smaller than the screen buffer shows the part of it around the cursor.
//
// What reaches the terminal is the difference between what it shows and what the grid holds,
// drawn only at the moments the program gives for it: present() (at most once a frame interval
// unless urgent), before the program looks for a key or sleeps between looks, and at finish().
// A resize or a continue after a stop only marks the screen, which the next of those moments
// draws whole. The ending and stopping signals hand the terminal back at once, with bytes made
// ready after the last frame. Without a terminal the grid is still kept, so the screen services
// work, and nothing is written anywhere.
#pragma once

#include <memory>

#include "platform/console_device.h"

// Which descriptors and terminal a console works with.
struct TerminalConsoleSetup {
  int input_fd = 0;  // the standard streams, as is_console and select_output see them
  int output_fd = 1;
  int error_fd = 2;
  const char* terminal_path = "/dev/tty";  // where keys come from
  // The terminal's type (TERM). A terminal that declares no cursor addressing ("dumb", an
  // empty name or none at all) counts as no terminal: no stream is a console, nothing is
  // written and no key is read. Every other name is taken as xterm-compatible.
  const char* terminal_type = "xterm";
  // The shortest time between two frames that a present() that is not urgent draws: about 60
  // frames a second.
  int frame_interval_ms = 16;
};

std::unique_ptr<ConsoleDevice> terminal_console_create(const TerminalConsoleSetup& setup);

// The process's one terminal console, made on first use (at the start of the process) with
// the process's signal handlers (terminal_signals.h): the signals that end, stop and continue
// the process and that resize the window are acted on (the terminal given back at once, taken
// again, drawn again at the next frame), and the terminal is given back at exit. It is never
// destroyed.
ConsoleDevice& posix_terminal_console();
