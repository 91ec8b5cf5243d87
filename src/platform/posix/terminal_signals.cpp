#include "platform/posix/terminal_signals.h"

#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/exit_cleanup.h"

namespace {

constexpr int END_SIGNALS[] = {SIGTERM, SIGHUP, SIGINT};

void (*end_hook)() = nullptr;
void (*refresh_hook)() = nullptr;
timer_t refresh_timer;
bool timer_made = false;

// Neither handler runs inside the other: the refresh and the hand-back share the frame buffer.
void block_all_of_ours(sigset_t& set) {
  sigemptyset(&set);
  for (int signal_number : END_SIGNALS) sigaddset(&set, signal_number);
  sigaddset(&set, SIGALRM);
}

void on_end_signal(int signal_number) {
  exit_cleanup_run();  // the glue's temporary file does not outlive the run
  if (end_hook != nullptr) end_hook();
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(signal_number, &default_action, nullptr);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, signal_number);
  sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  raise(signal_number);
  _exit(128 + signal_number);
}

void on_alarm(int) {
  const int saved_errno = errno;
  if (refresh_hook != nullptr) refresh_hook();
  errno = saved_errno;
}

}  // namespace

void end_signals_install(void (*hook)()) {
  end_hook = hook;
  for (int signal_number : END_SIGNALS) {
    struct sigaction old {};
    if (sigaction(signal_number, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = on_end_signal;
    block_all_of_ours(action.sa_mask);
    sigaction(signal_number, &action, nullptr);
  }
}

bool refresh_timer_create(void (*hook)()) {
  if (timer_made) return true;
  refresh_hook = hook;
  struct sigaction action {};
  action.sa_handler = on_alarm;
  block_all_of_ours(action.sa_mask);
  action.sa_flags = SA_RESTART;  // the program's own reads and writes carry on undisturbed
  if (sigaction(SIGALRM, &action, nullptr) != 0) return false;
  struct sigevent event {};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = SIGALRM;
  if (timer_create(CLOCK_MONOTONIC, &event, &refresh_timer) != 0) return false;
  timer_made = true;
  return true;
}

void refresh_timer_arm(long milliseconds) {
  if (!timer_made) return;
  struct itimerspec when {};
  when.it_value.tv_sec = milliseconds / 1000;
  when.it_value.tv_nsec = (milliseconds % 1000) * 1000000L;
  timer_settime(refresh_timer, 0, &when, nullptr);
}

void refresh_timer_delete() {
  if (!timer_made) return;
  timer_delete(refresh_timer);
  timer_made = false;
}
