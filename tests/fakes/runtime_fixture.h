// Puts a virtual console, a fake clock (at 0 until the test moves it) and a fresh error frame in
// the run-time record for the length of a test, and gives the previous ones back afterwards.
#pragma once

#include <gtest/gtest.h>

#include "console/console_state.h"
#include "fakes/fake_clock.h"
#include "fakes/virtual_console.h"
#include "frame/errors.h"
#include "frame/runtime_state.h"

// Puts a console device and the given console state in the run-time record for its lifetime.
class InstalledConsole {
 public:
  explicit InstalledConsole(ConsoleDevice& device, const ConsoleState& state = ConsoleState{})
      : saved_device_(rt_state.console_device), saved_state_(con_state) {
    rt_state.console_device = &device;
    con_state = state;
  }
  ~InstalledConsole() {
    rt_state.console_device = saved_device_;
    con_state = saved_state_;
  }
  InstalledConsole(const InstalledConsole&) = delete;
  InstalledConsole& operator=(const InstalledConsole&) = delete;

 private:
  ConsoleDevice* saved_device_;
  ConsoleState saved_state_;
};

class RuntimeFixture : public ::testing::Test {
 protected:
  explicit RuntimeFixture(int columns = 80, int rows = 25)
      : console(columns, rows), installed_(console, shown_cursor()), saved_clock_(rt_state.clock) {
    rt_state.clock = &clock;
    saved_frame_ = rt_enter_frame(&frame);
  }
  ~RuntimeFixture() override {
    rt_enter_frame(saved_frame_);
    rt_state.clock = saved_clock_;
  }

  VirtualConsole console;
  FakeClock clock;
  ErrorFrame frame;

 private:
  static ConsoleState shown_cursor() {
    ConsoleState state;
    state.cursor_size = 25;
    state.cursor_visible = 1;
    return state;
  }

  InstalledConsole installed_;
  Clock* saved_clock_;
  ErrorFrame* saved_frame_;
};
