#include "platform/posix/terminal_console.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "platform/posix/key_decoder.h"
#include "platform/posix/raw_mode.h"
#include "platform/posix/terminal_grid.h"
#include "platform/posix/terminal_render.h"
#include "platform/posix/terminal_signals.h"

namespace {

// Bytes taken from the terminal at one look; a long paste is read over several looks.
constexpr std::size_t READ_LIMIT = 4096;

// The screen is never smaller than the console window the program was made for; a smaller
// terminal window shows part of it.
constexpr int SCREEN_COLUMNS = 80;
constexpr int SCREEN_ROWS = 25;
// Room for the bytes that hand the terminal back.
constexpr std::size_t HAND_BACK_CAPACITY = 64;

// Whether a terminal of this type (TERM) can place its cursor: every name but "dumb" and none.
bool has_cursor_addressing(const char* terminal_type) {
  return terminal_type != nullptr && terminal_type[0] != 0 && std::strcmp(terminal_type, "dumb") != 0;
}

std::int64_t now_ms() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Writes the bytes to the terminal on fd, waiting for room when someone made it non-blocking (a
// second at most each time). The rest is left unsent once `stops` no longer holds `stops_seen`:
// a stop gave the terminal to the shell meanwhile. False when the terminal refuses the bytes.
// Only async-signal-safe calls: the handlers send the hand-back with it.
bool write_out(int fd, const char* at, std::size_t left, const volatile std::sig_atomic_t& stops,
               std::sig_atomic_t stops_seen) {
  while (left > 0 && stops == stops_seen) {
    const ssize_t written = write(fd, at, left);
    if (written > 0) {
      at += written;
      left -= static_cast<std::size_t>(written);
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else if (written < 0 && errno == EAGAIN) {
      pollfd room{fd, POLLOUT, 0};
      if (poll(&room, 1, 1000) <= 0) return true;
    } else {
      return false;
    }
  }
  return true;
}

class TerminalConsole final : public ConsoleDevice {
 public:
  explicit TerminalConsole(const TerminalConsoleSetup& setup)
      : setup_(setup), addressable_(has_cursor_addressing(setup.terminal_type)) {}
  ~TerminalConsole() override {
    finish();
    if (tty_fd_ >= 0) close(tty_fd_);
  }

  bool is_console(StandardStream stream) override {
    return addressable_ && isatty(fd_of(stream)) == 1;
  }
  bool open_input_device() override;
  void select_output(StandardStream stream) override;
  // A VT terminal needs no switch for output: the grid is drawn with explicit positions.
  void set_output_mode() override {}
  void set_raw_input_mode() override;
  bool get_cursor_shape(StandardStream stream, CursorShape& shape) override;

  bool get_screen_info(ScreenBufferInfo& info) override;
  void write_cells(int x, int y, const ConsoleCell* cells, int count) override;
  void scroll(int left, int top, int right, int bottom, int dest_x, int dest_y,
              ConsoleCell fill) override;
  void fill_characters(int x, int y, long count, std::uint8_t character) override;
  void fill_attributes(int x, int y, long count, std::uint16_t attribute) override;
  void fill_cells(int x, int y, long count, ConsoleCell cell) override;
  void set_cursor_position(int x, int y) override;
  void set_cursor_shape(CursorShape shape) override;

  InputPeek peek_input(InputRecord& record) override;
  bool read_input(InputRecord& record) override;
  void flush_input() override;
  void sleep_one_millisecond() override;
  void present(bool urgent) override;
  void finish() override;

  // Run from signal handlers. They never touch the grid or the renderer: they send the
  // hand-back made ready after the last frame, put the terminal's modes back or take them
  // again, and set the flags that the next frame acts on.
  void hand_back_from_signal();
  void suspend_from_signal();
  void resume_from_signal();
  void resize_from_signal() { resized_ = 1; }

 private:
  int fd_of(StandardStream stream) const;
  TerminalGrid& grid();
  bool showing() const {
    return output_is_terminal_ && !output_dead_ && finished_ == 0 && suspended_ == 0;
  }
  // The terminal window's size, 0 x 0 when it cannot be read.
  void measure_window(int& columns, int& rows) const;
  // Brings the terminal up to what the grid holds, after acting on a resize or a continue.
  void refresh();
  // Makes render_end's bytes of the frame just made the ones the handlers send.
  void prepare_hand_back();
  void send(const ByteBuffer& bytes, std::sig_atomic_t stops_seen);
  // The terminal is gone: nothing more is written to it, by a handler neither.
  void lose_output();
  void take_input();
  void hang_up();

  TerminalConsoleSetup setup_;
  bool addressable_;  // the terminal can place its cursor: one to draw on at all
  int tty_fd_ = -1;
  int output_fd_ = -1;
  bool output_is_terminal_ = false;
  bool output_dead_ = false;  // the terminal hung up: nothing more is written to it
  bool input_hung_up_ = false;
  bool raw_wanted_ = false;  // raw keys were switched on, and are again after a stop
  volatile std::sig_atomic_t finished_ = 0;
  // Set by the handlers; the normal flow reads them.
  volatile std::sig_atomic_t suspended_ = 0;  // stopped (Ctrl+Z): the terminal is the shell's
  volatile std::sig_atomic_t stops_ = 0;      // how many stops have given the terminal away
  volatile std::sig_atomic_t resized_ = 0;    // the window's size is to be read again
  volatile std::sig_atomic_t continued_ = 0;  // the terminal was taken again: draw it whole
  TerminalModes modes_;

  std::unique_ptr<TerminalGrid> grid_;
  std::unique_ptr<TerminalRenderer> renderer_;
  std::unique_ptr<ByteBuffer> frame_;
  std::int64_t last_frame_ms_ = 0;
  // The bytes that hand the terminal back after the last frame, made after every frame. Two
  // buffers: the one being made is never the one a handler may find; hand_back_ready_ names
  // the one to send, -1 when there is nothing to hand back.
  ByteBuffer hand_back_[2] = {ByteBuffer(HAND_BACK_CAPACITY), ByteBuffer(HAND_BACK_CAPACITY)};
  volatile std::sig_atomic_t hand_back_ready_ = -1;

  KeyDecoder decoder_;
  std::deque<InputRecord> keys_;
};

// The process's console, for the signal handlers and the exit hook.
TerminalConsole* process_console_instance = nullptr;

void end_hook() {
  if (process_console_instance != nullptr) process_console_instance->hand_back_from_signal();
}

void stop_hook() {
  if (process_console_instance != nullptr) process_console_instance->suspend_from_signal();
}

void resume_hook() {
  if (process_console_instance != nullptr) process_console_instance->resume_from_signal();
}

void resize_hook() {
  if (process_console_instance != nullptr) process_console_instance->resize_from_signal();
}

void exit_hook() {
  if (process_console_instance != nullptr) process_console_instance->finish();
}

int TerminalConsole::fd_of(StandardStream stream) const {
  switch (stream) {
    case StandardStream::input: return setup_.input_fd;
    case StandardStream::output: return setup_.output_fd;
    case StandardStream::error: return setup_.error_fd;
  }
  return -1;
}

bool TerminalConsole::open_input_device() {
  if (tty_fd_ < 0 && addressable_ && setup_.terminal_path != nullptr) {
    tty_fd_ = open(setup_.terminal_path, O_RDWR | O_CLOEXEC | O_NOCTTY);
  }
  return tty_fd_ >= 0;
}

void TerminalConsole::select_output(StandardStream stream) {
  output_fd_ = fd_of(stream);
  output_is_terminal_ = addressable_ && output_fd_ >= 0 && isatty(output_fd_) == 1;
}

void TerminalConsole::set_raw_input_mode() {
  if (tty_fd_ >= 0 && modes_.active == 0) raw_wanted_ = raw_mode_enter(modes_, tty_fd_);
}

bool TerminalConsole::get_cursor_shape(StandardStream stream, CursorShape& shape) {
  if (!is_console(stream)) return false;
  shape = CursorShape{25, true};
  return true;
}

void TerminalConsole::measure_window(int& columns, int& rows) const {
  // The window that is shown on, else the one keys come from.
  columns = rows = 0;
  winsize size{};
  const int measured = output_is_terminal_ ? output_fd_ : tty_fd_;
  if (measured >= 0 && ioctl(measured, TIOCGWINSZ, &size) == 0) {
    columns = size.ws_col;
    rows = size.ws_row;
  }
}

TerminalGrid& TerminalConsole::grid() {
  if (!grid_) {
    // The size of the window at the start, when that is larger than the screen; it stays for
    // the whole run, whatever the window does.
    int window_columns = 0, window_rows = 0;
    measure_window(window_columns, window_rows);
    const int columns = std::max(window_columns, SCREEN_COLUMNS);
    const int rows = std::max(window_rows, SCREEN_ROWS);
    grid_ = std::make_unique<TerminalGrid>(columns, rows);
    renderer_ = std::make_unique<TerminalRenderer>(columns, rows);
    renderer_->set_window(window_columns, window_rows);
    frame_ = std::make_unique<ByteBuffer>(TerminalRenderer::frame_capacity(columns, rows));
  }
  return *grid_;
}

bool TerminalConsole::get_screen_info(ScreenBufferInfo& info) {
  const TerminalGrid& cells = grid();
  info.columns = cells.columns();
  info.rows = cells.rows();
  info.cursor_x = cells.cursor_x();
  info.cursor_y = cells.cursor_y();
  return true;
}

void TerminalConsole::write_cells(int x, int y, const ConsoleCell* cells, int count) {
  grid().write_cells(x, y, cells, count);
}

void TerminalConsole::scroll(int left, int top, int right, int bottom, int dest_x, int dest_y,
                             ConsoleCell fill) {
  grid().scroll(left, top, right, bottom, dest_x, dest_y, fill);
}

void TerminalConsole::fill_characters(int x, int y, long count, std::uint8_t character) {
  grid().fill_characters(x, y, count, character);
}

void TerminalConsole::fill_attributes(int x, int y, long count, std::uint16_t attribute) {
  grid().fill_attributes(x, y, count, attribute);
}

void TerminalConsole::fill_cells(int x, int y, long count, ConsoleCell cell) { grid().fill_cells(x, y, count, cell); }

void TerminalConsole::set_cursor_position(int x, int y) {
  grid().set_cursor(x, y);
}

void TerminalConsole::set_cursor_shape(CursorShape shape) {
  grid().set_cursor_visible(shape.visible);
}

void TerminalConsole::refresh() {
  if (!showing() || !grid_) return;
  if (continued_ != 0) {
    continued_ = 0;
    renderer_->restart();
  }
  if (resized_ != 0) {
    resized_ = 0;
    int columns = 0, rows = 0;
    measure_window(columns, rows);
    renderer_->set_window(columns, rows);
  }
  // Read after the flags: a frame made before a stop that comes from here on is not sent
  // (the continue that follows the stop marks the screen to be drawn whole).
  const std::sig_atomic_t stops = stops_;
  if (!grid_->stale() && !renderer_->redraw_pending()) return;
  frame_->clear();
  renderer_->render(*grid_, *frame_);
  prepare_hand_back();
  send(*frame_, stops);
  last_frame_ms_ = now_ms();
}

void TerminalConsole::prepare_hand_back() {
  const int spare = hand_back_ready_ == 0 ? 1 : 0;
  hand_back_[spare].clear();
  renderer_->render_end(hand_back_[spare]);
  // Every byte is in place before a handler can find the buffer.
  std::atomic_signal_fence(std::memory_order_seq_cst);
  hand_back_ready_ = spare;
}

void TerminalConsole::send(const ByteBuffer& bytes, std::sig_atomic_t stops_seen) {
  if (!write_out(output_fd_, bytes.data(), bytes.size(), stops_, stops_seen)) lose_output();
}

void TerminalConsole::lose_output() {
  output_dead_ = true;
  hand_back_ready_ = -1;
}

void TerminalConsole::present(bool urgent) {
  // After a resize or a continue the window shows something else than the grid: drawn at once.
  const bool due = urgent || resized_ != 0 || continued_ != 0 ||
                   now_ms() - last_frame_ms_ >= setup_.frame_interval_ms;
  if (due) refresh();
}

void TerminalConsole::hand_back_from_signal() {
  const std::sig_atomic_t ready = hand_back_ready_;
  if (ready >= 0 && suspended_ == 0) {
    const ByteBuffer& bytes = hand_back_[ready];
    write_out(output_fd_, bytes.data(), bytes.size(), stops_, stops_);
  }
  raw_mode_restore(modes_);
}

void TerminalConsole::suspend_from_signal() {
  if (finished_ != 0 || suspended_ != 0) return;
  hand_back_from_signal();
  // What the screen showed is the shell's now: nothing of it is handed back again.
  hand_back_ready_ = -1;
  suspended_ = 1;
  stops_ = stops_ + 1;
}

// The modes are taken again here rather than at the next frame, so that keys typed once the
// program is back in the foreground are neither echoed nor held for a line while it is busy
// elsewhere (a long copy); tcgetpgrp, tcgetattr and tcsetattr are async-signal-safe. The
// screen waits for the next frame.
void TerminalConsole::resume_from_signal() {
  if (finished_ != 0) return;
  const int terminal_fd = tty_fd_ >= 0 ? tty_fd_ : (output_is_terminal_ ? output_fd_ : -1);
  // Continued in the background: the terminal stays the shell's until the program is brought
  // to the foreground, which continues it once more.
  if (terminal_fd >= 0 && tcgetpgrp(terminal_fd) != getpgrp()) return;
  if (suspended_ != 0) {
    if (raw_wanted_ && tty_fd_ >= 0) raw_mode_enter(modes_, tty_fd_);
    suspended_ = 0;
  } else {
    // Stopped by something that could not be caught: the shell may have set the terminal as
    // it likes meanwhile.
    raw_mode_reapply(modes_);
  }
  continued_ = 1;
}

void TerminalConsole::hang_up() {
  input_hung_up_ = true;
  decoder_.clear();
  // When the screen is on the same terminal, it is gone too.
  struct stat input_device {};
  struct stat output_device {};
  if (output_is_terminal_ && fstat(tty_fd_, &input_device) == 0 &&
      fstat(output_fd_, &output_device) == 0 && input_device.st_rdev == output_device.st_rdev) {
    lose_output();
  }
}

void TerminalConsole::take_input() {
  if (tty_fd_ < 0 || input_hung_up_) return;
  const std::int64_t now = now_ms();
  char buffer[256];
  std::size_t taken = 0;
  while (taken < READ_LIMIT) {
    pollfd ready{tty_fd_, POLLIN, 0};
    if (poll(&ready, 1, 0) <= 0) break;
    if ((ready.revents & POLLIN) != 0) {
      const ssize_t got = read(tty_fd_, buffer, sizeof buffer);
      if (got > 0) {
        taken += static_cast<std::size_t>(got);
        for (const InputRecord& key : decoder_.feed(std::string_view(buffer, static_cast<std::size_t>(got)), now)) {
          keys_.push_back(key);
        }
        continue;
      }
      // Readable but nothing there: the terminal has hung up.
      if (got == 0 || errno == EIO) hang_up();
      break;
    }
    if ((ready.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) hang_up();
    break;
  }
  for (const InputRecord& key : decoder_.poll(now)) keys_.push_back(key);
}

InputPeek TerminalConsole::peek_input(InputRecord& record) {
  refresh();  // the program is about to wait: show what it has written
  if (keys_.empty()) take_input();
  if (!keys_.empty()) {
    record = keys_.front();
    return InputPeek::record;
  }
  return tty_fd_ < 0 || input_hung_up_ ? InputPeek::no_input : InputPeek::empty;
}

bool TerminalConsole::read_input(InputRecord& record) {
  if (keys_.empty()) take_input();
  if (keys_.empty()) return false;
  record = keys_.front();
  keys_.pop_front();
  return true;
}

void TerminalConsole::flush_input() {
  keys_.clear();
  if (tty_fd_ >= 0 && !input_hung_up_) tcflush(tty_fd_, TCIFLUSH);
  decoder_.clear();
}

void TerminalConsole::sleep_one_millisecond() {
  refresh();
  if (tty_fd_ >= 0 && !input_hung_up_ && keys_.empty()) {
    // Wakes at once when a key comes.
    pollfd ready{tty_fd_, POLLIN, 0};
    poll(&ready, 1, 1);
  } else {
    timespec pause{0, 1000000};
    nanosleep(&pause, nullptr);
  }
}

void TerminalConsole::finish() {
  if (finished_ != 0) return;
  refresh();
  // Withdrawn only once sent: a signal that comes in between sends it again, which leaves the
  // cursor on the same fresh row (a row further down at the bottom of the window) rather than
  // the terminal without it.
  const std::sig_atomic_t ready = hand_back_ready_;
  if (showing() && ready >= 0) send(hand_back_[ready], stops_);
  hand_back_ready_ = -1;
  finished_ = 1;
  raw_mode_restore(modes_);
}

}  // namespace

std::unique_ptr<ConsoleDevice> terminal_console_create(const TerminalConsoleSetup& setup) {
  return std::make_unique<TerminalConsole>(setup);
}

ConsoleDevice& posix_terminal_console() {
  // Never destroyed: the signal handlers and the exit hook may still need it.
  static TerminalConsole* const console = [] {
    TerminalConsoleSetup setup;
    setup.terminal_type = std::getenv("TERM");
    auto* made = new TerminalConsole(setup);
    process_console_instance = made;
    SignalHooks hooks;
    hooks.end = end_hook;
    hooks.stop = stop_hook;
    hooks.resume = resume_hook;
    hooks.resize = resize_hook;
    process_signals_install(hooks);
    std::atexit(exit_hook);
    return made;
  }();
  return *console;
}
