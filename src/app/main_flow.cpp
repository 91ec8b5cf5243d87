#include "console/screen.h"
#include "frame/startup.h"

// The banner alone until the menus stand.
int app_main() {
  con_clear_screen();
  con_new_line();
  con_print(txt_constant("Tranchor v2.1"));
  con_new_line();
  con_print(txt_constant("by Aldermoor"));
  con_new_line();
  con_new_line();
  con_print(txt_constant("- 32bit Windows95/98/NT4.0 version."));
  con_new_line();
  con_new_line();
  return 0;
}
