// The console on a POSIX terminal: a screen buffer of cells the size of the terminal window,
// kept in memory and shown on the terminal with VT sequences; keys read from the controlling
// terminal in raw mode and decoded into key records.
#pragma once

class ConsoleDevice;

// The process's one terminal console, made on first use.
ConsoleDevice& posix_terminal_console();
