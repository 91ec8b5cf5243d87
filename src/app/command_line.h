// The command line: the file a user drops on the program, or the options of a script. A command
// line whose first argument is no option is the tail of the drop-and-menu run, exactly as it
// stands (a dropped file's name may hold blanks; a help word shows the help screen). One whose
// first argument is an option is read as a list of arguments, each one whole, by one loop that
// takes the options in any order and "--" anywhere (what follows it are names). The result is
// one record of what to do, made once.
#pragma once

#include <vector>

#include "text/text_value.h"

enum class CommandKind : unsigned char {
  interactive,  // the screens and keys on the tail (empty, a help word, or a file)
  usage,        // -h, --help: the usage text on standard output
  version,      // --version
  split,        // --split SIZE FILE: size_text and the file in names
  glue,         // --glue NAME: the name in names, piece 1's or the set's without dot and number
  wrong,        // an unknown option, a missing or extra argument: problem says which (exit 2)
};

struct Command {
  CommandKind kind = CommandKind::interactive;
  TextValue tail;                // interactive: the tail the drop-and-menu run works on
  std::vector<TextValue> names;  // split: the file; glue: the set
  TextValue size_text;           // split: the size as given
  TextValue problem;
};

// The record of what to do: the tail (the command line behind the program's name and the
// blanks after it) and the same line as separate arguments.
Command app_read_command_line(const TextValue& tail, const std::vector<TextValue>& arguments);

// The texts the options show.
extern const char* const APP_VERSION_TEXT;
extern const char* const APP_USAGE_LINE;
extern const char* const APP_USAGE_TEXT;
