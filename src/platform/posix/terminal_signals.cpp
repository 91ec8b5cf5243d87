#include "platform/posix/terminal_signals.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/exit_cleanup.h"

namespace {

const auto& END_SIGNALS = ENDING_SIGNALS;

SignalHooks hooks;

// No handler runs inside another: a stop and a continue each change what the other reads.
void block_all_of_ours(sigset_t& set) {
  sigemptyset(&set);
  for (int signal_number : END_SIGNALS) sigaddset(&set, signal_number);
  sigaddset(&set, SIGTSTP);
  sigaddset(&set, SIGCONT);
  sigaddset(&set, SIGWINCH);
}

void set_handler(int signal_number, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  block_all_of_ours(action.sa_mask);
  action.sa_flags = SA_RESTART;  // the program's own reads and writes carry on undisturbed
  sigaction(signal_number, &action, nullptr);
}

// Installs the handler unless the signal was ignored when the program started.
void catch_unless_ignored(int signal_number, void (*handler)(int)) {
  struct sigaction old {};
  if (sigaction(signal_number, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) return;
  set_handler(signal_number, handler);
}

// Lets the signal take its default action now: the process ends or stops here.
void take_default_action(int signal_number) {
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(signal_number, &default_action, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal_number);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal_number);
  sigprocmask(SIG_BLOCK, &only, nullptr);
}

void on_end_signal(int signal_number) {
  // The files first: handing the terminal back may wait on a slow terminal.
  exit_cleanup_run();
  if (hooks.end != nullptr) hooks.end();
  take_default_action(signal_number);
  _exit(128 + signal_number);
}

void on_stop(int signal_number) {
  const int saved_errno = errno;
  if (hooks.stop != nullptr) hooks.stop();
  take_default_action(signal_number);
  set_handler(signal_number, on_stop);
  // Here when continued: the SIGCONT that did it waits for this handler to end and takes the
  // terminal again. When nothing waits, the stop was not made (a process group with no shell
  // to continue it is never stopped), and the terminal is taken again here.
  sigset_t pending;
  sigemptyset(&pending);
  sigpending(&pending);
  if (sigismember(&pending, SIGCONT) != 1 && hooks.resume != nullptr) hooks.resume();
  errno = saved_errno;
}

// Runs the hook, if any, from a handler: the interrupted code finds errno as it left it.
void run_hook(void (*hook)()) {
  const int saved_errno = errno;
  if (hook != nullptr) hook();
  errno = saved_errno;
}

void on_continue(int) { run_hook(hooks.resume); }

void on_resize(int) { run_hook(hooks.resize); }

}  // namespace

void process_signals_install(const SignalHooks& installed) {
  hooks = installed;
  signal(SIGXFSZ, SIG_IGN);
  for (int signal_number : END_SIGNALS) catch_unless_ignored(signal_number, on_end_signal);
  catch_unless_ignored(SIGTSTP, on_stop);
  catch_unless_ignored(SIGCONT, on_continue);
  catch_unless_ignored(SIGWINCH, on_resize);
}
