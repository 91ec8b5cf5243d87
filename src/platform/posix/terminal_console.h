// The console on a POSIX terminal: a screen buffer of cells the size of the terminal window,
// kept in memory and shown on the terminal with VT sequences; keys read from the controlling
// terminal in raw mode and decoded into key records.
//
// What reaches the terminal is the difference between what it shows and what the grid holds,
// at most about 60 times a second while the program writes, and always before the program
// looks for a key or sleeps between looks, and at finish(). Without a terminal the grid is
// still kept, so the screen services work, and nothing is written anywhere.
#pragma once

#include <memory>

#include "platform/console_device.h"

// Which descriptors and terminal a console works with.
struct TerminalConsoleSetup {
  int input_fd = 0;  // the standard streams, as is_console and select_output see them
  int output_fd = 1;
  int error_fd = 2;
  const char* terminal_path = "/dev/tty";  // where keys come from
  // The process's own console: SIGTERM, SIGHUP and SIGINT give the terminal back before the
  // process ends, a timer brings a deferred display up to date while the program is busy
  // elsewhere, and the terminal is given back at exit.
  bool whole_process = false;
};

std::unique_ptr<ConsoleDevice> terminal_console_create(const TerminalConsoleSetup& setup);

// The process's one terminal console, made on first use; it is never destroyed.
ConsoleDevice& posix_terminal_console();
