#include "app/main_flow.h"

#include "app/command_line.h"
#include "app/join.h"
#include "app/messages.h"
#include "app/piece_copy.h"
#include "app/piece_format.h"
#include "app/scripted.h"
#include "app/set_check.h"
#include "app/split.h"
#include "console/device_in_use.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "files/channels.h"
#include "files/dir_search.h"
#include "files/transfer.h"
#include "frame/ending.h"
#include "text/text_ops.h"

namespace {

void show_banner() {
  con_clear_screen();
  con_new_line();
  con_print(txt_push_fixed(APP_TITLE));
  con_new_line();
  con_print(txt_constant("by Aldermoor"));
  con_new_line();
  con_new_line();
  con_print(txt_constant("- 32bit Windows95/98/NT4.0 version."));
  con_new_line();
  con_new_line();
}

bool is_help_word(const TextValue& tail) {
  const TextValue upper = txt_upper(tail);
  for (std::string_view word : {"?", "/?", "HELP", "H"}) {
    if (txt_equal(upper, txt_constant(word))) return true;
  }
  return false;
}

void show_help() {
  con_print(txt_constant("Split a file into smaller parts"));
  con_new_line();
  con_print(txt_constant("or glue them together again."));
  con_new_line();
  con_new_line();
  con_print(txt_constant("USAGE : Tranchor <enter>"));
  con_new_line();
  con_print(txt_constant("        Double-click or Drag and Drop on it."));
  con_new_line();
  con_new_line();
  con_print(txt_constant("Press any key to continue."));
  con_new_line();
  // Nothing failed: with no console to give the key, the run just ends.
  rt_set_ending_message("", 0);
  con_flush_input();
  con_wait_key();
}

// Polls until S or G (either case) is pressed; false when Escape ends the run. Keys are not shown.
bool read_mode_letter(TextValue& mode_letter) {
  const TextValue escape = txt_from_code(KEY_ESCAPE);
  for (;;) {
    const TextValue key = txt_upper(con_poll_key());
    if (txt_equal(key, escape)) return false;
    if (txt_equal(key, txt_constant("S")) || txt_equal(key, txt_constant("G"))) {
      txt_assign(mode_letter, key);
      return true;
    }
    if (key.empty()) con_yield();
  }
}

// A name that Windows hands over in quotes (it holds blanks) is used without them.
void strip_enclosing_quotes(TextValue& tail) {
  if (tail.length >= 2 && tail.data()[0] == '"' && tail.data()[tail.length - 1] == '"') {
    txt_assign(tail, txt_mid(tail, 2, tail.length - 2));
  }
}

// The base name of the set that a dropped file belongs to: the name up to its first dot (a name
// without one is the base itself: a dotless source splits into NAME.1, NAME.2, ...).
TextValue dropped_base_name(const TextValue& tail) { return std::move(app_set_name(tail).base); }

int report_missing(const TextValue& file_name) {
  con_new_line();
  app_end_with_message(txt_concat(txt_constant(NOT_FOUND), file_name));
  return 1;
}

// The screens and keys: the run on a dropped file, a help word, or the menu.
int interactive_run(TextValue tail) {
  TextValue mode_letter;
  TextValue file_name;
  TextValue found_name;
  strip_enclosing_quotes(tail);

  show_banner();
  if (is_help_word(tail)) {
    show_help();
    return 0;
  }

  if (tail.empty()) {
    con_new_line();
    con_print(app_marked(" [S]plit or [G]lue :"));
    con_new_line();
    if (!read_mode_letter(mode_letter)) return 0;
    con_new_line();
    const bool split = txt_equal(mode_letter, txt_constant("S"));
    con_print(app_marked(" Filename to "));
    con_print(txt_constant(split ? "split, incl. extention :" : "glue, excl. extention :"));
    txt_assign(file_name, con_input_line());
    if (split) {
      txt_assign(found_name, dir_find(file_name).name);
    } else {
      txt_assign(found_name, app_find_set(file_name).name);
    }
  } else {
    txt_assign(file_name, tail);
    if (app_is_first_piece(tail)) txt_assign(mode_letter, txt_constant("G"));
    if (mode_letter.empty()) {
      con_new_line();
      con_print(app_marked(" [S]plit or [G]lue : "));
      if (!read_mode_letter(mode_letter)) return 0;
      con_new_line();
    }
    if (txt_equal(mode_letter, txt_constant("S"))) {
      txt_assign(found_name, dir_find(file_name).name);
    } else {
      // The join looks for the pieces itself; only an empty base name counts as not found.
      txt_assign(found_name, dropped_base_name(tail));
      txt_assign(file_name, found_name);
    }
  }

  if (found_name.empty()) return report_missing(file_name);
  if (txt_equal(mode_letter, txt_constant("S"))) return app_split(file_name);
  return app_join(file_name);
}

}  // namespace

bool app_needs_console(const Command& command) { return command.kind == CommandKind::interactive; }

int app_main(Command command) {
  app_reset_progress_area();
  switch (command.kind) {
    case CommandKind::usage:
      rt_write_text(APP_USAGE_TEXT, false);
      return 0;
    case CommandKind::version:
      rt_write_text(APP_VERSION_TEXT, false);
      return 0;
    case CommandKind::wrong:
      app_report(command.problem);
      rt_write_text(APP_USAGE_LINE, true);
      return 2;
    case CommandKind::split:
    case CommandKind::glue:
    case CommandKind::check:
      con_set_silent(true);
      return app_run_scripted(command);
    case CommandKind::interactive:
      break;
  }
  return interactive_run(std::move(command.tail));
}
