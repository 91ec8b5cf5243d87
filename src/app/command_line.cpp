#include "app/command_line.h"

#include <string_view>

#include "text/text_ops.h"

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

// A word of the tail and what follows it, blanks skipped.
struct Word {
  std::string_view text;
  std::string_view rest;
};

Word next_word(std::string_view tail) {
  const std::size_t end = tail.find(' ');
  Word word{tail.substr(0, end), std::string_view{}};
  if (end != std::string_view::npos) {
    word.rest = tail.substr(end);
    word.rest.remove_prefix(std::min(word.rest.find_first_not_of(' '), word.rest.size()));
  }
  return word;
}

TextValue text_of(std::string_view bytes) { return txt_constant(bytes); }

// A word that looks like an option: "--" and anything, or "-" and a letter. Other words that
// start with "-" ("-?", "-", "-1.bin") are names.
bool looks_like_option(std::string_view word) {
  if (word.size() >= 2 && word[0] == '-' && word[1] == '-') return true;
  if (word.size() < 2 || word[0] != '-') return false;
  const char letter = word[1];
  return (letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z');
}

Command wrong(std::string_view problem, std::string_view word) {
  Command command;
  command.kind = CommandKind::wrong;
  command.problem = txt_concat(text_of(problem), text_of(word));
  return command;
}

}  // namespace

Command app_read_command_line(const TextValue& tail) {
  const std::string_view text = txt_view(tail);
  Command command;
  const Word first = next_word(text);
  if (!looks_like_option(first.text)) {
    command.file = txt_copy(tail);
    return command;
  }
  if (first.text == "--") {
    command.file = text_of(first.rest);
    return command;
  }
  if (first.text == "-h" || first.text == "--help") {
    command.kind = CommandKind::usage;
    return command;
  }
  if (first.text == "--version") {
    command.kind = CommandKind::version;
    return command;
  }
  // --split SIZE FILE and --split=SIZE FILE
  if (first.text == "--split" || first.text.substr(0, 8) == "--split=") {
    Word size{first.text.substr(first.text.size() > 8 ? 8 : first.text.size()), first.rest};
    if (first.text == "--split") size = next_word(first.rest);
    if (size.text.empty() || size.rest.empty()) return wrong("option --split needs a size and a file", "");
    command.kind = CommandKind::split;
    command.size_text = text_of(size.text);
    command.file = text_of(size.rest);
    return command;
  }
  // --glue NAME and --glue=NAME
  if (first.text == "--glue" || first.text.substr(0, 7) == "--glue=") {
    const std::string_view name = first.text == "--glue" ? first.rest : text.substr(7);
    if (name.empty()) return wrong("option --glue needs a name", "");
    command.kind = CommandKind::glue;
    command.file = text_of(name);
    return command;
  }
  return wrong("unknown option ", first.text);
}
