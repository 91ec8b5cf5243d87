// The console on Windows: the console screen buffer of the selected standard handle, written
// cell by cell (WriteConsoleOutputA and friends), and the console input device "CONIN$", whose
// input records are handed on as they come. Bytes go to and from the console unchanged: the
// console's own code page gives them their glyphs.
#pragma once

class ConsoleDevice;

// The process's one console device, made on first use.
ConsoleDevice& win32_console();
