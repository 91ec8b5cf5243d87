# Sourced by the Wine terminal tests: runs a Windows program under Wine in a tmux pane of
# 80x25, where Wine's console shows the screen buffer, and reads the pane back.
# The caller sets WINEPREFIX (a prefix that wineboot has made), works in its own directory and
# calls pane_stop on exit (finish_checks does).
export TERM=xterm-256color WINEDEBUG=-all
# Wine shows the console's code-page-437 bytes as Unicode glyphs; the terminal takes UTF-8.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
wine_pane=0
wine_socket="tranchor-wine-$$-0"
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs the command line in a fresh pane in the current directory; its exit code goes to the
# file exit-code. Each pane has a tmux server of its own, so that one going down cannot take
# the next one with it.
pane_start() {
  pane_stop
  wine_pane=$((wine_pane + 1))
  wine_socket="tranchor-wine-$$-$wine_pane"
  rm -f exit-code
  tmux -L "$wine_socket" new-session -d -x 80 -y 25 -c "$PWD" "$*; echo EXIT=\$? > '$PWD/exit-code'; sleep 60"
}
pane_stop() { tmux -L "$wine_socket" kill-server 2>/dev/null || true; }
screen() { tmux -L "$wine_socket" capture-pane -p; }
row() { screen | sed -n "${1}p" | sed 's/[[:space:]]*$//'; }
keys() { tmux -L "$wine_socket" send-keys "$@"; }

# Waits until the row shows the text (Wine starts slowly: up to 60 seconds).
wait_row() {
  local n=$1 want=$2
  for _ in $(seq 600); do
    [[ "$(row "$n")" == "$want" ]] && return 0
    sleep 0.1
  done
  fail "row $n: want '$want', got '$(row "$n")'"
  screen
  return 1
}
wait_exit() {
  for _ in $(seq 600); do
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
finish_checks() {
  pane_stop
  if [[ $failures -ne 0 ]]; then
    echo "$failures check(s) failed"
    exit 1
  fi
}
