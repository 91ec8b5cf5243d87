// The command line: the file a user drops on the program, or the options of a script. Options
// follow the GNU conventions: they come first, "--" ends them, and what is left is one name (a
// dropped file's name may hold blanks). A tail that is no option is the file, as always.
#pragma once

#include "text/text_value.h"

enum class CommandKind : unsigned char {
  interactive,  // the screens and keys; file: the tail left (empty, a help word, or a file)
  usage,        // -h, --help: the usage text on standard output
  version,      // --version
  split,        // --split SIZE FILE: size_text and file
  glue,         // --glue NAME: file is piece 1's name or the set's name without dot and number
  wrong,        // an unknown option or a missing argument: problem says which
};

struct Command {
  CommandKind kind = CommandKind::interactive;
  TextValue file;
  TextValue size_text;
  TextValue problem;
};

Command app_read_command_line(const TextValue& tail);

// The texts the options show.
constexpr const char* APP_VERSION_TEXT = "tranchor 2.1\n";
constexpr const char* APP_USAGE_LINE =
    "Usage: tranchor [FILE] | --split SIZE FILE | --glue NAME | --help | --version\n";
extern const char* const APP_USAGE_TEXT;
