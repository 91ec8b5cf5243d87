// The command line on POSIX: the arguments, joined by blanks, as one text.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "start/startup.h"
#include "platform/text_forms.h"

namespace {

TEST(PosixProcessTest, TheTailBehindTheProgramIsTheTextOfTheArguments) {
  // Names of any characters and bytes, and a program whose own path holds such characters or a
  // blank: the tail is found behind it all the same.
  struct Case {
    std::vector<std::string> argv;
    std::string tail;  // as UTF-8, or the raw bytes of a name
  };
  const Case cases[] = {
      {{"tranchor", "DATA.ZIP"}, "DATA.ZIP"},
      {{"/home/u/\xD0\x97\xD0\xB0\xD0\xB3\xD1\x80\xD1\x83\xD0\xB7\xD0\xBA\xD0\xB8/tranchor",
        "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xD0\xBC\xD0\xB8\xD1\x80.txt"},
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xBC\xD0\xB8\xD1\x80.txt"},
      {{"/my tools/tranchor", "raw\xFF\xFE\x80name.dat"}, "raw\xFF\xFE\x80name.dat"},
      {{"/opt/\xF0\x9F\x8E\x89", "caf\xE9.txt"}, "caf\xE9.txt"},
      {{"tranchor"}, ""},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv;
    std::vector<std::string> storage = c.argv;
    for (std::string& argument : storage) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const std::string line = process_command_line(static_cast<int>(c.argv.size()), argv.data());
    EXPECT_EQ(std::string(rt_skip_program_name(line.c_str())), text_from_utf8(c.tail)) << c.argv[0];
  }
}

}  // namespace
