// The signals the process lives with on a POSIX terminal. Every hook runs inside a signal
// handler and must be async-signal-safe: it sets a flag, or writes bytes made ready before and
// puts the terminal's modes back; it never draws. No two of these handlers run inside each other.
#pragma once

struct SignalHooks {
  void (*end)() = nullptr;     // the run ends: give the terminal back
  void (*stop)() = nullptr;    // the run stops for a while (Ctrl+Z): give the terminal back
  void (*resume)() = nullptr;  // the run goes on after a stop: take the terminal again, and
                               // mark the screen to be drawn whole at the next chance
  void (*resize)() = nullptr;  // the terminal's window has changed its size: mark it to be
                               // read again at the next chance
};

// Installs the process's handlers, with or without a terminal:
// - every signal that ends a process by default and can be caught (SIGTERM, SIGINT, SIGHUP,
//   SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGPIPE; Ctrl+C and
//   Ctrl+\ at the terminal send SIGINT and SIGQUIT) first removes the files listed for removal
//   (exit_cleanup.h), then runs the end hook, then ends the process as the signal would have;
// - SIGTSTP (Ctrl+Z) runs the stop hook, stops the process, and on continuing runs the resume
//   hook; SIGCONT after any other stop runs the resume hook too; SIGWINCH runs the resize hook;
// - SIGXFSZ is ignored, so that a write past the file-size limit fails (EFBIG) instead of
//   ending the run.
// A signal that was ignored when the program started stays ignored.
void process_signals_install(const SignalHooks& hooks);
