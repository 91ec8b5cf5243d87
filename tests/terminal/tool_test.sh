#!/usr/bin/env bash
# Runs the built program in a real terminal (tmux) the way a user would, and checks the screen
# rows and the files it leaves. $1 is the program.
set -euo pipefail
[[ -n "${TOOL_TEST_TRACE:-}" ]] && set -x
program=$(readlink -f "$1")
source "$(dirname "${BASH_SOURCE[0]}")/tmux_pane.sh"
source "$(dirname "${BASH_SOURCE[0]}")/flip_byte.sh"

# Starts the program in a fresh pane with the given arguments.
start() { pane_start "$program $*"; }
# Splits the dropped file (given as the shell should see it) at the size, as a user does.
split_dropped() {
  start "$1"
  split_dropped_keys "$2" || true
}

# Help screen: ends after one key.
start '?'
wait_row 2 "Tranchor v2.1"
wait_row 13 "Press any key to continue."
[[ "$(row 11)" == "        Double-click or Drag and Drop on it." ]] || fail "help row 11: '$(row 11)'"
keys x
expect_exit 0

# No tail: S, a name, a refused size, a size; the pieces on disk.
head -c 100000 /dev/urandom > DATA.ZIP
start
split_typed_keys DATA.ZIP 13 40000
wait_row 17 "■■■DATA.3"
expect_exit 0
[[ $(stat -c %s DATA.1) == 40000 && $(stat -c %s DATA.2) == 40000 && $(stat -c %s DATA.3) == 20018 ]] ||
  fail "piece sizes: $(stat -c %s DATA.1 DATA.2 DATA.3 | tr '\n' ' ')"

# A dropped first piece joins with no key at all, under the name the manifest gives.
mv DATA.ZIP original.zip
start DATA.1
wait_row 17 "■■■ Now adding : DATA.3"
expect_exit 0
cmp -s original.zip DATA.ZIP || fail "joined file differs"
sha256sum -c DATA.sha256 >/dev/null 2>&1 || fail "sha256sum -c after the glue: $(sha256sum -c DATA.sha256 2>&1)"

# A damaged piece: one byte changed in DATA.2 stops the glue at that piece, and nothing is written.
rm DATA.ZIP
cp DATA.2 kept.2
flip_byte DATA.2 1234
start DATA.1
wait_row 17 "■■ Now adding : DATA.2"
wait_row 18 "ERROR! Wrong checksum : DATA.2"
wait_row 20 "Press any key to end."
[[ -z "$(row 19)" ]] || fail "damaged piece: row 19 '$(row 19)'"
keys Enter
expect_exit 1
[[ -z "$(ls DATA.ZIP* 2>/dev/null)" ]] || fail "a damaged piece left: $(ls DATA.ZIP*)"
mv kept.2 DATA.2

# An incomplete set.
mv DATA.2 away.2
start DATA.1
wait_row 18 "ERROR! Incomplete file set!"
wait_row 19 "File not found : DATA.2"
wait_row 21 "Press any key to end."
keys Enter
expect_exit 1
[[ ! -e DATA.ZIP ]] || fail "an incomplete set wrote an output"
mv away.2 DATA.2

# Escape at the menu ends the run at once.
start original.zip
wait_row 8 "■ [S]plit or [G]lue :"
keys Escape
expect_exit 0
[[ "$(row 9)" == "" ]] || fail "escape left row 9: '$(row 9)'"

# Names of every kind, dropped and typed. The screen shows a character that code page 437 lacks
# once, followed by blanks for the other bytes it takes inside the program (a Cyrillic letter
# 2 cells, a CJK character or an emoji 3 or 4), and a byte that is no UTF-8 as a replacement
# character.
export LC_ALL=C.UTF-8  # tmux passes UTF-8 through only in a UTF-8 locale
mkdir names
cd names
# The piece names of a source, before the number: its name up to the first dot that does not
# start its file name, or the whole name and a dot.
pieces_of() {
  local directory='' file=$1
  [[ $file == */* ]] && { directory=${file%/*}/; file=${file##*/}; }
  local rest=${file:1}
  if [[ $rest == *.* ]]; then echo "$directory${file:0:1}${rest%%.*}."; else echo "$directory$file."; fi
}
# Splits $1 (dropped, or typed when $3 is "typed") into pieces of 2000 bytes and glues them back
# into $2; row 17 of the split shows $4 when given.
round_trip() {
  local source=$1 rebuilt=$2 how=${3:-dropped} shown=${4:-}
  local base
  base=$(pieces_of "$source")
  head -c 5000 /dev/urandom > "$source"
  cp "$source" ../original.bin
  if [[ $how == typed ]]; then
    start
    # A character typed too many is erased whole, whatever it takes inside.
    wait_row 8 "■ [S]plit or [G]lue :" && keys s && wait_row 10 "■ Filename to split, incl. extention :" &&
      keys -l "${source}Ж" && keys BSpace Enter && wait_row 13 "■ with a size of [bytes]:" && keys 2000 Enter ||
      return 0
  else
    split_dropped "$(printf %q "$source")" 2000
  fi
  [[ -n $shown ]] && wait_row 17 "$shown"
  expect_exit 0
  for piece in 1 2 3; do [[ -f $base$piece ]] || fail "$source: no piece $base$piece"; done
  rm "$source"
  if [[ $how == typed ]]; then
    start
    glue_typed_keys "${base%.}" || return 0
  else
    start "$(printf %q "${base}1")"
  fi
  expect_exit 0
  cmp -s ../original.bin "$rebuilt" || fail "$source ($how): $rebuilt differs or is missing"
  rm -f "$base"[123] "${base}sha256" "$rebuilt"
}
mkdir Загрузки
deep=$(printf 'd%.0s' {1..100})/$(printf 'e%.0s' {1..100})/$(printf 'f%.0s' {1..100})
mkdir -p "$deep"
for how in dropped typed; do
  round_trip 'Привет мир.txt' 'Привет мир.txt' $how '■■■П р и в е т  м и р .3'
  round_trip '日本語.pdf' '日本語.pdf' $how '■■■日 本 語 .3'
  round_trip '🎉party.mp4' '🎉party.mp4' $how '■■■🎉  party.3'
  round_trip 'Загрузки/big.iso' 'Загрузки/big.iso' $how '■■■З а г р у з к и /big.3'
  round_trip '.bashrc' '.bashrc' $how '■■■.bashrc.3'
  # The end of the longer first line stays behind (the progress row is never cleared); the
  # manifest gives the whole name back, which the extension field could not hold.
  round_trip 'notes.жпг' 'notes.жпг' $how '■■■notes.3√г'
done
round_trip $'raw\xff\xfe\x80name.dat' $'raw\xff\xfe\x80name.dat' dropped '■■■raw� � � name.3'
round_trip $'caf\xe9.txt' $'caf\xe9.txt' dropped '■■■caf� .3'
round_trip "$deep/data.bin" "$deep/data.bin" dropped
cd ..

# No terminal at all: a dropped first piece still joins.
rm -f DATA.ZIP
"$program" DATA.1 </dev/null >/dev/null 2>&1 || fail "join without a terminal exited $?"
cmp -s original.zip DATA.ZIP || fail "join without a terminal gave a different file"

# No terminal and a key needed: one line on standard error, exit code 1.
code=0
message=$(setsid -w "$program" original.zip </dev/null 2>&1 >/dev/null) || code=$?
[[ $code == 1 && "$message" == *"no console is available for input"* ]] || fail "no-console run: $code '$message'"

# A set split again at another size leaves the older, longer set's last pieces behind: the glue
# takes only the new set. Without its last piece, the set whose count is rounded down is refused.
head -c 100000 /dev/urandom > data.bin
for size in 10000 30000; do
  split_dropped data.bin $size
  expect_exit 0
done
[[ -e data.11 ]] || fail "the older set's piece 11 is not there"
mv data.bin data.original
start data.1
expect_exit 0
cmp -s data.original data.bin || fail "a re-split set glued into a different file"
rm data.bin data.4
start data.1
wait_row 18 "ERROR! Incomplete file set!"
wait_row 19 "File not found : data.4"
keys Enter
expect_exit 1
[[ ! -e data.bin ]] || fail "a set without its last piece was glued"

# The glue's temporary file is its own: a link planted under its name is not followed. An ending
# signal during the glue removes it.
truncate -s 1G big.iso
printf 'not to be written' > target
split_dropped big.iso 100000000
PANE_WAIT_TENTHS=1200 expect_exit 0  # a gigabyte to write: on a busy machine it takes a while
mv big.iso big.original
ln -s target big.iso.tranchor-part
for signal in TERM INT HUP; do
  start big.1
  pid=
  for _ in $(seq 200); do
    pid=$(pgrep -f "^$program big.1$" || true)
    [[ -n $pid && -e 'big.iso~2.tranchor-part' ]] && break
    sleep 0.01
  done
  [[ -n $pid && -e 'big.iso~2.tranchor-part' ]] || fail "$signal: the glue's temporary file did not appear"
  kill -STOP "$pid"
  kill -"$signal" "$pid"
  kill -CONT "$pid"
  # A write under a busy disk may take a while before the signal is handled.
  for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  wait_exit >/dev/null
  [[ ! -e 'big.iso~2.tranchor-part' ]] || fail "$signal left the temporary file behind"
  [[ ! -e big.iso ]] || fail "$signal: a rebuilt file appeared"
done
[[ "$(cat target)" == 'not to be written' ]] || fail "the glue wrote through a planted link"
rm -f big.*

# Options: help and version on standard output with no terminal, a wrong option, and a script
# that splits and glues with nothing on the screen.
[[ "$("$program" --version </dev/null | head -1)" == "tranchor 2.1" ]] || fail "--version"
"$program" --version </dev/null | sed -n 2p | grep -q "MIT License" || fail "--version names no licence"
"$program" --help </dev/null | head -1 | grep -q '^Usage: tranchor' || fail "--help"
code=0
message=$("$program" --frobnicate </dev/null 2>&1 >/dev/null) || code=$?
[[ $code == 2 && "$message" == "tranchor: unknown option --frobnicate"* ]] || fail "unknown option: $code '$message'"
head -c 300000 /dev/urandom > 'my file.bin'
start --split 100K "'my file.bin'"
expect_exit 0
[[ -z "$(screen | tr -d '[:space:]')" ]] || fail "a scripted split drew on the screen: $(screen)"
[[ $(stat -c %s 'my file.1') == 102400 && $(stat -c %s 'my file.3') == $((300018 - 2 * 102400)) ]] ||
  fail "scripted pieces"
mv 'my file.bin' my.original
"$program" --glue 'my file.1' </dev/null || fail "scripted glue exited $?"
cmp -s my.original 'my file.bin' || fail "the scripted glue gave a different file"
# Each argument is one name: two words are two sets, each glued in turn (here neither is there).
code=0
message=$("$program" --glue my file.1 </dev/null 2>&1) || code=$?
[[ $code == 1 && $(wc -l <<<"$message") == 2 && $message == *"File not found : file.1" ]] ||
  fail "two names for one glue: exit $code '$message'"
code=0
message=$("$program" --glue NOPE.BIN </dev/null 2>&1) || code=$?
[[ $code == 1 && "$message" == "tranchor: File not found : NOPE.BIN" ]] || fail "scripted failure: $code '$message'"
rm -f my.* 'my file'.*

# TERM=dumb: no cursor addressing, so no screen at all; a run that needs a key ends with the
# one-line message.
pane_start "TERM=dumb $program original.zip"
expect_exit 1
[[ "$(row 1)" == "tranchor: no console is available for input" && -z "$(row 2)" ]] ||
  fail "TERM=dumb: '$(row 1)' '$(row 2)'"

# Long work: while a piece takes longer than a second, the percentage of the whole run stands
# after its name on the progress row; it goes before the next row and the end, so the final
# screen is the one it ever was.
truncate -s 2G PCT.ISO
split_dropped PCT.ISO 1G
shown=""
for _ in $(seq 300); do
  shown=$(row 17)
  [[ $shown =~ %$ ]] && break
  sleep 0.1
done
[[ $shown =~ ^■(■)?PCT\.(ISO|2O?)\ [0-9]+%$ ]] || fail "no percentage on the progress row: '$shown'"
PANE_WAIT_TENTHS=1200 expect_exit 0
[[ "$(row 17)" == "■■■PCT.3" && -z "$(row 18)" ]] || fail "the final progress row: '$(row 17)' '$(row 18)'"
rm -f PCT.*

# Ctrl+C during the split of a large sparse file: the run ends at once with 130, the terminal
# as it was before, and nothing of the unfinished set is left: neither piece 1 (written under a
# name of its own until the set is whole) nor the pieces made so far. The shell traps SIGINT so
# that it goes on to report the status.
truncate -s 16G BIG.ISO
pane_start "stty -g > stty-before; trap : INT; $program BIG.ISO; code=\$?; stty -g > stty-after; (exit \$code)"
split_dropped_keys 1000000
for _ in $(seq 100); do [[ -e BIG.3 ]] && break; sleep 0.1; done
[[ -e BIG.1.tranchor-part && ! -e BIG.1 ]] || fail "Ctrl+C: piece 1 has its name before the set is whole"
keys C-c
expect_exit 130
cmp -s stty-before stty-after || fail "Ctrl+C left the terminal changed: $(cat stty-before) -> $(cat stty-after)"
left=$(ls BIG.* | grep -v '^BIG.ISO$' | head -3 | tr '\n' ' ' || true)
[[ -z $left ]] || fail "Ctrl+C left pieces of the unfinished split: $left"
[[ "$(tmux -L "$pane_socket" display -p '#{cursor_flag}')" == "1" ]] || fail "Ctrl+C left the cursor hidden"
rm -f BIG.*

finish_checks
echo "terminal tool checks passed"
