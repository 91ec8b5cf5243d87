// Puts a virtual console and a fresh error frame in the run-time record for the length of a
// test, and gives the previous ones back afterwards.
#pragma once

#include <gtest/gtest.h>

#include "fakes/virtual_console.h"
#include "frame/runtime_state.h"

class RuntimeFixture : public ::testing::Test {
 protected:
  explicit RuntimeFixture(int columns = 80, int rows = 25) : console(columns, rows) {
    saved_device_ = rt_state.console_device;
    saved_console_ = rt_state.console;
    rt_state.console_device = &console;
    rt_state.console = ConsoleState{};
    rt_state.console.cursor_size = 25;
    rt_state.console.cursor_visible = 1;
    saved_frame_ = rt_enter_frame(&frame);
  }
  ~RuntimeFixture() override {
    rt_enter_frame(saved_frame_);
    rt_state.console_device = saved_device_;
    rt_state.console = saved_console_;
  }

  VirtualConsole console;
  ErrorFrame frame;

 private:
  ConsoleDevice* saved_device_;
  ConsoleState saved_console_;
  ErrorFrame* saved_frame_;
};
