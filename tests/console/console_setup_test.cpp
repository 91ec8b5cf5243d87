#include "console/console_setup.h"

#include "console/console_state.h"
#include "fakes/runtime_fixture.h"

namespace {

class ConsoleSetupTest : public RuntimeFixture {};

// Standard output when it is a console; redirected, the screen shows on standard error.
TEST_F(ConsoleSetupTest, OutputGoesToStandardOutputWhenItIsAConsoleElseToStandardError) {
  for (const bool output_console : {true, false}) {
    console = VirtualConsole();
    console.set_console_streams(true, output_console, true);
    con_setup();
    EXPECT_EQ(console.selected_output(), output_console ? StandardStream::output : StandardStream::error);
    EXPECT_EQ(con_state.output_is_console, output_console);
    EXPECT_TRUE(con_state.input_is_console);
    EXPECT_TRUE(console.raw_input_mode());
  }
}

// The cursor's shape is read from the output; a size of 0 falls back to one, shown, on the
// console too.
TEST_F(ConsoleSetupTest, CursorShapeIsReadFromTheOutputAndFallsBackToOneAndShown) {
  struct Case {
    CursorShape output, error;
    int size, visible;
  };
  for (const Case& c : {Case{{100, false}, {100, false}, 100, 0}, Case{{0, true}, {0, false}, 1, 1}}) {
    console = VirtualConsole();
    console.set_reported_cursor(c.output, c.error);
    con_setup();
    EXPECT_EQ(con_state.cursor_size, c.size);
    EXPECT_EQ(con_state.cursor_visible, c.visible);
  }
  EXPECT_EQ(console.cursor_shape().size, 1);
  EXPECT_TRUE(console.cursor_shape().visible);
}

}  // namespace
