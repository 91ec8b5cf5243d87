#!/usr/bin/env bash
# The options of a script, run as a user would in a shell: another folder (on another file
# system when a tmpfs can be had), a pipe in and out, a number of pieces, a medium's size, several
# files at once, names with blanks, progress and verbose lines. $1 is the program.
set -euo pipefail
program=$(readlink -f "$1")
source "$(dirname "${BASH_SOURCE[0]}")/shell_checks.sh"
source "$(dirname "${BASH_SOURCE[0]}")/flip_byte.sh"
size_of() { stat -c %s "$1"; }

# --dir: the pieces and the manifest go into another folder (a tmpfs, like a stick, as root), the
# rebuilt file into a third; nothing is written beside the source or beside the pieces.
head -c 300000 /dev/urandom >movie.mkv
mkdir stick out
mount -t tmpfs -o size=8m tmpfs stick 2>/dev/null || echo "note: stick is a plain folder (a tmpfs needs root)"
"$program" --split 100K --dir stick movie.mkv || fail "--dir split: exit $?"
[[ "$(ls stick | tr '\n' ' ')" == "movie.1 movie.2 movie.3 movie.sha256 " ]] || fail "--dir split wrote: $(ls stick)"
[[ "$(ls | tr '\n' ' ')" == "movie.mkv out stick " ]] || fail "--dir split wrote beside the source: $(ls)"
(cd stick && sha256sum -c --quiet --ignore-missing movie.sha256) || fail "sha256sum -c of the pieces on the stick"
"$program" --glue --dir out stick/movie.1 || fail "--dir glue: exit $?"
cmp -s movie.mkv out/movie.mkv || fail "--dir glue gave a different file"
[[ "$(ls stick | tr '\n' ' ')" == "movie.1 movie.2 movie.3 movie.sha256 " ]] || fail "--dir glue wrote beside the pieces"
rm -rf stick/* out/*

# A pipe in (with the name of the file it holds) and out; --stdout writes nothing to disk.
head -c 2500000 /dev/urandom >backup.tar
cat backup.tar | "$program" --split 1M --name backup.tar - || fail "a split of standard input: exit $?"
[[ $(size_of backup.1) == 1048576 && $(size_of backup.3) == $((2500000 + 18 - 2 * 1048576)) ]] ||
  fail "piped pieces: $(size_of backup.1) $(size_of backup.3)"
header=$(head -c 18 backup.1 | od -An -tx1 | tr -d ' \n')
[[ $header == "$(printf 'Tranchor v2.1tar' | od -An -tx1 | tr -d ' \n')0200" ]] || fail "piped piece 1's header: $header"
[[ "$(head -1 backup.sha256)" == "$(sha256sum backup.tar)" ]] || fail "the manifest's first line: $(head -1 backup.sha256)"
sha256sum -c --quiet --ignore-missing backup.sha256 || fail "sha256sum -c of the piped pieces"
mv backup.tar backup.original
"$program" --glue --stdout backup.1 | cmp -s - backup.original || fail "--stdout gave different data"
[[ ! -e backup.tar && -z "$(ls ./*.tranchor-part 2>/dev/null)" ]] || fail "--stdout wrote to disk"
code=0
"$program" --split 1M - </dev/null 2>/dev/null || code=$?
[[ $code == 2 ]] || fail "standard input without --name: exit $code"
# A damaged piece ends the stream with exit 1 and its line; what was written stays written.
flip_byte backup.2 7
code=0
message=$("$program" --glue --stdout backup.1 2>&1 >/dev/null) || code=$?
[[ $code == 1 && $message == "tranchor: ERROR! Wrong checksum : backup.2" ]] || fail "--stdout, damaged: $code '$message'"
rm -f backup.*

# --count: at most N pieces, all but the last of one size.
for length in 0 1 999 1000000; do
  for count in 1 3 7; do
    head -c $length /dev/urandom >c.bin
    "$program" --count $count c.bin || fail "--count $count of $length bytes: exit $?"
    made=$(ls c.[0-9]* | wc -l)
    [[ $made -le $count && ($length -lt 1000 || $made == "$count") ]] || fail "--count $count of $length bytes made $made"
    rm -f c.*
  done
done

# Sizes of media and sizes with a blank before the unit; several files in one command, one of
# them missing (its own line, exit 1, the others done); a name that starts with a blank.
head -c 5000 /dev/urandom >a.bin
head -c 5000 /dev/urandom >' lead.bin'
code=0
message=$("$program" --split "2 KB" a.bin missing.bin ' lead.bin' 2>&1) || code=$?
[[ $code == 1 && $message == "tranchor: File not found : missing.bin" ]] || fail "several files: $code '$message'"
[[ $(size_of a.1) == 2000 && $(size_of ' lead.1') == 2000 && -e ' lead.sha256' ]] || fail "\"2 KB\" pieces"
truncate -s 5000000000 fat.iso
"$program" --split FAT32 fat.iso || fail "fat32: exit $?"
[[ $(size_of fat.1) == 4294967295 && $(size_of fat.2) == $((5000000000 + 18 - 4294967295)) ]] ||
  fail "fat32 pieces: $(size_of fat.1) $(size_of fat.2)"
rm -f fat.*

# Progress: in a file one line each, at most one a second, and a last line with the total, the
# pieces and the time; on a terminal the line is written again in place. --verbose names every
# piece made or added.
truncate -s 1G long.iso
"$program" --split 256M --progress long.iso 2>progress.txt || fail "--progress: exit $?"
grep -Eq '^tranchor: [0-9.]+ [kMG]?B of 1\.1 GB, [0-9]+%, [0-9.]+ [kMG]?B/s, ' progress.txt ||
  fail "no progress line: $(head -3 progress.txt)"
grep -Eq '^tranchor: 1\.1 GB in 5 pieces, [0-9]+\.[0-9] s$' progress.txt || fail "no last line: $(tail -1 progress.txt)"
if command -v script >/dev/null 2>&1; then
  script -qec "$program --glue --progress --stdout long.1 >/dev/null" /dev/null >terminal.txt || true
  grep -q $'\r''tranchor: 1.1 GB from 5 pieces' terminal.txt || fail "on a terminal: $(od -c terminal.txt | head -3)"
fi
"$program" --glue --verbose --dir out long.1 2>verbose.txt || fail "--verbose: exit $?"
[[ "$(head -5 verbose.txt | tr '\n' ' ')" == "tranchor: added long.1 tranchor: added long.2 tranchor: added long.3 tranchor: added long.4 tranchor: added long.5 " ]] ||
  fail "--verbose: $(cat verbose.txt)"
grep -Eq '^tranchor: 1\.1 GB from 5 pieces, ' verbose.txt || fail "--verbose has no last line"

end_checks option
