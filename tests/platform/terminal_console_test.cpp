// The terminal console against a real pseudo-terminal: what reaches the terminal, what keys
// come back, and that the terminal is given back as it was found.
#include "platform/posix/terminal_console.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class Pty {
 public:
  Pty(int columns, int rows) {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(master, 0);
    EXPECT_EQ(grantpt(master), 0);
    EXPECT_EQ(unlockpt(master), 0);
    name = ptsname(master);
    slave = open(name.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(slave, 0);
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    ioctl(master, TIOCSWINSZ, &size);
  }
  ~Pty() {
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
  }

  // Everything the program has written so far; waits up to wait_ms for the first byte.
  std::string drain(int wait_ms = 20) {
    std::string out;
    char buffer[4096];
    pollfd ready{master, POLLIN, 0};
    while (poll(&ready, 1, out.empty() ? wait_ms : 20) > 0 && (ready.revents & POLLIN) != 0) {
      const ssize_t got = read(master, buffer, sizeof buffer);
      if (got <= 0) break;
      out.append(buffer, static_cast<std::size_t>(got));
    }
    return out;
  }
  // Reads until the text has come, or gives up after about five seconds.
  std::string read_until(const std::string& text) {
    std::string out;
    for (int round = 0; round < 250 && out.find(text) == std::string::npos; ++round) out += drain(20);
    return out;
  }
  void type(const std::string& bytes) { ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
  // Waits until typed bytes are readable on the terminal side.
  void wait_for_input() {
    pollfd ready{slave, POLLIN, 0};
    poll(&ready, 1, 2000);
  }

  int master = -1;
  int slave = -1;
  std::string name;
};

class TerminalConsoleTest : public testing::Test {
 protected:
  TerminalConsoleTest() : pty_(100, 30) {
    tcgetattr(pty_.slave, &original_);
    TerminalConsoleSetup setup;
    setup.input_fd = pty_.slave;
    setup.output_fd = pty_.slave;
    setup.error_fd = -1;
    setup.terminal_path = pty_.name.c_str();
    console_ = terminal_console_create(setup);
  }

  void start() {
    ASSERT_TRUE(console_->open_input_device());
    console_->select_output(StandardStream::output);
    console_->set_output_mode();
    console_->set_raw_input_mode();
  }

  void write_text(int x, int y, const std::string& text) {
    std::vector<ConsoleCell> cells;
    for (char c : text) cells.push_back(ConsoleCell{static_cast<std::uint8_t>(c), 7});
    console_->write_cells(x, y, cells.data(), static_cast<int>(cells.size()));
  }

  // The next key, looking for up to about two seconds as the keyboard service would.
  bool next_key(InputRecord& record) {
    for (int round = 0; round < 2000; ++round) {
      if (console_->peek_input(record) == InputPeek::record) return console_->read_input(record);
      console_->sleep_one_millisecond();
    }
    return false;
  }

  Pty pty_;
  termios original_{};
  std::unique_ptr<ConsoleDevice> console_;
};

TEST_F(TerminalConsoleTest, SetsUpRawKeysAndTheWindowSize) {
  EXPECT_TRUE(console_->is_console(StandardStream::input));
  EXPECT_TRUE(console_->is_console(StandardStream::output));
  EXPECT_FALSE(console_->is_console(StandardStream::error));
  start();
  termios raw{};
  ASSERT_EQ(tcgetattr(pty_.slave, &raw), 0);
  EXPECT_EQ(raw.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(raw.c_iflag & (IXON | ICRNL), 0u);
  EXPECT_EQ(raw.c_cc[VMIN], 0);
  EXPECT_EQ(raw.c_cc[VTIME], 0);

  ScreenBufferInfo info;
  ASSERT_TRUE(console_->get_screen_info(info));
  EXPECT_EQ(info.columns, 100);
  EXPECT_EQ(info.rows, 30);
  CursorShape shape;
  EXPECT_TRUE(console_->get_cursor_shape(StandardStream::output, shape));
  EXPECT_EQ(shape.size, 25);
  EXPECT_TRUE(shape.visible);
  EXPECT_FALSE(console_->get_cursor_shape(StandardStream::error, shape));
}

TEST_F(TerminalConsoleTest, DrawsBeforeLookingForAKeyAndOnlyOnce) {
  start();
  EXPECT_EQ(pty_.drain(), "");  // nothing written, nothing drawn: the screen is left alone
  write_text(2, 1, "Hi");
  console_->set_cursor_position(4, 1);
  InputRecord record;
  EXPECT_EQ(console_->peek_input(record), InputPeek::empty);
  const std::string first = pty_.drain();
  EXPECT_NE(first.find("\x1b[2J"), std::string::npos);
  EXPECT_NE(first.find("  Hi  "), std::string::npos);
  EXPECT_EQ(console_->peek_input(record), InputPeek::empty);
  EXPECT_EQ(pty_.drain(), "");
  write_text(0, 29, "\xfe");
  console_->sleep_one_millisecond();
  EXPECT_EQ(pty_.drain(), "\x1b[30;1H\xe2\x96\xa0\x1b[2;5H");
}

TEST_F(TerminalConsoleTest, DecodesTypedKeys) {
  start();
  struct Typed {
    const char* bytes;
    int character;
    int scan_code;
    std::uint32_t control_state;
  };
  const Typed typed[] = {{"\x1b[A", 0, 72, 0},          {"\x1bx", 'x', 45, LEFT_ALT_PRESSED},
                         {"\x1bOP", 0, 59, 0},          {"\x1b[15~", 0, 63, 0},
                         {"\x1b[1;5C", 0, 77, LEFT_CTRL_PRESSED}, {"\xc3\xa4", 0x84, 0, 0},
                         {"\r", 13, 0x1C, 0},           {"\x03", 3, 0x2E, LEFT_CTRL_PRESSED},
                         {"\x1b", 27, 1, 0}};
  for (const Typed& t : typed) {
    pty_.type(t.bytes);
    InputRecord record;
    ASSERT_TRUE(next_key(record)) << t.bytes + 1;
    EXPECT_EQ(record.character, t.character) << t.bytes + 1;
    EXPECT_EQ(record.scan_code, t.scan_code) << t.bytes + 1;
    EXPECT_EQ(record.control_state, t.control_state) << t.bytes + 1;
    EXPECT_EQ(console_->peek_input(record), InputPeek::empty) << t.bytes + 1;
  }
}

TEST_F(TerminalConsoleTest, FlushDropsKeysNotYetRead) {
  start();
  pty_.type("abc");
  pty_.wait_for_input();
  console_->flush_input();
  InputRecord record;
  EXPECT_EQ(console_->peek_input(record), InputPeek::empty);
  // Keys already decoded go too.
  pty_.type("de");
  ASSERT_TRUE(next_key(record));
  console_->flush_input();
  EXPECT_EQ(console_->peek_input(record), InputPeek::empty);
}

TEST_F(TerminalConsoleTest, FinishShowsTheLastFrameAndGivesTheTerminalBack) {
  start();
  write_text(0, 0, "done");
  console_->set_cursor_shape(CursorShape{25, false});
  console_->set_cursor_position(0, 3);
  console_->finish();
  const std::string out = pty_.drain();
  EXPECT_NE(out.find("done"), std::string::npos);
  EXPECT_NE(out.find("\x1b[?25l"), std::string::npos);
  // The screen stays; the cursor goes to where the program left it and shows again.
  EXPECT_EQ(out.find("\x1b[2J", 10), std::string::npos);
  const std::string end = "\x1b[4;1H\x1b[0m\x1b[?25h";
  ASSERT_GE(out.size(), end.size());
  EXPECT_EQ(out.substr(out.size() - end.size()), end);
  termios after{};
  ASSERT_EQ(tcgetattr(pty_.slave, &after), 0);
  EXPECT_EQ(after.c_lflag, original_.c_lflag);
  EXPECT_EQ(after.c_iflag, original_.c_iflag);
  EXPECT_EQ(after.c_oflag, original_.c_oflag);
  EXPECT_EQ(after.c_cc[VMIN], original_.c_cc[VMIN]);
  console_->finish();
  EXPECT_EQ(pty_.drain(), "");
}

TEST_F(TerminalConsoleTest, HangUpMeansNoMoreInputAndNoMoreOutput) {
  start();
  close(pty_.master);
  pty_.master = -1;
  InputRecord record;
  EXPECT_EQ(console_->peek_input(record), InputPeek::no_input);
  write_text(0, 0, "gone");
  console_->sleep_one_millisecond();
  EXPECT_EQ(console_->peek_input(record), InputPeek::no_input);
  console_->finish();
}

TEST_F(TerminalConsoleTest, ScreenGoesToStandardErrorWhenItIsTheTerminal) {
  TerminalConsoleSetup setup;
  const int null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  setup.input_fd = null_fd;
  setup.output_fd = null_fd;
  setup.error_fd = pty_.slave;
  setup.terminal_path = pty_.name.c_str();
  auto console = terminal_console_create(setup);
  EXPECT_FALSE(console->is_console(StandardStream::output));
  EXPECT_TRUE(console->is_console(StandardStream::error));
  console->select_output(StandardStream::error);
  const ConsoleCell cell{'E', 7};
  console->write_cells(0, 0, &cell, 1);
  console->finish();
  EXPECT_NE(pty_.drain().find('E'), std::string::npos);
  close(null_fd);
}

TEST(TerminalConsoleWithoutTerminal, KeepsAGridAndWritesNothing) {
  TerminalConsoleSetup setup;
  const int null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  setup.input_fd = setup.output_fd = setup.error_fd = null_fd;
  setup.terminal_path = "/nonexistent/tty";
  auto console = terminal_console_create(setup);
  EXPECT_FALSE(console->open_input_device());
  EXPECT_FALSE(console->is_console(StandardStream::input));
  EXPECT_FALSE(console->is_console(StandardStream::output));
  console->select_output(StandardStream::error);
  console->set_raw_input_mode();
  CursorShape shape;
  EXPECT_FALSE(console->get_cursor_shape(StandardStream::output, shape));
  ScreenBufferInfo info;
  ASSERT_TRUE(console->get_screen_info(info));
  EXPECT_EQ(info.columns, 80);
  EXPECT_EQ(info.rows, 25);
  const ConsoleCell cell{'x', 7};
  console->write_cells(79, 24, &cell, 1);
  console->set_cursor_position(79, 24);
  ASSERT_TRUE(console->get_screen_info(info));
  EXPECT_EQ(info.cursor_x, 79);
  EXPECT_EQ(info.cursor_y, 24);
  InputRecord record;
  EXPECT_EQ(console->peek_input(record), InputPeek::no_input);
  console->sleep_one_millisecond();
  console->finish();
  close(null_fd);
}

// The process's own console in a child that owns the pseudo-terminal as its controlling
// terminal: writes two words and never looks for a key, then is sent the signal.
void run_child(const std::string& terminal) {
  // Signals the test runner was started to ignore would stay ignored.
  for (int signal_number : {SIGTERM, SIGHUP, SIGINT}) signal(signal_number, SIG_DFL);
  setsid();
  const int fd = open(terminal.c_str(), O_RDWR);
  if (fd < 0) _exit(10);
  ioctl(fd, TIOCSCTTY, 0);
  dup2(fd, 0);
  dup2(fd, 1);
  dup2(fd, 2);
  ConsoleDevice& console = posix_terminal_console();
  if (!console.open_input_device()) _exit(11);
  console.select_output(StandardStream::output);
  console.set_raw_input_mode();
  const ConsoleCell first[] = {{'b', 7}, {'u', 7}, {'s', 7}, {'y', 7}};
  console.write_cells(0, 0, first, 4);
  // Right behind the first: within one frame interval, so it waits for the next frame.
  const ConsoleCell second[] = {{'i', 7}, {'d', 7}, {'l', 7}, {'e', 7}};
  console.write_cells(0, 1, second, 4);
  console.set_cursor_shape(CursorShape{25, false});
  for (int round = 0; round < 10000; ++round) {
    timespec pause{0, 1000000};
    nanosleep(&pause, nullptr);
  }
  _exit(12);
}

TEST(TerminalConsoleProcess, ShowsWhatWasWrittenWhileBusyAndGivesTheTerminalBackOnSignals) {
  for (int signal_number : {SIGTERM, SIGHUP, SIGINT}) {
    Pty pty(80, 25);
    termios original{};
    tcgetattr(pty.slave, &original);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) run_child(pty.name);
    // The word shows though the child never looks for a key: the frame timer drew it.
    std::string out = pty.read_until("idle");
    EXPECT_NE(out.find("idle"), std::string::npos) << signal_number;
    kill(child, signal_number);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    out += pty.drain();
    EXPECT_TRUE(WIFSIGNALED(status)) << signal_number << " status " << status;
    if (WIFSIGNALED(status)) {
      EXPECT_EQ(WTERMSIG(status), signal_number);
    }
    const std::string end = "\x1b[0m\x1b[?25h";
    ASSERT_GE(out.size(), end.size());
    EXPECT_EQ(out.substr(out.size() - end.size()), end) << signal_number;
    termios after{};
    ASSERT_EQ(tcgetattr(pty.slave, &after), 0);
    EXPECT_EQ(after.c_lflag, original.c_lflag) << signal_number;
    EXPECT_EQ(after.c_iflag, original.c_iflag) << signal_number;
  }
}

}  // namespace
