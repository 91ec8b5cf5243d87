#include "console/console_setup.h"

#include "console/console_state.h"
#include "fakes/runtime_fixture.h"

namespace {

class ConsoleSetupTest : public RuntimeFixture {};

TEST_F(ConsoleSetupTest, OutputGoesToStandardOutputWhenItIsAConsole) {
  con_setup();
  EXPECT_EQ(console.selected_output(), StandardStream::output);
  EXPECT_TRUE(con_state.output_is_console);
  EXPECT_TRUE(con_state.input_is_console);
  EXPECT_TRUE(console.raw_input_mode());
}

TEST_F(ConsoleSetupTest, RedirectedOutputShowsTheScreenOnStandardError) {
  console.set_console_streams(true, false, true);
  con_setup();
  EXPECT_EQ(console.selected_output(), StandardStream::error);
  EXPECT_FALSE(con_state.output_is_console);
}

TEST_F(ConsoleSetupTest, CursorShapeFallsBackToOneAndShown) {
  console.set_reported_cursor(CursorShape{0, true}, CursorShape{0, false});
  con_setup();
  EXPECT_EQ(con_state.cursor_size, 1);
  EXPECT_EQ(con_state.cursor_visible, 1);
  EXPECT_EQ(console.cursor_shape().size, 1);
  EXPECT_TRUE(console.cursor_shape().visible);
}

TEST_F(ConsoleSetupTest, CursorShapeIsReadFromTheOutput) {
  console.set_reported_cursor(CursorShape{100, false}, CursorShape{100, false});
  con_setup();
  EXPECT_EQ(con_state.cursor_size, 100);
  EXPECT_EQ(con_state.cursor_visible, 0);
}

}  // namespace
