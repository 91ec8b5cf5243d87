#!/usr/bin/env bash
# The 64-bit Windows program under Wine, in Wine's console inside tmux, used as a person would:
# the banner and the menu, a split with typed keys, a dropped first piece that joins, and the
# pieces on disk compared byte for byte with those the POSIX program writes for the same input.
# $TRANCHOR_EXE is the Windows program, $TRANCHOR_POSIX the POSIX one.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
program=$(readlink -f "$TRANCHOR_EXE")
posix=$(readlink -f "$TRANCHOR_POSIX")
source "$here/wine_tmux.sh"
source "$here/../terminal/flip_byte.sh"

mkdir "$work/win" "$work/posix"
head -c 100000 /dev/urandom > "$work/win/DATA.ZIP"
cp "$work/win/DATA.ZIP" "$work/posix/DATA.ZIP"

# The banner, the menu and a split into pieces of 40000 bytes, typed at the keyboard.
split_with_keys() {
  wait_row 2 "Tranchor v2.1" || return 0
  [[ "$(row 3)" == "by Aldermoor" ]] || fail "row 3: '$(row 3)'"
  [[ "$(row 5)" == "- 32bit Windows95/98/NT4.0 version." ]] || fail "row 5: '$(row 5)'"
  split_typed_keys DATA.ZIP 13 40000 && wait_row 17 "■■■DATA.3" || true  # 13 is too small: asked again
  expect_exit 0
}

cd "$work/win"
pane_start "wine '$program'"
split_with_keys
cd "$work/posix"
pane_start "'$posix'"
split_with_keys

cd "$work"
for piece in DATA.1 DATA.2 DATA.3; do
  if [[ ! -f win/$piece ]]; then
    fail "the Windows program wrote no $piece"
  elif ! cmp -s win/$piece posix/$piece; then
    fail "$piece differs from the POSIX program's"
  fi
done
[[ ! -e win/DATA.4 ]] || fail "a fourth piece was written"
# The manifest: the same bytes as the POSIX program's, and those that sha256sum writes.
cmp -s win/DATA.sha256 posix/DATA.sha256 || fail "the manifest differs from the POSIX program's"
(cd posix && sha256sum DATA.ZIP DATA.1 DATA.2 DATA.3 | cmp -s - ../win/DATA.sha256) || fail "the manifest is not sha256sum's"

# Piece 1 dropped onto the program: it joins with no key at all.
cd "$work/win"
mv DATA.ZIP original.zip
pane_start "wine '$program' DATA.1"
{ wait_row 2 "Tranchor v2.1" && wait_row 17 "■■■ Now adding : DATA.3"; } || true
expect_exit 0
cmp -s original.zip DATA.ZIP || fail "the joined file (named by the manifest) differs from the original"

# A dropped name with blanks comes in quotes from Windows, and is used without them.
mkdir "$work/blank"
cd "$work/blank"
cp "$work/win/DATA.1" "MY DATA.1"
cp "$work/win/DATA.2" "MY DATA.2"
cp "$work/win/DATA.3" "MY DATA.3"
pane_start "wine '$program' 'MY DATA.1'"
wait_row 17 "■■■ Now adding : MY DATA.3" || true
expect_exit 0
cmp -s "$work/win/original.zip" "MY DATA.zip" || fail "the joined file of a name with blanks differs"

# A dropped name with a Windows directory part whose name holds a dot: the pieces lie beside
# the source, named from the file's own name; piece 1 dropped rebuilds the file there.
mkdir "$work/win/dir.x"
cp "$work/win/original.zip" "$work/win/dir.x/DATA.ZIP"
cd "$work/win"
pane_start "wine '$program' 'dir.x\\DATA.ZIP'"
{ split_dropped_keys 40000 && wait_row 17 "■■■dir.x\\DATA.3"; } || true
expect_exit 0
for piece in DATA.1 DATA.2 DATA.3; do
  cmp -s "dir.x/$piece" "$piece" || fail "dir.x/$piece differs from $piece"
done
rm dir.x/DATA.ZIP
pane_start "wine '$program' 'dir.x\\DATA.1'"
wait_row 17 "■■■ Now adding : dir.x\\DATA.3" || true
expect_exit 0
cmp -s original.zip dir.x/DATA.ZIP || fail "the file rebuilt in dir.x differs from the original"

# Glue chosen at the menu, with the base name typed.
cd "$work/win"
rm DATA.ZIP
pane_start "wine '$program'"
{ glue_typed_keys DATA && wait_row 17 "■■■ Now adding : DATA.3"; } || true
expect_exit 0
cmp -s original.zip DATA.ZIP || fail "the file glued from the menu differs from the original"

# Names outside every code page: a Cyrillic one dropped and then typed at the glue prompt, a CJK
# one typed at the split prompt and then dropped. The console shows a Cyrillic letter followed
# by a blank, and a character a console cell cannot hold as a replacement character.
mkdir "$work/names"
cd "$work/names"
head -c 5000 /dev/urandom > original.bin
cp original.bin 'Привет мир.txt'
pane_start "wine '$program' 'Привет мир.txt'"
{ split_dropped_keys 2000 && wait_row 17 "■■■П р и в е т  м и р .3"; } || true
expect_exit 0
rm 'Привет мир.txt'
pane_start "wine '$program'"
{ glue_typed_keys 'Привет мир' && wait_row 17 "■■■ Now adding : П р и в е т  м и р .3"; } || true
expect_exit 0
cmp -s original.bin 'Привет мир.txt' || fail "the Cyrillic name did not come back"
cp original.bin '日本語.pdf'
pane_start "wine '$program'"
{ split_typed_keys '日本語.pdf' 2000 && wait_row 17 "■■■�  �  �  .3"; } || true
expect_exit 0
rm '日本語.pdf'
pane_start "wine '$program' '日本語.1'"
wait_row 17 "■■■ Now adding : �  �  �  .3" || true
expect_exit 0
cmp -s original.bin '日本語.pdf' || fail "the CJK name did not come back"

# The help screen, for a help word in any case; any key ends it.
pane_start "wine '$program' hElP"
{ wait_row 13 "Press any key to continue." && keys x; } || true
[[ "$(row 11)" == "        Double-click or Drag and Drop on it." ]] || fail "help row 11: '$(row 11)'"
expect_exit 0

# No console at all: a dropped first piece still joins, and a run that needs a key ends with
# one line on standard error and exit code 1.
cd "$work/win"
rm -f DATA.ZIP
setsid -w wine "$program" DATA.1 </dev/null >/dev/null 2>&1 || fail "join without a console exited $?"
cmp -s original.zip DATA.ZIP || fail "the join without a console gave a different file"
set +e
message=$(setsid -w wine "$program" original.zip </dev/null 2>&1 >/dev/null)
code=$?
set -e
[[ $code == 1 && "$message" == *"no console is available for input"* ]] ||
  fail "run without a console that needs a key: $code '$message'"

# The options of a script: another folder, a pipe in and out, a count, a check that finds a
# damaged piece, and the reason at the end of a failure's line.
mkdir "$work/options" "$work/options/out"
cd "$work/options"
head -c 250000 /dev/urandom >movie.mkv
wine "$program" --split 100K --dir out movie.mkv </dev/null || fail "--dir split under Wine: exit $?"
[[ "$(ls out | tr '\n' ' ')" == "movie.1 movie.2 movie.3 movie.sha256 " ]] || fail "--dir split wrote: $(ls out)"
(cd out && sha256sum -c --quiet --ignore-missing movie.sha256) || fail "sha256sum -c of the pieces the Windows program wrote"
wine "$program" --glue --stdout out/movie.1 </dev/null >piped.mkv || fail "--stdout under Wine: exit $?"
cmp -s movie.mkv piped.mkv || fail "--stdout under Wine gave different data"
cat movie.mkv | wine "$program" --split 100K --name backup.tar - || fail "standard input under Wine: exit $?"
[[ "$(head -1 backup.sha256 | tr -d '\r')" == "$(sha256sum movie.mkv | sed 's/movie.mkv/backup.tar/')" ]] ||
  fail "the piped split's manifest: $(head -1 backup.sha256)"
wine "$program" --count 7 movie.mkv </dev/null || fail "--count under Wine: exit $?"
[[ -e movie.7 && ! -e movie.8 ]] || fail "--count 7 under Wine made $(ls movie.[0-9]* | wc -l) pieces"
flip_byte movie.3 5
code=0
message=$(wine "$program" --check movie </dev/null 2>&1 | tr -d '\r') || code=$?
[[ $code == 1 && $message == "tranchor: ERROR! Wrong checksum : movie.3" ]] || fail "--check under Wine: $code '$message'"

# Not shown here: Escape at the menu. Wine's console in a terminal hands a lone Escape over
# as a key without its character (or, with another key right behind it, as Alt with that key),
# so the program never sees the byte 27 there.

finish_checks
echo "Wine terminal checks passed"
