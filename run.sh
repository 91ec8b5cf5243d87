#!/usr/bin/env bash
# Builds the release program into build/ when needed, then starts it with the given file.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/tools/require.sh"
require_packages cmake:cmake g++:g++ make:make /usr/include/openssl/evp.h:libssl-dev
program="$here/build/tranchor"
# A first build takes a minute: say so rather than leave a blank screen.
if [[ ! -x $program || -n "$(find "$here/src" "$here/CMakeLists.txt" -newer "$program" -print -quit)" ]]; then
  echo "Building Tranchor ..." >&2
fi
if [[ ! -f "$here/build/CMakeCache.txt" ]]; then
  cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
fi
cmake --build "$here/build" --target tranchor -j "$(nproc)" >/dev/null
exec "$program" "$@"
