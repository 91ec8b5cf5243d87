#include "app/command_line.h"

#include <string_view>

#include "text/text_ops.h"

// TRANCHOR_VERSION is the project's version, which the build gives (CMakeLists.txt).
const char* const APP_VERSION_TEXT =
    "tranchor " TRANCHOR_VERSION "\n"
    "MIT License (Expat): you may use, copy, change and pass it on; it comes with no warranty.\n";
const char* const APP_USAGE_LINE =
    "Usage: tranchor [FILE] | --split SIZE FILE... | --glue NAME... | --check NAME... | --help | --version\n";

const char* const APP_USAGE_TEXT =
    "Usage: tranchor [FILE]\n"
    "       tranchor --split SIZE [--dir DIR] FILE...\n"
    "       tranchor --count N [--dir DIR] FILE...\n"
    "       tranchor --split SIZE --name NAME [--dir DIR] -\n"
    "       tranchor --glue [--dir DIR | --stdout] NAME...\n"
    "       tranchor --check NAME...\n"
    "Split a file into numbered pieces of a size you choose, or glue such a set of\n"
    "pieces together again into the whole file, byte for byte.\n"
    "\n"
    "  FILE               the file to split, or piece 1 of a set to glue; without a\n"
    "                     FILE a menu asks what to do (S or G) and for the name\n"
    "  --split SIZE FILE  split each FILE into pieces of SIZE bytes, with no screen\n"
    "                     and no key; FILE \"-\" is standard input (with --name)\n"
    "  --count N FILE     split each FILE into at most N pieces of one size\n"
    "  --glue NAME        glue the set of each NAME, with no screen and no key; NAME\n"
    "                     is piece 1 (DATA.1) or the name without dot and number\n"
    "  --check NAME       check the set of each NAME (every piece there, every\n"
    "                     checksum right) and write nothing\n"
    "  --dir DIR          the pieces (split) or the rebuilt file (glue) go into DIR\n"
    "  --name NAME        the name of the file that standard input holds\n"
    "  --stdout           the glue writes the file to standard output, nothing to disk\n"
    "  --progress         bytes done, rate and time left on standard error\n"
    "  --verbose          a line on standard error for every piece made or added\n"
    "  -h, --help         show this text and end\n"
    "  --version          show the version and end\n"
    "  --                 end of the options: the rest are names\n"
    "\n"
    "SIZE is a number of bytes, and may end in a unit: K, M, G or T (also KiB, MiB,\n"
    "GiB, TiB) for powers of 1024, KB, MB, GB or TB for powers of 1000: 100M, 4.7GB,\n"
    "\"100 MB\"; or the size of a medium: fat32 (4 GiB - 1), cd (700M), dvd (4.7GB),\n"
    "bd (25GB). Pieces must be larger than 18 bytes; a set holds at most 32767.\n"
    "\n"
    "DATA.ZIP is split into DATA.1, DATA.2, ... and DATA.sha256 beside it: piece 1\n"
    "starts with an 18-byte header (the extension and the count of pieces), and the\n"
    "manifest DATA.sha256 holds the checksum of the file and of every piece, as\n"
    "sha256sum writes it. Carry it with the pieces: the glue checks every piece\n"
    "against it and rebuilds DATA.ZIP under its whole name, or writes nothing and\n"
    "says why.\n"
    "\n"
    "Exit status: 0 done; 1 a file not found, a set refused, a size refused, or a\n"
    "read or write failure; 2 a wrong command line.\n"
    "\n"
    "Examples:\n"
    "  tranchor --split fat32 --dir /media/stick big.iso\n"
    "  tranchor --glue --dir . /media/stick/big.1\n"
    "  tar c photos | tranchor --split 10M --name photos.tar -\n"
    "  tranchor --glue --stdout photos.1 | tar x\n";

namespace {

// A word that looks like an option: "--" and anything, or "-" and a letter. Other words that
// start with "-" ("-?", "-", "-1.bin") are names.
bool looks_like_option(std::string_view word) {
  if (word.size() >= 2 && word[0] == '-' && word[1] == '-') return true;
  if (word.size() < 2 || word[0] != '-') return false;
  const char letter = word[1];
  return (letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z');
}

Command wrong(std::string_view problem, std::string_view word = {}) {
  Command command;
  command.kind = CommandKind::wrong;
  command.problem = txt_concat(txt_constant(problem), txt_constant(word));
  return command;
}

constexpr std::string_view SPLIT_NEEDS = "option --split needs a size and a file";
constexpr std::string_view GLUE_NEEDS = "option --glue needs a name";

// The options that take a value: where the value goes.
struct ValueOption {
  std::string_view name;
  TextValue Command::*value;
  CommandKind mode;  // the mode it sets, or interactive when it sets none
};
const ValueOption VALUE_OPTIONS[] = {
    {"--split", &Command::size_text, CommandKind::split},  {"--count", &Command::count_text, CommandKind::split},
    {"--dir", &Command::directory, CommandKind::interactive}, {"--name", &Command::input_name, CommandKind::interactive},
};

// The options of the mode that they name, with an optional "=NAME".
const std::pair<std::string_view, CommandKind> MODE_OPTIONS[] = {
    {"--glue", CommandKind::glue}, {"--check", CommandKind::check}};

const std::pair<std::string_view, bool Command::*> FLAG_OPTIONS[] = {
    {"--stdout", &Command::to_standard_output}, {"--progress", &Command::progress}, {"--verbose", &Command::verbose}};

// Sets the mode; false when another one was given already.
bool set_mode(Command& command, CommandKind mode) {
  if (command.kind != CommandKind::interactive && command.kind != mode) return false;
  command.kind = mode;
  return true;
}

// Takes one option, with the argument that follows it when it needs one (at is moved past it).
// Gives false, with the command to give, when the reading ends here.
bool take_option(const std::vector<TextValue>& arguments, std::size_t& at, Command& command, Command& ended) {
  const std::string_view word = txt_view(arguments[at]);
  const std::size_t equals = word.find('=');
  const std::string_view name = word.substr(0, equals);
  const bool inline_value = equals != std::string_view::npos;
  const std::string_view value = inline_value ? word.substr(equals + 1) : std::string_view{};
  if ((word == "-h" || word == "--help") || word == "--version") {
    ended.kind = word == "--version" ? CommandKind::version : CommandKind::usage;
    return false;
  }
  for (const ValueOption& option : VALUE_OPTIONS) {
    if (name != option.name) continue;
    const bool has_next = !inline_value && at + 1 < arguments.size();
    const std::string_view given = inline_value ? value : (has_next ? txt_view(arguments[at + 1]) : std::string_view{});
    if (has_next) ++at;
    const bool splits = option.mode == CommandKind::split;
    if (given.empty()) {
      ended = splits ? wrong(option.name == "--split" ? SPLIT_NEEDS : "option --count needs a number and a file")
                     : wrong("option " + std::string(option.name) + " needs a value");
      return false;
    }
    if (splits && !set_mode(command, CommandKind::split)) break;
    txt_assign(command.*option.value, txt_constant(given));
    return true;
  }
  for (const auto& [mode_name, mode] : MODE_OPTIONS) {
    if (name != mode_name) continue;
    if (!set_mode(command, mode)) break;
    if (inline_value && value.empty()) {
      ended = wrong(mode == CommandKind::glue ? GLUE_NEEDS : "option --check needs a name");
      return false;
    }
    if (inline_value) command.names.push_back(txt_constant(value));
    return true;
  }
  for (const auto& [flag_name, flag] : FLAG_OPTIONS) {
    if (word != flag_name) continue;
    command.*flag = true;
    return true;
  }
  const bool known = name == "--split" || name == "--count" || name == "--glue" || name == "--check";
  ended = known ? wrong("options --split, --glue and --check cannot be given together") : wrong("unknown option ", word);
  return false;
}

// What the options read may not be given together, or lack.
Command checked(Command command) {
  const bool split = command.kind == CommandKind::split;
  const bool from_input = split && command.names.size() == 1 && txt_view(command.names.front()) == STANDARD_INPUT_NAME;
  if (command.kind == CommandKind::interactive) {
    if (!command.directory.empty() || !command.input_name.empty() || command.to_standard_output || command.progress ||
        command.verbose) {
      return wrong("options --dir, --name, --stdout, --progress and --verbose need --split, --glue or --check");
    }
    if (command.names.size() > 1) return wrong("only one file is taken without --split or --glue");
    if (!command.names.empty()) txt_assign(command.tail, command.names.front());
    command.names.clear();
    return command;
  }
  if (command.names.empty()) {
    if (command.kind == CommandKind::glue) return wrong(GLUE_NEEDS);
    if (command.kind == CommandKind::check) return wrong("option --check needs a name");
    return wrong(command.count_text.empty() ? SPLIT_NEEDS : "option --count needs a number and a file");
  }
  if (split && !command.size_text.empty() && !command.count_text.empty()) {
    return wrong("options --split and --count cannot be given together");
  }
  if (!from_input && !command.input_name.empty()) return wrong("option --name is for a split of standard input (-)");
  if (from_input && command.input_name.empty()) return wrong("option --split - needs --name NAME");
  if (from_input && !command.count_text.empty()) return wrong("option --count needs the length of a file, not standard input");
  if (command.to_standard_output && (command.kind != CommandKind::glue || command.names.size() > 1 || !command.directory.empty())) {
    return wrong("option --stdout is for a glue of one set, without --dir");
  }
  if (command.kind == CommandKind::check && !command.directory.empty()) return wrong("option --check writes nothing: no --dir");
  for (const TextValue& name : command.names) {
    if (txt_view(name) == STANDARD_INPUT_NAME && !from_input) return wrong("standard input (-) is a split's only file");
  }
  return command;
}

}  // namespace

Command app_read_command_line(const TextValue& tail, const std::vector<TextValue>& arguments) {
  Command command;
  if (arguments.empty() || !looks_like_option(txt_view(arguments.front()))) {
    command.tail = txt_copy(tail);
    return command;
  }
  bool names_only = false;  // after "--"
  for (std::size_t at = 0; at < arguments.size(); ++at) {
    const std::string_view word = txt_view(arguments[at]);
    if (!names_only && word == "--") {
      names_only = true;
    } else if (!names_only && looks_like_option(word)) {
      Command ended;
      if (!take_option(arguments, at, command, ended)) return ended;
    } else {
      command.names.push_back(txt_constant(word));
    }
  }
  return checked(std::move(command));
}
