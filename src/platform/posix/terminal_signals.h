// The signals the terminal console lives with. Both hooks run inside signal handlers and must
// be async-signal-safe.
#pragma once

// SIGTERM, SIGHUP and SIGINT sent from outside first remove the files registered in
// exit_cleanup.h and run the hook (which gives the terminal back), and then end the process as
// the signal would have. A signal that was ignored when the
// program started stays ignored.
void end_signals_install(void (*hook)());

// A one-shot timer (SIGALRM) that runs the hook when it expires; false when none can be made.
bool refresh_timer_create(void (*hook)());
// Starts the timer afresh; safe inside the hook.
void refresh_timer_arm(long milliseconds);
void refresh_timer_delete();
