// The console on Windows: the console screen buffer of the selected standard handle, written
// cell by cell (WriteConsoleOutputW and friends), and the console input device "CONIN$", whose
// input records are handed on as they come. The wide calls carry the characters, so that the
// console's code pages play no part: a cell shows the code-page-437 glyph of its byte (a form,
// see platform/text_forms.h, shows its character once, followed by blanks), and a typed
// character becomes its code-page-437 byte or its form.
#pragma once

class ConsoleDevice;

// The process's one console device, made on first use.
ConsoleDevice& win32_console();
