// The process as Windows gives it: the command line comes from the process itself.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <string>

#include "start/startup.h"

namespace {

TEST(Win32ProcessTest, TheCommandLineIsTheProcessOwnNotTheArguments) {
  char program[] = "other.exe";
  char argument[] = "not-this";
  char* argv[] = {program, argument, nullptr};
  const std::string line = process_command_line(2, argv);
  EXPECT_NE(line.find("windows_tests"), std::string::npos) << line;
  EXPECT_EQ(line.find("not-this"), std::string::npos) << line;
  // The same line however it is asked for: argc and argv play no part.
  EXPECT_EQ(std::string(process_command_line(0, nullptr)), line);
  // The tail starts behind the program's name: here, the test options of this run or nothing.
  const std::string tail = rt_skip_program_name(line.c_str());
  EXPECT_EQ(tail.find("windows_tests"), std::string::npos) << tail;
}

}  // namespace
