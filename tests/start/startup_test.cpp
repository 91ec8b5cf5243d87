#include "start/startup.h"

#include <string>

#include "app/command_line.h"
#include "console/console_state.h"
#include "fakes/runtime_fixture.h"
#include "frame/errors.h"

namespace {

TEST(CommandTailTest, ProgramNameAndTheBlanksAfterItAreSkipped) {
  struct Case {
    std::string command_line, tail;
  };
  const Case cases[] = {
      {"\"C:\\Program Files\\tranchor.exe\" \"my file.zip\"", "\"my file.zip\""},
      {"tranchor.exe    data.zip", "data.zip"},
      {"tranchor.exe", ""},
      {"tranchor.exe\tdata.zip", "\tdata.zip"},
      {"tranchor.exe \tdata.zip", "\tdata.zip"},
      {"   tranchor.exe data.zip", "tranchor.exe data.zip"},
      {"\"tranchor.exe data.zip", ""},
      {"\"tranchor.exe\"data.zip", "data.zip"},
      {"\"tranchor.exe\"", ""},
      {"tr\x84nchor.exe x", "x"},  // bytes above 127 belong to the name
      {"tranchor.exe a  b ", "a  b "},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(std::string(rt_skip_program_name(c.command_line.c_str())), c.tail) << c.command_line;
  }
}

class StartupTest : public RuntimeFixture {};

// The tail reaches the main routine; only a run that shows screens sets the console up.
TEST_F(StartupTest, TheTailReachesTheMainRoutineAndOnlyScreensSetTheConsoleUp) {
  struct Case {
    std::string command_line;
    std::vector<std::string> arguments;
    int code;
    std::string out, err;
  };
  const Case cases[] = {
      {"tranchor.exe --version", {"--version"}, 0, APP_VERSION_TEXT, ""},
      {"\"C:\\My Tools\\tranchor.exe\"   --version", {"--version"}, 0, APP_VERSION_TEXT, ""},
      {"tranchor --frob", {"--frob"}, 2, "", "tranchor: unknown option --frob\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command_line);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(rt_run(c.command_line.c_str(), c.arguments), c.code);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.out);
    EXPECT_EQ(::testing::internal::GetCapturedStderr().substr(0, c.err.size()), c.err);
    EXPECT_FALSE(console.raw_input_mode());
  }
  console.press_key(27, 0x01);  // Escape at the menu
  EXPECT_EQ(rt_run("tranchor", {}), 0);
  EXPECT_TRUE(console.raw_input_mode());
}

TEST_F(StartupTest, AppBeginResetsColoursWrapAndTheErrorFrame) {
  con_state.foreground = 3;
  con_state.pending_wrap = 255;
  rt_app_begin();
  rt_raise_error(ERR_DISK_FULL);
  const std::uint16_t during_run = rt_current_frame().error_word;
  EXPECT_EQ(rt_app_end(0), 0);
  EXPECT_EQ(con_state.foreground, 7);
  EXPECT_EQ(con_state.background, 0);
  EXPECT_EQ(con_state.pending_wrap, 0);
  EXPECT_EQ(during_run, ERROR_PENDING | ERR_DISK_FULL);
  EXPECT_EQ(frame.error_word, 0);  // the run's errors stayed in its own frame
}

}  // namespace
