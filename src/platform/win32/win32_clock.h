// The clock on Windows: the performance counter, whose rate is fixed while the system runs and
// which resolves far less than a millisecond (GetTickCount64 moves in steps of 10 to 16).
#pragma once

class Clock;

// The process's one clock.
Clock& win32_clock();
