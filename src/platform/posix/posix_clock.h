// The clock on POSIX systems: CLOCK_MONOTONIC, which never follows a change of the time of day.
#pragma once

class Clock;

// The process's one clock.
Clock& posix_clock();
