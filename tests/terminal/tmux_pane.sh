# Sourced by the terminal tests: runs a command in a tmux pane of 80x25 and reads the pane back.
# It makes a work directory of the run's own ($work) and enters it; on exit the panes' servers,
# their sockets (in a directory of their own) and the work directory go. The caller calls
# finish_checks at the end.
# PANE_WAIT_TENTHS sets how long wait_row, wait_text and wait_exit wait, in tenths of a second.
export TERM=xterm-256color
: "${PANE_WAIT_TENTHS:=100}"
work=$(mktemp -d)
pane_home=$(mktemp -d "${TMPDIR:-/tmp}/tranchor-tmux.XXXXXX")
export TMUX_TMPDIR=$pane_home
trap pane_cleanup EXIT
cd "$work"
pane_number=0
pane_socket="tranchor-pane-$$-0"
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs the command line in a fresh pane in the current directory; its exit code goes to the
# file exit-code. Each pane has a tmux server of its own: a server that is still shutting down
# must not meet the next pane's client.
pane_start() {
  pane_stop
  pane_number=$((pane_number + 1))
  pane_socket="tranchor-pane-$$-$pane_number"
  rm -f exit-code
  tmux -L "$pane_socket" new-session -d -x 80 -y 25 -c "$PWD" "$*; echo EXIT=\$? > '$PWD/exit-code'; sleep 60"
}
pane_stop() { tmux -L "$pane_socket" kill-server 2>/dev/null || true; }
pane_cleanup() {
  pane_stop
  rm -rf "$pane_home" "$work"
}
screen() { tmux -L "$pane_socket" capture-pane -p; }
row() { screen | sed -n "${1}p" | sed 's/[[:space:]]*$//'; }
keys() { tmux -L "$pane_socket" send-keys "$@"; }

# Waits until the row shows the text.
wait_row() {
  local n=$1 want=$2
  for _ in $(seq "$PANE_WAIT_TENTHS"); do
    [[ "$(row "$n")" == "$want" ]] && return 0
    sleep 0.1
  done
  fail "row $n: want '$want', got '$(row "$n")'"
  screen
  return 1
}
# Waits until the screen shows the text anywhere.
wait_text() {
  local want=$1
  for _ in $(seq "$PANE_WAIT_TENTHS"); do
    screen | grep -qF -- "$want" && return 0
    sleep 0.1
  done
  screen
  fail "the screen never showed: $want"
  return 1
}
wait_exit() {
  for _ in $(seq "$PANE_WAIT_TENTHS"); do
    [[ -s exit-code ]] && { cat exit-code; rm -f exit-code; return 0; }
    sleep 0.1
  done
  echo "EXIT=none"
}
expect_exit() {
  local got
  got=$(wait_exit)
  [[ "$got" == "EXIT=$1" ]] || fail "exit: want $1, got $got"
}
# The tool's screens answered as a user answers them; each waits for its prompts and fails when
# one does not come. At the menu: S, then the size for the file dropped on the program.
split_dropped_keys() {
  wait_row 8 "■ [S]plit or [G]lue :" && keys s && wait_row 11 "■ with a size of [bytes]:" && keys "$1" Enter
}
# At the menu: S, the name typed as it is, then each size in turn (all but the last refused).
split_typed_keys() {
  local name=$1 row=13 size
  shift
  wait_row 8 "■ [S]plit or [G]lue :" && keys s && wait_row 10 "■ Filename to split, incl. extention :" &&
    keys -l "$name" && keys Enter && wait_row 12 "■ Split file into pieces" || return 1
  for size; do
    wait_row $((row++)) "■ with a size of [bytes]:" && keys "$size" Enter || return 1
  done
}
# At the menu: G, then the name typed as it is.
glue_typed_keys() {
  wait_row 8 "■ [S]plit or [G]lue :" && keys g && wait_row 10 "■ Filename to glue, excl. extention :" &&
    keys -l "$1" && keys Enter
}
finish_checks() {
  pane_stop
  if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed"
    exit 1
  fi
}
