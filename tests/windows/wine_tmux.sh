# Sourced by the Wine terminal tests: runs a Windows program under Wine in a tmux pane of
# 80x25, where Wine's console shows the screen buffer, and reads the pane back.
# The caller sets WINEPREFIX (a prefix that wineboot has made); the work directory and the
# clean-up on exit come from tmux_pane.sh.
export WINEDEBUG=-all
# Wine shows the console's code-page-437 bytes as Unicode glyphs; the terminal takes UTF-8.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# Wine starts slowly: wait up to 60 seconds.
PANE_WAIT_TENTHS=600
source "$(dirname "${BASH_SOURCE[0]}")/../terminal/tmux_pane.sh"
