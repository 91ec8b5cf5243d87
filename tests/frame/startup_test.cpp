#include "frame/startup.h"

#include <string>

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

class ErrorFrameTest : public RuntimeFixture {};

TEST_F(ErrorFrameTest, RaisingRecordsTheLastNumberWithPending) {
  rt_raise_error(0);
  EXPECT_EQ(frame.error_word, ERROR_PENDING | ERR_INTERNAL);
  rt_raise_error(ERR_FILE_NOT_FOUND);
  rt_raise_error(ERR_PERMISSION_DENIED);
  EXPECT_EQ(frame.error_word, ERROR_PENDING | ERR_PERMISSION_DENIED);
  EXPECT_EQ(rt_last_error(), ERR_PERMISSION_DENIED);
  rt_clear_error();
  EXPECT_EQ(frame.error_word, 0);
}

TEST_F(ErrorFrameTest, CommandTailIsANewCopyEachTime) {
  rt_state.command_tail = "DATA.ZIP";
  TextValue first = rt_command_tail();
  TextValue second = rt_command_tail();
  EXPECT_EQ(txt_view(first), "DATA.ZIP");
  EXPECT_NE(first.data(), second.data());
  rt_state.command_tail = "";
  EXPECT_TRUE(rt_command_tail().empty());
}

class ConsoleSetupTest : public RuntimeFixture {};

TEST_F(ConsoleSetupTest, OutputGoesToStandardOutputWhenItIsAConsole) {
  rt_console_setup();
  EXPECT_EQ(console.selected_output(), StandardStream::output);
  EXPECT_TRUE(rt_state.console.output_is_console);
  EXPECT_TRUE(rt_state.console.input_is_console);
  EXPECT_TRUE(console.raw_input_mode());
}

TEST_F(ConsoleSetupTest, RedirectedOutputShowsTheScreenOnStandardError) {
  console.set_console_streams(true, false, true);
  rt_console_setup();
  EXPECT_EQ(console.selected_output(), StandardStream::error);
  EXPECT_FALSE(rt_state.console.output_is_console);
}

TEST_F(ConsoleSetupTest, CursorShapeFallsBackToOneAndShown) {
  console.set_reported_cursor(CursorShape{0, true}, CursorShape{0, false});
  rt_console_setup();
  EXPECT_EQ(rt_state.console.cursor_size, 1);
  EXPECT_EQ(rt_state.console.cursor_visible, 1);
  EXPECT_EQ(console.cursor_shape().size, 1);
  EXPECT_TRUE(console.cursor_shape().visible);
}

TEST_F(ConsoleSetupTest, CursorShapeIsReadFromTheOutput) {
  console.set_reported_cursor(CursorShape{100, false}, CursorShape{100, false});
  rt_console_setup();
  EXPECT_EQ(rt_state.console.cursor_size, 100);
  EXPECT_EQ(rt_state.console.cursor_visible, 0);
}

TEST_F(ConsoleSetupTest, AppBeginResetsColoursWrapAndTheErrorFrame) {
  rt_state.console.foreground = 3;
  rt_state.console.pending_wrap = 255;
  rt_app_begin();
  rt_raise_error(ERR_DISK_FULL);
  const std::uint16_t during_run = rt_current_frame().error_word;
  EXPECT_EQ(rt_app_end(0), 0);
  EXPECT_EQ(rt_state.console.foreground, 7);
  EXPECT_EQ(rt_state.console.background, 0);
  EXPECT_EQ(rt_state.console.pending_wrap, 0);
  EXPECT_EQ(during_run, ERROR_PENDING | ERR_DISK_FULL);
  EXPECT_EQ(frame.error_word, 0);  // the run's errors stayed in its own frame
}

}  // namespace
