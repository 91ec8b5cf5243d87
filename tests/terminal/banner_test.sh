#!/usr/bin/env bash
# The banner in a real terminal (tmux, 80x25): rows 2, 3 and 5 show it; when the program has
# ended, the terminal's settings are as they were before it and the cursor is shown.
# $1: the built program.
set -euo pipefail
program=$(realpath "$1")
source "$(dirname "${BASH_SOURCE[0]}")/tmux_pane.sh"

# The pane notes the terminal settings before and after the run; it stays, so that the screen
# can be read after the program has ended.
pane_start "stty -g > before; '$program'; code=\$?; stty -g > after; (exit \$code)"
wait_row 2 "Tranchor v2.1"
[[ "$(row 3)" == "by Aldermoor" ]] || fail "row 3 is '$(row 3)'"
[[ "$(row 5)" == "- 32bit Windows95/98/NT4.0 version." ]] || fail "row 5 is '$(row 5)'"
[[ -z "$(row 1)" && -z "$(row 4)" ]] || fail "rows 1 and 4 are not empty"

# The program ends by itself or, waiting at its menu, on Escape.
got=$(PANE_WAIT_TENTHS=20 wait_exit)
[[ $got == EXIT=none ]] && { keys Escape; got=$(wait_exit); }
[[ $got == EXIT=0 ]] || fail "the program did not end well: $got"
cmp -s before after || fail "terminal settings changed: $(cat before) -> $(cat after)"
[[ "$(tmux -L "$pane_socket" display -p '#{cursor_flag}')" == "1" ]] || fail "the cursor is hidden"
[[ "$(row 2)" == "Tranchor v2.1" ]] || fail "the banner is gone after the end"
finish_checks
echo "PASS"
