#include "app/messages.h"

#include "console/device_in_use.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "frame/ending.h"
#include "text/text_ops.h"

TextValue app_marked(std::string_view text) { return txt_concat(txt_from_code(PROGRESS_MARK), txt_constant(text)); }

namespace {

// The last rows of a run that ends on a message, and the wait for the key that ends it. A run
// that shows no screen says the message in one line instead.
void end_with_rows(const TextValue& message_for_no_console, const TextValue& line) {
  if (con_silent()) {
    app_report(message_for_no_console);
    return;
  }
  rt_set_ending_message(txt_view(message_for_no_console), 1);
  con_print(line);
  con_new_line();
  con_new_line();
  con_print(txt_constant("Press any key to end."));
  con_new_line();
  con_flush_input();
  con_wait_key();
}

}  // namespace

void app_end_with_message(const TextValue& line) { end_with_rows(line, line); }

void app_report(const TextValue& line) { rt_report(txt_view(line)); }

namespace {

TextValue with_reason(TextValue line, std::string_view reason) {
  if (reason.empty()) return line;
  return txt_concat(txt_concat(line, txt_constant(": ")), txt_constant(reason));
}

}  // namespace

void app_end_incomplete_set(const TextValue& line) { app_end_incomplete_set(line, {}); }

void app_end_incomplete_set(const TextValue& line, std::string_view reason) {
  const TextValue first_row = txt_constant(INCOMPLETE_SET);
  con_print(first_row);  // nothing when the console is silent
  con_new_line();
  end_with_rows(with_reason(txt_concat(txt_concat(first_row, txt_constant(" ")), line), reason), line);
}

void app_show_failure(std::string_view message, const TextValue& name, std::string_view reason) {
  const TextValue line = txt_concat(txt_constant(message), name);
  end_with_rows(with_reason(txt_copy(line), reason), line);
}
