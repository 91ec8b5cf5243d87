// The terminal console against a real pseudo-terminal: what reaches the terminal, what keys
// come back, and that the terminal is given back as it was found.
#include "platform/posix/terminal_console.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "fakes/scratch_folder.h"
#include "platform/posix/exit_cleanup.h"
#include "platform/vt_model.h"

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
    resize(columns, rows);
  }
  ~Pty() {
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
  }

  // The window's new size; the terminal's foreground process group is told (SIGWINCH).
  void resize(int columns, int rows) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    ioctl(master, TIOCSWINSZ, &size);
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
  termios settings() const {
    termios now{};
    EXPECT_EQ(tcgetattr(slave, &now), 0);
    return now;
  }

  int master = -1;
  int slave = -1;
  std::string name;
};

// The settings as `stty -g` shows them: every flag and every control character.
bool same_settings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

std::unique_ptr<ConsoleDevice> console_on(const Pty& pty, const char* terminal_type = "xterm",
                                          int frame_interval_ms = 16) {
  TerminalConsoleSetup setup;
  setup.input_fd = pty.slave;
  setup.output_fd = pty.slave;
  setup.error_fd = -1;
  setup.terminal_path = pty.name.c_str();
  setup.terminal_type = terminal_type;
  setup.frame_interval_ms = frame_interval_ms;
  return terminal_console_create(setup);
}

// Starts the console as the console's set-up starts it.
void start_console(ConsoleDevice& console) {
  ASSERT_TRUE(console.open_input_device());
  console.select_output(StandardStream::output);
  console.set_output_mode();
  console.set_raw_input_mode();
}

void write_text(ConsoleDevice& console, int x, int y, const std::string& text) {
  std::vector<ConsoleCell> cells;
  for (char c : text) cells.push_back(ConsoleCell{static_cast<std::uint8_t>(c), 7});
  console.write_cells(x, y, cells.data(), static_cast<int>(cells.size()));
}

// The text of screen row y of the test screens: its number, and a mark beyond column 60.
std::string screen_row(int y) {
  std::string text = "row " + std::to_string(y);
  text.resize(64, '.');
  return text + "cut" + std::to_string(y);
}

// The terminal's window as the bytes since the last time it was cleared drew it.
VtModel window_drawn(const std::string& out, int columns, int rows) {
  VtModel terminal(columns, rows);
  const std::size_t clear = out.rfind("\x1b[2J");
  EXPECT_NE(clear, std::string::npos) << "the window was never drawn whole";
  if (clear != std::string::npos) terminal.apply(std::string_view(out).substr(clear - 7));
  return terminal;
}

class TerminalConsoleTest : public testing::Test {
 protected:
  TerminalConsoleTest() : pty_(100, 30) {
    tcgetattr(pty_.slave, &original_);
    console_ = console_on(pty_);
  }

  void start() { start_console(*console_); }

  void write_text(int x, int y, const std::string& text) { ::write_text(*console_, x, y, text); }

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
  EXPECT_EQ(raw.c_lflag & (ICANON | ECHO), 0u);
  EXPECT_EQ(raw.c_lflag & ISIG, original_.c_lflag & ISIG);  // Ctrl+C, Ctrl+\ and Ctrl+Z act
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

TEST(TerminalConsoleScreen, IsTheWindowButNeverSmallerThan80By25) {
  struct Size {
    int window_columns, window_rows, columns, rows;
  };
  const Size sizes[] = {{100, 30, 100, 30}, {80, 25, 80, 25}, {60, 10, 80, 25}, {120, 20, 120, 25}, {0, 0, 80, 25}};
  for (const Size& size : sizes) {
    Pty pty(size.window_columns, size.window_rows);
    auto console = console_on(pty);
    start_console(*console);
    ScreenBufferInfo info;
    ASSERT_TRUE(console->get_screen_info(info));
    EXPECT_EQ(info.columns, size.columns) << size.window_columns << "x" << size.window_rows;
    EXPECT_EQ(info.rows, size.rows) << size.window_columns << "x" << size.window_rows;
  }
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

TEST(TerminalConsolePresent, DrawsWhenUrgentOrOnceTheFrameIntervalHasPassed) {
  struct Moment {
    const char* name;
    int frame_interval_ms;
    bool urgent;
    bool drawn;
  };
  const Moment moments[] = {{"within the interval", 60000, false, false},
                            {"urgent within the interval", 60000, true, true},
                            {"once the interval has passed", 0, false, true}};
  for (const Moment& moment : moments) {
    Pty pty(80, 25);
    auto console = console_on(pty, "xterm", moment.frame_interval_ms);
    start_console(*console);
    write_text(*console, 0, 0, "first");
    console->present(true);  // the interval counts from this frame
    EXPECT_NE(pty.drain().find("first"), std::string::npos) << moment.name;
    write_text(*console, 0, 1, "second");
    console->present(moment.urgent);
    EXPECT_EQ(pty.drain().find("second") != std::string::npos, moment.drawn) << moment.name;
    // Looking for a key shows what is not shown yet, whatever the interval.
    InputRecord record;
    console->peek_input(record);
    EXPECT_EQ(pty.drain().find("second") != std::string::npos, !moment.drawn) << moment.name;
    console->finish();
  }
}

TEST(TerminalConsoleSmallWindow, ShowsTheRowsUpToTheCursorAndCutsTheColumns) {
  // A 60 x 10 window onto the 80 x 25 screen: the cursor's row at the bottom of the window
  // (or the top rows, while the cursor is among them), nothing past column 60.
  Pty pty(60, 10);
  auto console = console_on(pty);
  start_console(*console);
  for (int y = 0; y < 25; ++y) write_text(*console, 0, y, screen_row(y));
  struct Cursor {
    int x, y, top;
  };
  const Cursor cursors[] = {{5, 16, 7}, {70, 3, 0}, {0, 24, 15}, {79, 9, 0}, {20, 10, 1}};
  VtModel terminal(60, 10);
  for (const Cursor& cursor : cursors) {
    console->set_cursor_position(cursor.x, cursor.y);
    InputRecord record;
    console->peek_input(record);
    terminal.apply(pty.drain());
    for (int r = 0; r < 10; ++r) EXPECT_EQ(terminal.text(r), screen_row(cursor.top + r).substr(0, 60)) << cursor.y;
    EXPECT_EQ(terminal.cursor_y(), cursor.y - cursor.top) << cursor.y;
    EXPECT_EQ(terminal.cursor_x(), std::min(cursor.x, 59)) << cursor.y;
  }
  console->finish();
}

// Keys typed at once, and sequences split over a slow link: 300 ms of looking, as a waiting
// prompt does, find no key in the start of a sequence.
TEST_F(TerminalConsoleTest, DecodesTypedKeysAndWaitsForASequenceSplitOverASlowLink) {
  start();
  struct Typed {
    std::string bytes;
    int character;
    int scan_code;
    std::uint32_t control_state = 0;
    const char* rest = nullptr;  // typed 300 ms later
  };
  const Typed typed[] = {{"\x1b[A", 0, 72},        {"\x1bx", 'x', 45, LEFT_ALT_PRESSED},
                         {"\x1bOP", 0, 59},        {"\x1b[15~", 0, 63},
                         {"\xc3\xa4", 0x84, 0},     {"\x1b[1;5C", 0, 77, LEFT_CTRL_PRESSED},
                         {"\r", 13, 0x1C},         {"\x01", 1, 0x1E, LEFT_CTRL_PRESSED},
                         {"\x1b", 27, 1},          {"\x1b[", 0, 72, 0, "A"},
                         {"\x1b[1", 0, 63, 0, "5~"}, {"\x1bO", 0, 59, 0, "P"}};
  for (const Typed& t : typed) {
    SCOPED_TRACE(t.bytes.substr(1));
    pty_.type(t.bytes);
    InputRecord record;
    for (int round = 0; t.rest != nullptr && round < 30; ++round) {
      EXPECT_EQ(console_->peek_input(record), InputPeek::empty);
      timespec pause{0, 10000000};
      nanosleep(&pause, nullptr);
    }
    if (t.rest != nullptr) pty_.type(t.rest);
    ASSERT_TRUE(next_key(record));
    EXPECT_EQ(record.character, t.character);
    EXPECT_EQ(record.scan_code, t.scan_code);
    EXPECT_EQ(record.control_state, t.control_state);
    EXPECT_EQ(console_->peek_input(record), InputPeek::empty);
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

TEST(TerminalConsoleFinish, ShowsTheLastFrameAndGivesTheTerminalBackBelowIt) {
  struct Ending {
    const char* name;
    std::vector<std::pair<int, std::string>> rows;
    int cursor_x, cursor_y;
    int prompt_row;         // where the shell goes on
    const char* row_above;  // what the row above it shows then
  };
  const Ending endings[] = {
      {"escape at the menu", {{1, "Tranchor v2.1"}, {2, "by Aldermoor"}, {7, "\xfe [S]plit or [G]lue : "}}, 21, 7, 8,
       "\xe2\x96\xa0 [S]plit or [G]lue :"},
      {"cursor below the last row", {{0, "done"}}, 0, 3, 1, "done"},
      {"progress on the bottom row", {{28, "\xfe\xfe DATA.2"}, {29, "\xfe\xfe\xfe DATA.3"}}, 0, 29, 29,
       "\xe2\x96\xa0\xe2\x96\xa0\xe2\x96\xa0 DATA.3"},
  };
  for (const Ending& ending : endings) {
    Pty pty(100, 30);
    const termios original = pty.settings();
    auto console = console_on(pty);
    start_console(*console);
    for (const auto& [y, text] : ending.rows) write_text(*console, 0, y, text);
    console->set_cursor_shape(CursorShape{25, false});
    console->set_cursor_position(ending.cursor_x, ending.cursor_y);
    console->finish();
    const std::string out = pty.drain();
    EXPECT_NE(out.find("\x1b[?25l"), std::string::npos) << ending.name;
    EXPECT_EQ(out.find("\x1b[2J", 10), std::string::npos) << ending.name;  // the screen stays
    VtModel terminal(100, 30);
    terminal.apply(out);
    EXPECT_EQ(terminal.text(ending.prompt_row - 1), ending.row_above) << ending.name;
    EXPECT_EQ(terminal.cursor_x(), 0) << ending.name;
    EXPECT_EQ(terminal.cursor_y(), ending.prompt_row) << ending.name;
    EXPECT_TRUE(terminal.cursor_visible()) << ending.name;
    EXPECT_EQ(terminal.foreground(), 39) << ending.name;
    EXPECT_EQ(terminal.background(), 49) << ending.name;
    for (int x = 0; x < 100; ++x) EXPECT_EQ(terminal.cell(x, ending.prompt_row).background, 49) << ending.name;
    EXPECT_TRUE(same_settings(pty.settings(), original)) << ending.name;
    console->finish();
    EXPECT_EQ(pty.drain(), "") << ending.name;
  }
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

TEST(TerminalConsoleType, ATerminalWithoutCursorAddressingCountsAsNone) {
  struct Type {
    const char* term;
    bool addressable;
  };
  const Type types[] = {{"dumb", false}, {"", false}, {nullptr, false}, {"xterm-256color", true},
                        {"a-terminal-named-later", true}};
  for (const Type& type : types) {
    const std::string name = type.term == nullptr ? "(unset)" : type.term;
    Pty pty(80, 25);
    const termios original = pty.settings();
    auto console = console_on(pty, type.term);
    EXPECT_EQ(console->is_console(StandardStream::input), type.addressable) << name;
    EXPECT_EQ(console->is_console(StandardStream::output), type.addressable) << name;
    EXPECT_EQ(console->open_input_device(), type.addressable) << name;
    console->select_output(StandardStream::output);
    console->set_raw_input_mode();
    CursorShape shape;
    EXPECT_EQ(console->get_cursor_shape(StandardStream::output, shape), type.addressable) << name;
    write_text(*console, 0, 0, "shown");
    pty.type("k");
    InputRecord record;
    InputPeek peek = InputPeek::empty;
    for (int round = 0; round < 500 && peek == InputPeek::empty; ++round) {
      peek = console->peek_input(record);
      console->sleep_one_millisecond();
    }
    EXPECT_EQ(peek, type.addressable ? InputPeek::record : InputPeek::no_input) << name;
    console->finish();
    const std::string out = pty.drain();
    EXPECT_EQ(out.find('\x1b') != std::string::npos, type.addressable) << name << ": " << out;
    EXPECT_EQ(out.find("shown") != std::string::npos, type.addressable) << name;
    EXPECT_TRUE(same_settings(pty.settings(), original)) << name;
  }
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

// --- the process's own console, in a process of its own ------------------------------------

// How the program of a session meets the world.
enum class Setting : std::uint8_t {
  terminal,  // the pseudo-terminal is its controlling terminal and its standard streams
  dumb,      // the same, with TERM=dumb
  none       // no terminal at all: standard streams on /dev/null (a piece dropped on it)
};

// What the program does once its screen is drawn.
enum class Doing : std::uint8_t {
  working,  // works on a file and never looks for a key (a glue or a split): it shows the
            // screen before it starts, and lets it be brought up to date after each step
  waiting,  // waits for keys as a prompt does, and shows each on row 20
  resting   // works as `working` does once the test wakes it; until then it is silent, as a
            // long copy in the kernel is, and gives the screen no moment at all
};

// The file a run lists for removal, as the glue does its temporary file.
std::filesystem::path listed_file;

// The program: the process's console set up as the start-up does it, a file listed for
// removal, the 25 screen rows drawn, the cursor on the bottom row; then the work. Reports 'R'
// when all that is done.
[[noreturn]] void run_program(Doing doing, int report_fd, int wake_fd) {
  ConsoleDevice& console = posix_terminal_console();
  console.select_output(StandardStream::error);
  console.open_input_device();
  if (console.is_console(StandardStream::output)) console.select_output(StandardStream::output);
  console.set_output_mode();
  console.set_raw_input_mode();
  const int file = open(listed_file.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (file < 0 || !exit_cleanup_add(listed_file.string())) _exit(10);
  for (int y = 0; y < 25; ++y) write_text(console, 0, y, screen_row(y));
  console.set_cursor_position(0, 24);
  if (doing != Doing::waiting) console.present(true);
  if (write(report_fd, "R", 1) != 1) _exit(11);
  char word = 0;
  if (doing == Doing::resting && read(wake_fd, &word, 1) != 1) _exit(14);
  char block[4096] = {};
  for (int round = 0; round < 20000; ++round) {
    if (doing != Doing::waiting) {
      if (pwrite(file, block, sizeof block, 0) != static_cast<ssize_t>(sizeof block)) _exit(13);
      timespec pause{0, 1000000};
      nanosleep(&pause, nullptr);
      console.present(false);
      continue;
    }
    InputRecord record;
    if (console.peek_input(record) == InputPeek::record && console.read_input(record)) {
      write_text(console, 0, 20, std::string("key ") + static_cast<char>(record.character));
    } else {
      console.sleep_one_millisecond();
    }
  }
  _exit(12);
}

// Runs the program as a shell with job control runs it: a session leader (the shell) makes
// the program's process group the terminal's foreground group and waits for it. The program's
// process id, its 'R' and a 'T' for each stop come through a pipe, the word that wakes a
// resting program through another; the shell ends with the program's exit status as a shell
// reports it (128 + the signal that ended it).
class Session {
 public:
  Session(const Pty& pty, Setting setting, Doing doing) {
    int report[2];
    int wake[2];
    EXPECT_EQ(pipe(report), 0);
    EXPECT_EQ(pipe(wake), 0);
    shell_ = fork();
    if (shell_ == 0) {
      close(wake[1]);
      run_shell(pty, setting, doing, report[1], wake[0]);
    }
    close(report[1]);
    close(wake[0]);
    report_ = report[0];
    wake_ = wake[1];
    EXPECT_EQ(read(report_, &program_, sizeof program_), static_cast<ssize_t>(sizeof program_));
    EXPECT_EQ(next_report(), 'R');
  }
  ~Session() {
    if (shell_ > 0) {
      kill(program_, SIGKILL);
      exit_status();
    }
    close(report_);
    close(wake_);
  }

  pid_t program() const { return program_; }
  // Ends the program with SIGTERM; the shell's exit status.
  int terminate() {
    kill(program_, SIGTERM);
    return exit_status();
  }
  void wake() { EXPECT_EQ(write(wake_, "w", 1), 1); }
  // The next report, or 0 when none comes within five seconds.
  char next_report() {
    pollfd ready{report_, POLLIN, 0};
    char got = 0;
    if (poll(&ready, 1, 5000) > 0 && read(report_, &got, 1) == 1) return got;
    return 0;
  }
  // The shell's exit status; -1 when the program has not ended within five seconds (it is
  // killed then).
  int exit_status() {
    const pid_t shell = shell_;
    shell_ = -1;
    int status = 0;
    for (int round = 0; round < 500; ++round) {
      if (waitpid(shell, &status, WNOHANG) == shell) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      timespec pause{0, 10000000};
      nanosleep(&pause, nullptr);
    }
    kill(program_, SIGKILL);
    waitpid(shell, &status, 0);
    return -1;
  }

 private:
  [[noreturn]] static void run_shell(const Pty& pty, Setting setting, Doing doing, int report_fd, int wake_fd) {
    // Signals the test runner was started to ignore would stay ignored.
    for (int signal_number : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM,
                              SIGPROF, SIGXCPU, SIGPIPE, SIGTSTP, SIGCONT, SIGWINCH}) {
      signal(signal_number, SIG_DFL);
    }
    setsid();
    int terminal = -1;
    if (setting != Setting::none) {
      terminal = open(pty.name.c_str(), O_RDWR);
      if (terminal < 0 || ioctl(terminal, TIOCSCTTY, 0) != 0) _exit(90);
    } else {
      terminal = open("/dev/null", O_RDWR);
    }
    int go[2];
    if (pipe(go) != 0) _exit(91);
    const pid_t program = fork();
    if (program == 0) {
      setpgid(0, 0);
      char byte = 0;
      close(go[1]);
      if (read(go[0], &byte, 1) != 1) _exit(92);  // until its group is in the foreground
      for (int fd = 0; fd < 3; ++fd) dup2(terminal, fd);
      if (setting == Setting::dumb) setenv("TERM", "dumb", 1);
      const rlimit no_core{0, 0};
      setrlimit(RLIMIT_CORE, &no_core);  // Ctrl+\ and SIGXCPU would leave a core file
      run_program(doing, report_fd, wake_fd);
    }
    setpgid(program, program);
    if (setting != Setting::none) tcsetpgrp(terminal, program);
    if (write(go[1], "g", 1) != 1 || write(report_fd, &program, sizeof program) != sizeof program) _exit(93);
    for (;;) {
      int status = 0;
      if (waitpid(program, &status, WUNTRACED) != program) _exit(94);
      if (WIFSTOPPED(status)) {
        if (write(report_fd, "T", 1) != 1) _exit(95);
        continue;
      }
      _exit(WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status));
    }
  }

  pid_t shell_ = -1;
  pid_t program_ = -1;
  int report_ = -1;
  int wake_ = -1;
};

class TerminalConsoleProcess : public testing::Test {
 protected:
  TerminalConsoleProcess() { listed_file = folder / "DATA.zip.tranchor-part"; }

  ScratchFolder folder;
};

// The terminal as the program hands it back: the screen left standing, the shell's line below
// its last row, in the user's colours, with the cursor shown.
void expect_handed_back(const std::string& out, const std::string& what) {
  const std::string end = "\x1b[J\x1b[?25h";
  ASSERT_GE(out.size(), end.size()) << what;
  EXPECT_EQ(out.substr(out.size() - end.size()), end) << what;
  const VtModel terminal = window_drawn(out, 80, 25);
  EXPECT_EQ(terminal.text(23), screen_row(24).substr(0, 80)) << what;  // scrolled up by one
  EXPECT_EQ(terminal.cursor_x(), 0) << what;
  EXPECT_EQ(terminal.cursor_y(), 24) << what;
  EXPECT_EQ(terminal.background(), 49) << what;
}

// What hands the terminal back after a frame of the 25 screen rows: below the bottom row. The
// terminal's output settings, which raw keys leave alone, turn the new line into CR LF.
const std::string HAND_BACK = "\x1b[0m\x1b[25;1H\r\n\x1b[J\x1b[?25h";

// Waits up to two seconds for the terminal's settings to be these.
bool settings_become(const Pty& pty, const termios& wanted) {
  for (int round = 0; round < 200 && !same_settings(pty.settings(), wanted); ++round) {
    timespec pause{0, 10000000};
    nanosleep(&pause, nullptr);
  }
  return same_settings(pty.settings(), wanted);
}

// A signal sent, or Ctrl+C or Ctrl+\ typed at a prompt or during work.
TEST_F(TerminalConsoleProcess, EverySignalThatEndsTheRunHandsTheTerminalBackAndRemovesTheFile) {
  struct Ending {
    int signal_number;
    Setting setting;
    const char* typed = nullptr;  // the key that sends it
    Doing doing = Doing::working;
  };
  const Ending endings[] = {
      {SIGTERM, Setting::terminal}, {SIGINT, Setting::terminal},   {SIGHUP, Setting::terminal},
      {SIGQUIT, Setting::terminal}, {SIGUSR1, Setting::terminal},  {SIGUSR2, Setting::terminal},
      {SIGALRM, Setting::terminal}, {SIGVTALRM, Setting::terminal}, {SIGPROF, Setting::terminal},
      {SIGXCPU, Setting::terminal}, {SIGPIPE, Setting::terminal},  {SIGTERM, Setting::dumb},
      {SIGTERM, Setting::none},     {SIGINT, Setting::none},       {SIGHUP, Setting::none},
      {SIGINT, Setting::terminal, "\x03", Doing::waiting},  {SIGINT, Setting::terminal, "\x03"},
      {SIGQUIT, Setting::terminal, "\x1c", Doing::waiting}, {SIGQUIT, Setting::terminal, "\x1c"}};
  for (const Ending& ending : endings) {
    const std::string what = std::string(strsignal(ending.signal_number)) + " setting " +
                             std::to_string(static_cast<int>(ending.setting)) + (ending.typed ? " typed" : "") +
                             (ending.doing == Doing::waiting ? " at a prompt" : "");
    Pty pty(80, 25);
    const termios original = pty.settings();
    Session session(pty, ending.setting, ending.doing);
    ASSERT_TRUE(std::filesystem::exists(listed_file)) << what;
    // The screen shows though the program never looks for a key: it was shown before the work.
    std::string out = ending.setting == Setting::terminal ? pty.read_until(screen_row(24)) : pty.drain(100);
    if (ending.typed != nullptr) {
      pty.type(ending.typed);
    } else {
      kill(session.program(), ending.signal_number);
    }
    EXPECT_EQ(session.exit_status(), 128 + ending.signal_number) << what;
    out += pty.drain();
    EXPECT_FALSE(std::filesystem::exists(listed_file)) << what;
    EXPECT_TRUE(same_settings(pty.settings(), original)) << what;
    if (ending.setting == Setting::terminal) {
      expect_handed_back(out, what);
    } else {
      EXPECT_EQ(out, "") << what;
    }
  }
}

TEST_F(TerminalConsoleProcess, AWritePastTheFileSizeLimitFailsInsteadOfEndingTheRun) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_DFL);
    posix_terminal_console();
    const rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    const int file = open(listed_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const char block[1500] = {};
    const bool cut = write(file, block, sizeof block) == 1000;
    const bool refused = write(file, block, sizeof block) < 0 && errno == EFBIG;
    _exit(cut && refused ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(TerminalConsoleProcess, StopHandsTheTerminalBackAndContinueTakesItAgainAndRedraws) {
  struct Stop {
    const char* name;
    const char* typed;   // typed at the terminal, else
    int signal_number;   // sent
    bool handed_back;    // SIGSTOP cannot be caught: the terminal stays as it is
  };
  const Stop stops[] = {{"Ctrl+Z", "\x1a", 0, true},
                        {"SIGTSTP", nullptr, SIGTSTP, true},
                        {"SIGSTOP", nullptr, SIGSTOP, false}};
  for (const Stop& stop : stops) {
    Pty pty(80, 25);
    const termios original = pty.settings();
    Session session(pty, Setting::terminal, Doing::waiting);
    std::string out = pty.read_until(screen_row(24));
    const termios raw = pty.settings();
    if (stop.typed != nullptr) {
      pty.type(stop.typed);
    } else {
      kill(session.program(), stop.signal_number);
    }
    ASSERT_EQ(session.next_report(), 'T') << stop.name;
    out += pty.drain();
    if (stop.handed_back) {
      EXPECT_TRUE(same_settings(pty.settings(), original)) << stop.name;
      expect_handed_back(out, stop.name);
    }
    // The shell may set the terminal as it likes while the program is stopped.
    termios shell_settings = original;
    shell_settings.c_lflag |= ECHO | ICANON;
    tcsetattr(pty.slave, TCSANOW, &shell_settings);

    kill(session.program(), SIGCONT);
    const std::string again = pty.read_until(screen_row(24));
    const VtModel terminal = window_drawn(again, 80, 25);
    for (int y = 0; y < 25; ++y) EXPECT_EQ(terminal.text(y), screen_row(y).substr(0, 80)) << stop.name << " row " << y;
    EXPECT_TRUE(same_settings(pty.settings(), raw)) << stop.name;
    // Keys come one by one again, without echo and without Enter.
    pty.type("x");
    EXPECT_NE(pty.read_until("key x").find("key x"), std::string::npos) << stop.name;
    EXPECT_EQ(session.terminate(), 128 + SIGTERM) << stop.name;
    EXPECT_TRUE(same_settings(pty.settings(), original)) << stop.name;
  }
}

// While the program is silent (a long copy), Ctrl+Z and Ctrl+C hand the terminal back at once
// with the bytes made ready after the last frame; a resize and a continue draw nothing until
// the work gives the screen a moment, which draws it whole.
TEST_F(TerminalConsoleProcess, InASilenceStopAndEndActAtOnceResizeAndContinueWaitForTheNextFrame) {
  struct Event {
    const char* name;
    const char* typed;  // typed at the terminal; else the window is resized to 60 x 10
    int columns, rows;  // the window once the work goes on
  };
  const Event events[] = {{"resize", nullptr, 60, 10}, {"Ctrl+Z and continue", "\x1a", 80, 25}, {"Ctrl+C", "\x03", 0, 0}};
  for (const Event& event : events) {
    Pty pty(80, 25);
    const termios original = pty.settings();
    Session session(pty, Setting::terminal, Doing::resting);
    pty.read_until(screen_row(24));
    const termios raw = pty.settings();
    if (event.typed == nullptr) {
      pty.resize(event.columns, event.rows);
    } else if (event.typed[0] == 3) {
      pty.type(event.typed);
      EXPECT_EQ(session.exit_status(), 130) << event.name;
      EXPECT_EQ(pty.drain(), HAND_BACK) << event.name;
      EXPECT_TRUE(same_settings(pty.settings(), original)) << event.name;
      EXPECT_FALSE(std::filesystem::exists(listed_file)) << event.name;
      continue;
    } else {
      pty.type(event.typed);
      ASSERT_EQ(session.next_report(), 'T') << event.name;
      EXPECT_EQ(pty.drain(), HAND_BACK) << event.name;
      EXPECT_TRUE(same_settings(pty.settings(), original)) << event.name;
      kill(session.program(), SIGCONT);
    }
    EXPECT_EQ(pty.drain(200), "") << event.name;
    // A continue takes the terminal's modes again at once: keys typed now are not echoed.
    EXPECT_TRUE(settings_become(pty, raw)) << event.name;
    session.wake();
    const std::string again = pty.read_until(screen_row(24).substr(0, static_cast<std::size_t>(event.columns)));
    const VtModel terminal = window_drawn(again, event.columns, event.rows);
    for (int r = 0; r < event.rows; ++r) {
      EXPECT_EQ(terminal.text(r), screen_row(25 - event.rows + r).substr(0, static_cast<std::size_t>(event.columns)))
          << event.name << " row " << r;
    }
    EXPECT_EQ(session.terminate(), 128 + SIGTERM) << event.name;
  }
}

TEST_F(TerminalConsoleProcess, ResizeDrawsTheWholeScreenAgainAtTheNewSize) {
  for (Doing doing : {Doing::working, Doing::waiting}) {
    Pty pty(80, 25);
    Session session(pty, Setting::terminal, doing);
    const VtModel before = window_drawn(pty.read_until(screen_row(24)), 80, 25);
    // Smaller: the rows up to the cursor's, cut at the window's edge.
    pty.resize(60, 10);
    const VtModel small = window_drawn(pty.read_until(screen_row(24).substr(0, 60)), 60, 10);
    for (int r = 0; r < 10; ++r) EXPECT_EQ(small.text(r), screen_row(15 + r).substr(0, 60)) << r;
    // Back to the size it had: the same rows as before.
    pty.resize(80, 25);
    const VtModel after = window_drawn(pty.read_until(screen_row(24)), 80, 25);
    for (int y = 0; y < 25; ++y) EXPECT_EQ(after.text(y), before.text(y)) << y;
    EXPECT_EQ(after.cursor_y(), before.cursor_y());
    EXPECT_EQ(session.terminate(), 128 + SIGTERM);
  }
}

}  // namespace
