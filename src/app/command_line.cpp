#include "app/command_line.h"

#include <string_view>

#include "text/text_ops.h"

// TRANCHOR_VERSION is the project's version, which the build gives (CMakeLists.txt).
const char* const APP_VERSION_TEXT = "tranchor " TRANCHOR_VERSION "\n";
const char* const APP_USAGE_LINE =
    "Usage: tranchor [FILE] | --split SIZE FILE | --glue NAME | --help | --version\n";

const char* const APP_USAGE_TEXT =
    "Usage: tranchor [FILE]\n"
    "       tranchor --split SIZE FILE\n"
    "       tranchor --glue NAME\n"
    "Split a file into numbered pieces of a size you choose, or glue such a set of\n"
    "pieces together again into the whole file, byte for byte.\n"
    "\n"
    "  FILE               the file to split, or piece 1 of a set to glue; without a\n"
    "                     FILE a menu asks what to do (S or G) and for the name\n"
    "  --split SIZE FILE  split FILE into pieces of SIZE bytes, with no screen and\n"
    "                     no key\n"
    "  --glue NAME        glue the set of NAME, with no screen and no key; NAME is\n"
    "                     piece 1 (DATA.1) or the name without dot and number (DATA)\n"
    "  -h, --help         show this text and end\n"
    "  --version          show the version and end\n"
    "  --                 end of the options: the rest is the file's name\n"
    "\n"
    "SIZE is a number of bytes, and may end in a unit: K, M, G or T (also KiB, MiB,\n"
    "GiB, TiB) for powers of 1024, KB, MB, GB or TB for powers of 1000: 100M, 4.7GB.\n"
    "Pieces must be larger than 18 bytes, and a set holds at most 32767 pieces.\n"
    "\n"
    "DATA.ZIP is split into DATA.1, DATA.2, ... beside it; piece 1 starts with an\n"
    "18-byte header that records the extension and the count of pieces. The glue\n"
    "checks the set and rebuilds DATA.zip, or writes nothing and says why.\n"
    "\n"
    "Exit status: 0 done; 1 a file not found, a set refused, a size refused, or a\n"
    "read or write failure; 2 a wrong command line.\n"
    "\n"
    "Example:\n"
    "  tranchor --split 100M big.iso && sha256sum big.iso > big.sha256\n"
    "  tranchor --glue big.1 && sha256sum -c big.sha256\n";

namespace {

// A word that looks like an option: "--" and anything, or "-" and a letter. Other words that
// start with "-" ("-?", "-", "-1.bin") are names.
bool looks_like_option(std::string_view word) {
  if (word.size() >= 2 && word[0] == '-' && word[1] == '-') return true;
  if (word.size() < 2 || word[0] != '-') return false;
  const char letter = word[1];
  return (letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z');
}

bool starts_with(std::string_view word, std::string_view start) { return word.substr(0, start.size()) == start; }

Command wrong(std::string_view problem, std::string_view word = {}) {
  Command command;
  command.kind = CommandKind::wrong;
  command.problem = txt_concat(txt_constant(problem), txt_constant(word));
  return command;
}

constexpr std::string_view SPLIT_NEEDS = "option --split needs a size and a file";
constexpr std::string_view GLUE_NEEDS = "option --glue needs a name";

// What the option loop has read so far.
struct Reading {
  CommandKind mode = CommandKind::interactive;
  bool names_only = false;  // after "--"
  bool size_given = false;
  std::string_view size;
  std::vector<std::string_view> names;
};

// Takes one option, with the argument that follows it when it needs one (at is moved past it).
// Gives false, with the command to give, when the reading ends here.
bool take_option(const std::vector<TextValue>& arguments, std::size_t& at, Reading& reading, Command& ended) {
  const std::string_view word = txt_view(arguments[at]);
  if (word == "-h" || word == "--help") {
    ended.kind = CommandKind::usage;
    return false;
  }
  if (word == "--version") {
    ended.kind = CommandKind::version;
    return false;
  }
  const bool split = word == "--split" || starts_with(word, "--split=");
  const bool glue = word == "--glue" || starts_with(word, "--glue=");
  if (!split && !glue) {
    ended = wrong("unknown option ", word);
    return false;
  }
  const CommandKind mode = split ? CommandKind::split : CommandKind::glue;
  if (reading.mode != CommandKind::interactive && reading.mode != mode) {
    ended = wrong("options --split and --glue cannot be given together");
    return false;
  }
  reading.mode = mode;
  const std::size_t equals = word.find('=');
  if (split) {
    if (equals != std::string_view::npos) {
      reading.size = word.substr(equals + 1);
    } else if (at + 1 < arguments.size()) {
      reading.size = txt_view(arguments[++at]);
    }
    reading.size_given = !reading.size.empty();
    if (!reading.size_given) {
      ended = wrong(SPLIT_NEEDS);
      return false;
    }
  } else if (equals != std::string_view::npos) {
    if (equals + 1 == word.size()) {
      ended = wrong(GLUE_NEEDS);
      return false;
    }
    reading.names.push_back(word.substr(equals + 1));
  }
  return true;
}

// The record made from what the loop read: a split or glue of one name, or the run on a file
// named after "--".
Command command_of(const Reading& reading) {
  Command command;
  command.kind = reading.mode;
  if (reading.mode == CommandKind::interactive) {
    if (reading.names.size() > 1) return wrong("only one file is taken without --split or --glue");
    if (!reading.names.empty()) command.tail = txt_constant(reading.names.front());
    return command;
  }
  const std::string_view needs = reading.mode == CommandKind::split ? SPLIT_NEEDS : GLUE_NEEDS;
  if (reading.names.empty()) return wrong(needs);
  if (reading.names.size() > 1) {
    return wrong(reading.mode == CommandKind::split ? "option --split takes one file" : "option --glue takes one name");
  }
  command.names.push_back(txt_constant(reading.names.front()));
  command.size_text = txt_constant(reading.size);
  return command;
}

}  // namespace

Command app_read_command_line(const TextValue& tail, const std::vector<TextValue>& arguments) {
  Command command;
  if (arguments.empty() || !looks_like_option(txt_view(arguments.front()))) {
    command.tail = txt_copy(tail);
    return command;
  }
  Reading reading;
  for (std::size_t at = 0; at < arguments.size(); ++at) {
    const std::string_view word = txt_view(arguments[at]);
    if (!reading.names_only && word == "--") {
      reading.names_only = true;
    } else if (!reading.names_only && looks_like_option(word)) {
      if (!take_option(arguments, at, reading, command)) return command;
    } else {
      reading.names.push_back(word);
    }
  }
  return command_of(reading);
}
