#!/usr/bin/env bash
# What the real program leaves when things go wrong on the real system, run as scripts do: a
# full file system, a file-size limit, a split ended by TERM or KILL, two glues of one set at
# once, and a glue killed and then run again. A glue writes exactly the file that was split, or
# nothing; a split leaves a set only when it is whole. $1 is the program.
set -euo pipefail
program=$(readlink -f "$1")
source "$(dirname "${BASH_SOURCE[0]}")/shell_checks.sh"
# The files of a set besides the source: none may be left by a split that did not finish.
left_of() { ls -a "$1" | grep -E "^$2\.[0-9]+(\.tranchor-part)?$" | tr '\n' ' ' || true; }
# Waits up to 20 s for a file to appear.
wait_for() { for _ in $(seq 200); do [[ -e $1 ]] && return 0; sleep 0.1; done; fail "$1 never appeared"; }

# A full file system: the split says why, exit 1, and leaves nothing of its set.
mkdir small
if mount -t tmpfs -o size=48k tmpfs small 2>/dev/null; then
  # The source lies elsewhere; the pieces go beside its name.
  head -c 50000 /dev/urandom >S.bin
  ln -s ../S.bin small/S.bin
  code=0
  message=$("$program" --split 10000 small/S.bin 2>&1) || code=$?
  [[ $code == 1 && $message == "tranchor: ERROR! Cannot write : small/S."*": No space left on device" ]] ||
    fail "full disk: $code '$message'"
  [[ -z "$(left_of small S)" && $(df --output=used -B1 small | tail -1) -lt 8192 ]] ||
    fail "full disk left: $(left_of small S)"
  code=0
  message=$("$program" --glue small/S.1 2>&1) || code=$?
  [[ $code == 1 && $message == "tranchor: File not found : small/S.1" ]] || fail "glue after a full disk: $code '$message'"
  umount small
else
  echo "skipped: a small tmpfs needs root"
fi

# A file-size limit (ulimit -f, in KiB): the write that passes it fails, and the split too.
head -c 100000 /dev/urandom >L.bin
code=0
message=$(ulimit -f 20 && "$program" --split 30000 L.bin 2>&1) || code=$?
[[ $code == 1 && $message == "tranchor: ERROR! Cannot write : L.1: File too large" ]] || fail "ulimit -f: $code '$message'"
[[ -z "$(left_of . L)" ]] || fail "ulimit -f left: $(left_of . L)"

# TERM in the middle of a split: nothing of the set is left. KILL: no piece 1 is left (the
# temporary piece 1 of the killed run goes with the next split of the set).
truncate -s 2G BIG.iso
for signal in TERM KILL; do
  "$program" --split 1M BIG.iso &
  pid=$!
  wait_for BIG.5
  kill -$signal $pid
  code=0
  { wait $pid; } 2>/dev/null || code=$?
  [[ $code == $((128 + $(kill -l $signal))) ]] || fail "$signal: exit $code"
  [[ ! -e BIG.1 ]] || fail "$signal left piece 1"
  if [[ $signal == TERM ]]; then
    [[ -z "$(left_of . BIG)" ]] || fail "TERM left: $(left_of . BIG | cut -c1-80)"
  fi
done
# What the killed split left is no set: its temporary piece 1 does not stand for piece 1.
said=$("$program" --glue BIG.1 2>&1) && fail "a glue after KILL in a split succeeded"
[[ $said == "tranchor: File not found : BIG.1" ]] || fail "a glue after KILL in a split: $said"
"$program" --split 512M BIG.iso || fail "the split after KILL: exit $?"
[[ ! -e BIG.1.tranchor-part ]] || fail "the killed split's piece 1 stayed"

# Two glues of one set at once both succeed (pieces are only read, under a shared lock); a glue
# killed in the middle leaves its temporary file, and the next glue removes it.
mv BIG.iso BIG.orig
"$program" --glue BIG.1 &
first=$!
"$program" --glue BIG.1 || fail "the second of two glues at once: exit $?"
wait $first || fail "the first of two glues at once: exit $?"
cmp -s BIG.orig BIG.iso || fail "two glues at once gave a different file"
rm -f BIG.iso
"$program" --glue BIG.1 &
pid=$!
wait_for BIG.iso.tranchor-part
kill -KILL $pid
{ wait $pid; } 2>/dev/null || true
[[ -e BIG.iso.tranchor-part && ! -e BIG.iso ]] || fail "KILL in a glue: $(ls BIG.iso* 2>/dev/null | tr '\n' ' ')"
"$program" --glue BIG.1 || fail "the glue after a killed glue: exit $?"
cmp -s BIG.orig BIG.iso || fail "the glue after a killed glue gave a different file"
[[ -z "$(ls BIG.iso*.tranchor-part 2>/dev/null)" ]] || fail "the killed glue's file stayed"

end_checks promise
