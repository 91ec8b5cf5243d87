#!/usr/bin/env bash
# The banner in a real terminal (tmux, 80x25): rows 2, 3 and 5 show it; when the program has
# ended, the terminal's settings are as they were before it and the cursor is shown.
# $1: the built program.
set -euo pipefail

program=$(realpath "$1")
export TERM=xterm-256color
socket="tranchor-banner-$$"
work=$(mktemp -d)
export TMUX_TMPDIR=$work  # the server's socket goes with the work directory
tmux_() { tmux -L "$socket" -f /dev/null "$@"; }
cleanup() {
  tmux_ kill-server 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  echo "--- screen ---" >&2
  tmux_ capture-pane -p -t banner 2>/dev/null >&2 || true
  exit 1
}

row() { tmux_ capture-pane -p -t banner | sed -n "${1}p"; }

# The pane runs a script that notes the terminal settings, runs the program, notes them again
# and then stays, so that the screen can be read after the program has ended.
cat >"$work/pane.sh" <<EOF
stty -g >"$work/before"
"$program"
echo \$? >"$work/status"
stty -g >"$work/after"
touch "$work/ended"
exec sleep 600
EOF
tmux_ new-session -d -s banner -x 80 -y 25 "bash $work/pane.sh"

# Wait until the banner stands.
for _ in $(seq 200); do
  [[ "$(row 2)" == "Tranchor v2.1" ]] && break
  sleep 0.05
done
[[ "$(row 2)" == "Tranchor v2.1" ]] || fail "row 2 is '$(row 2)'"
[[ "$(row 3)" == "by Aldermoor" ]] || fail "row 3 is '$(row 3)'"
[[ "$(row 5)" == "- 32bit Windows95/98/NT4.0 version." ]] || fail "row 5 is '$(row 5)'"
[[ -z "$(row 1)" && -z "$(row 4)" ]] || fail "rows 1 and 4 are not empty"

# The program ends by itself or, waiting at its menu, on Escape.
for _ in $(seq 40); do
  [[ -e "$work/ended" ]] && break
  sleep 0.05
done
if [[ ! -e "$work/ended" ]]; then
  tmux_ send-keys -t banner Escape
  for _ in $(seq 200); do
    [[ -e "$work/ended" ]] && break
    sleep 0.05
  done
fi
[[ -e "$work/ended" ]] || fail "the program did not end"

[[ "$(cat "$work/status")" == "0" ]] || fail "exit status $(cat "$work/status")"
[[ "$(cat "$work/before")" == "$(cat "$work/after")" ]] ||
  fail "terminal settings changed: $(cat "$work/before") -> $(cat "$work/after")"
[[ "$(tmux_ display -p -t banner '#{cursor_flag}')" == "1" ]] || fail "the cursor is hidden"
# The banner is left on the screen.
[[ "$(row 2)" == "Tranchor v2.1" ]] || fail "the banner is gone after the end"
echo "PASS"
