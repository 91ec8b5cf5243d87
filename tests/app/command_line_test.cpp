#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>

#include "app/split.h"
#include "fakes/app_scenario.h"

namespace {

TEST(CommandLineTest, OptionsAndNames) {
  struct Case {
    std::vector<std::string> arguments;
    CommandKind kind;
    std::string file, size, problem;
  };
  const Case cases[] = {
      {{}, CommandKind::interactive, "", "", ""},
      {{"DATA.ZIP"}, CommandKind::interactive, "DATA.ZIP", "", ""},
      {{"my", "file.txt"}, CommandKind::interactive, "my file.txt", "", ""},
      {{"?"}, CommandKind::interactive, "?", "", ""},
      {{"-?"}, CommandKind::interactive, "-?", "", ""},
      {{"-"}, CommandKind::interactive, "-", "", ""},
      {{"-1.bin"}, CommandKind::interactive, "-1.bin", "", ""},
      {{"/h"}, CommandKind::interactive, "/h", "", ""},
      {{"x.bin", "--split", "100"}, CommandKind::interactive, "x.bin --split 100", "", ""},
      {{"--", "-x.bin"}, CommandKind::interactive, "-x.bin", "", ""},
      {{"--", "--help"}, CommandKind::interactive, "--help", "", ""},
      {{"--", "my file.txt"}, CommandKind::interactive, "my file.txt", "", ""},
      {{"--"}, CommandKind::interactive, "", "", ""},
      {{"--", "a", "b"}, CommandKind::wrong, "", "", "only one file is taken without --split or --glue"},
      {{"-h"}, CommandKind::usage, "", "", ""},
      {{"--help"}, CommandKind::usage, "", "", ""},
      {{"--help", "DATA.ZIP"}, CommandKind::usage, "", "", ""},
      {{"--split", "100", "--help"}, CommandKind::usage, "", "", ""},
      {{"--version"}, CommandKind::version, "", "", ""},
      {{"--split", "100M", "big.iso"}, CommandKind::split, "big.iso", "100M", ""},
      {{"--split", "100M", "my big.iso"}, CommandKind::split, "my big.iso", "100M", ""},
      {{"--split", "100", " lead.bin"}, CommandKind::split, " lead.bin", "100", ""},
      {{"--split", "2000", "--", "-x.bin"}, CommandKind::split, "-x.bin", "2000", ""},
      {{"--", "--split", "2000", "x"}, CommandKind::wrong, "", "", "only one file is taken without --split or --glue"},
      {{"--split=4.7GB", "dvd.iso"}, CommandKind::split, "dvd.iso", "4.7GB", ""},
      {{"--split", "50", "x"}, CommandKind::split, "x", "50", ""},
      {{"--glue", "DATA.1"}, CommandKind::glue, "DATA.1", "", ""},
      {{"--glue", "my set"}, CommandKind::glue, "my set", "", ""},
      {{"--glue=DATA"}, CommandKind::glue, "DATA", "", ""},
      {{"--glue", "--", "-x"}, CommandKind::glue, "-x", "", ""},
      {{"--split", "100M"}, CommandKind::wrong, "", "", "option --split needs a size and a file"},
      {{"--split"}, CommandKind::wrong, "", "", "option --split needs a size and a file"},
      {{"--split=", "x"}, CommandKind::wrong, "", "", "option --split needs a size and a file"},
      {{"--split", "100", "a", "b"}, CommandKind::split, "a", "100", ""},
      {{"--split", "100 MB", "--dir", "/tmp", "x"}, CommandKind::split, "x", "100 MB", ""},
      {{"--count", "3", "x"}, CommandKind::split, "x", "", ""},
      {{"--count", "3", "--split", "5", "x"}, CommandKind::wrong, "", "", "options --split and --count cannot be given together"},
      {{"--split", "1M", "--name", "backup.tar", "-"}, CommandKind::split, "-", "1M", ""},
      {{"--split", "1M", "-"}, CommandKind::wrong, "", "", "option --split - needs --name NAME"},
      {{"--count", "3", "--name", "b.tar", "-"}, CommandKind::wrong, "", "", "option --count needs the length of a file, not standard input"},
      {{"--split", "1M", "--name", "b.tar", "x"}, CommandKind::wrong, "", "", "option --name is for a split of standard input (-)"},
      {{"--split", "1M", "x", "-"}, CommandKind::wrong, "", "", "standard input (-) is a split's only file"},
      {{"--glue", "x", "--stdout"}, CommandKind::glue, "x", "", ""},
      {{"--glue", "x", "y", "--stdout"}, CommandKind::wrong, "", "", "option --stdout is for a glue of one set, without --dir"},
      {{"--check", "x", "y"}, CommandKind::check, "x", "", ""},
      {{"--check", "x", "--dir", "d"}, CommandKind::wrong, "", "", "option --check writes nothing: no --dir"},
      {{"--check"}, CommandKind::wrong, "", "", "option --check needs a name"},
      {{"--dir"}, CommandKind::wrong, "", "", "option --dir needs a value"},
      {{"--progress", "--", "x"}, CommandKind::wrong, "", "", "options --dir, --name, --stdout, --progress and --verbose need --split, --glue or --check"},
      {{"--glue"}, CommandKind::wrong, "", "", "option --glue needs a name"},
      {{"--glue="}, CommandKind::wrong, "", "", "option --glue needs a name"},
      {{"--glue", "x", "y", "--verbose", "--progress"}, CommandKind::glue, "x", "", ""},
      {{"--glue", "x", "--split", "5"}, CommandKind::wrong, "", "", "options --split, --glue and --check cannot be given together"},
      {{"--frobnicate", "x"}, CommandKind::wrong, "", "", "unknown option --frobnicate"},
      {{"-x.bin"}, CommandKind::wrong, "", "", "unknown option -x.bin"},
      {{"--version=2"}, CommandKind::wrong, "", "", "unknown option --version=2"},
  };
  for (const Case& c : cases) {
    std::string tail;
    std::vector<TextValue> arguments;
    for (const std::string& argument : c.arguments) {
      tail += (tail.empty() ? "" : " ") + argument;
      arguments.push_back(txt_constant(argument));
    }
    SCOPED_TRACE(tail);
    const Command command = app_read_command_line(txt_constant(tail), arguments);
    EXPECT_EQ(command.kind, c.kind);
    const TextValue none;
    const TextValue& file = command.kind == CommandKind::interactive ? command.tail
                            : command.names.empty()                  ? none
                                                                     : command.names.front();
    EXPECT_EQ(txt_view(file), c.file);
    EXPECT_EQ(txt_view(command.size_text), c.size);
    EXPECT_EQ(txt_view(command.problem), c.problem);
  }
}

class ScriptedRunTest : public AppScenario {
 protected:
  // Runs the tail with standard output and standard error caught.
  int run_caught(const std::string& tail) { return run_caught(std::vector<std::string>{}, tail); }
  // The arguments one by one when given, else the tail's words.
  int run_caught(const std::vector<std::string>& arguments, const std::string& tail = "") {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int code = arguments.empty() ? run(tail) : run_arguments(arguments);
    out = ::testing::internal::GetCapturedStdout();
    err = ::testing::internal::GetCapturedStderr();
    return code;
  }
  void expect_no_screen() {
    for (int row = 1; row <= 25; ++row) EXPECT_EQ(console.row(row), "") << row;
  }
  std::string out, err;
};

TEST_F(ScriptedRunTest, HelpAndVersionNeedNoScreen) {
  EXPECT_EQ(run_caught("--version"), 0);
  EXPECT_EQ(out.substr(0, out.find('\n')), "tranchor 2.1");
  EXPECT_EQ(run_caught("-h"), 0);
  for (const char* part : {"--split SIZE", "--glue", "--check NAME", "--count N", "--dir DIR", "--stdout", "--progress",
                           "--verbose", "--name NAME", "fat32", "DATA.sha256", "Exit status"}) {
    EXPECT_NE(out.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(err, "");
  EXPECT_EQ(run_caught("--frobnicate"), 2);
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, std::string("tranchor: unknown option --frobnicate\n") + APP_USAGE_LINE);
  expect_no_screen();
}

TEST_F(ScriptedRunTest, ScriptedSplitWritesThePiecesOfTheInteractiveOne) {
  const std::string source = pattern(100000);
  write_file("data.bin", source);
  console.type("s30000\r");
  ASSERT_EQ(run("data.bin"), 0);
  std::vector<std::string> interactive;
  for (int i = 1; i <= 4; ++i) interactive.push_back(read_file("data." + std::to_string(i)));
  for (int i = 1; i <= 4; ++i) std::filesystem::remove("data." + std::to_string(i));

  console.fill_characters(0, 0, 80 * 25, ' ');  // the interactive run's screen goes
  EXPECT_EQ(run_caught("--split 30000 data.bin"), 0);
  EXPECT_EQ(out + err, "");
  expect_no_screen();
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(read_file("data." + std::to_string(i)), interactive[i - 1]) << i;
  EXPECT_FALSE(exists("data.5"));

  // By piece 1's name and by the set's name (found without regard to case; the manifest names
  // the rebuilt file).
  std::filesystem::remove("data.bin");
  for (const auto& [name, output] : {std::pair{"data.1", "data.bin"}, {"data", "data.bin"}, {"DATA", "data.bin"}}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(run_caught(std::string("--glue ") + name), 0);
    EXPECT_EQ(out + err, "");
    EXPECT_TRUE(read_file(output) == source) << output;
    std::filesystem::remove(output);
  }
  expect_no_screen();
}

// Each argument is taken whole: a name may start with a blank or a dash, and "--" may stand
// anywhere.
TEST_F(ScriptedRunTest, EachArgumentIsOneWholeName) {
  const std::string source = pattern(3000);
  struct Case {
    std::vector<std::string> split;
    std::string file, piece_one;
  };
  const Case cases[] = {
      {{"--split", "1000", " lead.bin"}, " lead.bin", " lead.1"},
      {{"--split", "1000", "--", "-x.bin"}, "-x.bin", "-- -x.1"},
      {{"--", "-y.bin", "--split=1000"}, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.split.back());
    clear_directory();
    write_file(c.file.empty() ? "-y.bin" : c.file, source);
    if (c.file.empty()) {
      EXPECT_EQ(run_caught(c.split), 2);  // after "--" the option is a second name
      continue;
    }
    EXPECT_EQ(run_caught(c.split), 0);
    EXPECT_EQ(out + err, "");
    std::filesystem::remove(c.file);
    std::vector<std::string> glue = {"--glue"};
    if (c.piece_one.starts_with("-- ")) glue.push_back("--");
    glue.push_back(c.piece_one.starts_with("-- ") ? c.piece_one.substr(3) : c.piece_one);
    EXPECT_EQ(run_caught(glue), 0);
    EXPECT_TRUE(read_file(c.file) == source);
  }
  // Two names are two files, each split in turn, and each failure is a line of its own.
  EXPECT_EQ(run_caught({"--split", "100", "a", "b"}), 1);
  EXPECT_EQ(err, "tranchor: File not found : a\ntranchor: File not found : b\n");
}

TEST_F(ScriptedRunTest, ScriptedFailuresAreOneLineOnStandardError) {
  write_file("Y.1", AppScenario::header("BIN", 3) + "ab");
  write_file("Y.2", "cd");
  write_file("small", "0123456789");
  write_file("X.1", "not a piece at all");
  struct Case {
    std::string tail, line;
  };
  const Case cases[] = {
      {"--split 100 NOPE.BIN", "tranchor: File not found : NOPE.BIN\n"},
      {"--glue NOPE.BIN", "tranchor: File not found : NOPE.BIN\n"},
      {"--glue Y", "tranchor: ERROR! Incomplete file set! File not found : Y.3\n"},
      {"--glue Y.1", "tranchor: ERROR! Incomplete file set! File not found : Y.3\n"},
      {"--glue X.1", "tranchor: ERROR! Cannot read : X.1\n"},
      {"--glue X", "tranchor: ERROR! Cannot read : X.1\n"},
      {"--split 10 small", "tranchor: the size 10 is too small: pieces must be larger than 18 bytes\n"},
      {"--split -1 small", "tranchor: the size -1 is too small: pieces must be larger than 18 bytes\n"},
      {"--split 0x small", "tranchor: the size 0x is too small: pieces must be larger than 18 bytes\n"},
      {"--split 19 Y.2", "tranchor: ERROR! Cannot write : Y.2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tail);
    EXPECT_EQ(run_caught(c.tail), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, c.line);
  }
  expect_no_screen();
  EXPECT_EQ(listing(), "X.1 Y.1 Y.2 small");
}

}  // namespace
