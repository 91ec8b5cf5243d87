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
  split,        // --split SIZE FILE... or --count N FILE...: each file in turn
  glue,         // --glue NAME...: piece 1's name, or the set's without dot and number
  check,        // --check NAME...: the set checked, nothing written
  wrong,        // an unknown option, a missing or extra argument: problem says which (exit 2)
};

struct Command {
  CommandKind kind = CommandKind::interactive;
  TextValue tail;                // interactive: the tail the drop-and-menu run works on
  std::vector<TextValue> names;  // the files to split ("-": standard input), the sets to glue or check
  TextValue size_text;           // split: the piece size as given
  TextValue count_text;          // split: the number of pieces asked for instead (--count)
  TextValue directory;           // --dir: where the pieces, or the rebuilt file, go
  TextValue input_name;          // --name: the name of the file that standard input holds
  bool to_standard_output = false;  // --stdout: the glue writes the data there, nothing to disk
  bool progress = false;         // --progress: bytes, rate and time left on standard error
  bool verbose = false;          // --verbose: a line for every piece
  TextValue problem;
};

// The name that stands for standard input as the file to split.
constexpr const char* STANDARD_INPUT_NAME = "-";

// The record of what to do: the tail (the command line behind the program's name and the
// blanks after it) and the same line as separate arguments.
Command app_read_command_line(const TextValue& tail, const std::vector<TextValue>& arguments);

// The texts the options show.
extern const char* const APP_VERSION_TEXT;
extern const char* const APP_USAGE_LINE;
extern const char* const APP_USAGE_TEXT;
