#!/usr/bin/env bash
# The Windows downloads as a person gets them: each zip holds tranchor.exe of its bits, README.txt
# and LICENSE.txt (the README and the licence with CRLF line ends), and nothing else; the 64-bit
# program, unzipped into a fresh folder, says its version under Wine and splits and glues a file
# there from a script. $TRANCHOR_ZIP_WIN32 and $TRANCHOR_ZIP_WIN64 are the zips; WINEPREFIX is a
# prefix that wineboot has made.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
export WINEDEBUG=-all
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The machine a Windows program is built for, from its PE header: 8664 x86-64, 014c i386.
pe_machine() {
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' '
}
declare -A machine=([32]=014c [64]=8664)
for bits in 32 64; do
  zip_var=TRANCHOR_ZIP_WIN$bits
  zip=$(readlink -f "${!zip_var}")
  name=$(basename "$zip")
  listing=$(unzip -Z1 "$zip" | sort | paste -sd' ')
  [[ $listing == "LICENSE.txt README.txt tranchor.exe" ]] || fail "$name holds: $listing"
  mkdir "$work/win$bits"
  unzip -q "$zip" -d "$work/win$bits"
  cd "$work/win$bits"
  [[ $(pe_machine tranchor.exe) == "${machine[$bits]}" ]] || fail "$name holds a program for machine $(pe_machine tranchor.exe)"
  cmp -s README.txt <(sed 's/$/\r/' "$source_dir/README.md") || fail "README.txt of $name is not README.md with CRLF line ends"
  cmp -s LICENSE.txt <(sed 's/$/\r/' "$source_dir/LICENSE") || fail "LICENSE.txt of $name is not LICENSE with CRLF line ends"
done

# The 64-bit program where the zip put it: its version, then a split and a glue from a script.
cd "$work/win64"
version=$(sed -n 's/^project(tranchor VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
said=$(wine tranchor.exe --version </dev/null 2>&1 | head -1 | tr -d '\r') || true
[[ $said == "tranchor $version" ]] || fail "tranchor.exe --version says '$said', not 'tranchor $version'"
head -c 4500 /dev/urandom >x.bin
cp x.bin original.bin
wine tranchor.exe --split 1000 x.bin </dev/null || fail "--split 1000 x.bin exited $?"
[[ -f x.1 && -f x.sha256 ]] || fail "the split left: $(ls | paste -sd' ')"
rm x.bin
wine tranchor.exe --glue x.1 </dev/null || fail "--glue x.1 exited $?"
cmp -s original.bin x.bin || fail "the glued x.bin differs from the file split"

[[ $failures -eq 0 ]] || exit 1
echo "zip checks passed under Wine"
