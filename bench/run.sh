#!/usr/bin/env bash
# Times Tranchor against GNU split, cat and sha256sum on the same data in the same directory: 64
# and 256 MiB into 4 pieces, 1 GiB into 100,000,000-byte pieces, and sets of 3,000 and 30,000
# pieces of 1,100 bytes. Tranchor splits (writing the manifest and flushing) and glues with the
# manifest and without it; the peers split alone, then with sha256sum of the file and the pieces,
# then with sync of the pieces, and join with cat alone, with sha256sum -c, and with sync. Both
# tools run in every round (7 by default), in turns that alternate, with a sync before each timed
# command; the table gives the median times, the median of the rounds' paired ratios (tranchor /
# peer, lower is better) beside the targets, peak memory, and the bytes sent to the terminal
# during the 30,000-piece split. Then a 5 GiB sparse file is split into 2 GiB pieces and joined
# back, and (as root) a 5 GiB file is split and glued with a cold page cache by both tools, five
# rounds, with the data each split left to write back and each time again with a sync after the
# command. Every join is compared with its source; a
# difference stops the bench with an error. Beside them runs the floor (bench/floor.c): the system
# calls that Tranchor's promises need, with the checksums in one thread, in a bare loop. Run by
# hand, on an idle machine; it takes about half an hour and needs about 30 GiB of free disk space for
# a while.
#
#   bench/run.sh [--runs N] [--quick] [--no-sparse] [--no-cold]
#
# The data goes to $TRANCHOR_BENCH_DIR (default /var/tmp/tranchor-bench), which must be on a real
# disk, not in memory (tmpfs); it is deleted at the end.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$here/tools/require.sh"
require_packages cmake:cmake g++:g++ make:make /usr/include/openssl/evp.h:libssl-dev python3:python3 \
  /usr/bin/time:time split:coreutils cmp:diffutils

work=${TRANCHOR_BENCH_DIR:-/var/tmp/tranchor-bench}
mkdir -p "$work"
fs_type=$(stat -f -c %T "$work")
if [[ $fs_type == tmpfs || $fs_type == ramfs ]]; then
  echo "bench: $work is on $fs_type (memory); set TRANCHOR_BENCH_DIR to a directory on a disk" >&2
  exit 1
fi
free_kib=$(df -Pk "$work" | awk 'NR == 2 { print $4 }')
if (( free_kib < 30 * 1024 * 1024 )); then
  echo "bench: $work has $((free_kib / 1024 / 1024)) GiB free; the bench needs 30 GiB" >&2
  exit 1
fi
trap 'rm -rf "$work"' EXIT

build="$here/build-bench"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target tranchor -j "$(nproc)" >/dev/null
cc -O2 -o "$build/floor" "$here/bench/floor.c" -lcrypto

echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)," \
  "$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) memory;" \
  "data on $(df -P "$work" | awk 'NR == 2 { print $1 }') ($fs_type), kernel $(uname -r)"
python3 "$here/bench/drive.py" "$build/tranchor" "$work" --floor "$build/floor" "$@"
