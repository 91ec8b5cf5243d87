#!/usr/bin/env bash
# A 5 GB sparse file split from a script into pieces of 4.7e9 bytes (past 32 bits) and glued
# back, compared byte for byte. $1 is the program. Skipped (77) without 12 GB of free disk.
set -euo pipefail
program=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
free_kb=$(df -Pk . | awk 'NR == 2 { print $4 }')
if (( free_kb < 12 * 1024 * 1024 )); then
  echo "large file test skipped: less than 12 GB free"
  exit 77
fi

fail() { echo "FAIL: $*"; exit 1; }
truncate -s 5G big.img
"$program" --split 4.7e9 big.img </dev/null 2>err.txt || fail "split exited $?: $(cat err.txt)"
[[ ! -s err.txt ]] || fail "the split printed: $(cat err.txt)"
[[ $(stat -c %s big.1) == 4700000000 && $(stat -c %s big.2) == 668709138 && ! -e big.3 ]] ||
  fail "pieces: $(stat -c '%n %s' big.* | tr '\n' ' ')"
# The count: (5 GiB + 18) / 4.7e9 rounds to 1.
header=$(head -c 18 big.1 | od -An -tx1 | tr -d ' \n')
[[ $header == "$(printf 'Tranchor v2.1img' | od -An -tx1 | tr -d ' \n')0100" ]] || fail "header: $header"
mv big.img big.original
"$program" --glue big.1 </dev/null 2>err.txt || fail "glue exited $?: $(cat err.txt)"
rm big.1 big.2
cmp -s big.original big.img || fail "the glued file differs"
echo "large file checks passed"
