#!/usr/bin/env bash
# The Windows version: cross-builds Tranchor with mingw-w64 and tests the 64-bit build under Wine.
#   build-win32/tranchor.exe  32-bit console program (i686), static, Release
#   build-win64/tranchor.exe  64-bit console program (x86_64), static, Release, with the tests
# Under Wine (a private prefix under /tmp, made once per run): the unit and scenario tests
# through ctest, except the POSIX-only ones listed in tests/windows/posix_only_tests.txt; then
# tests/windows/*_test.sh, which run Windows programs in Wine's console inside tmux.
# Each build's zip, the Windows download (cpack -G ZIP): build-win32/tranchor-VERSION-win32.zip and
# build-win64/tranchor-VERSION-win64.zip; tests/windows/zip_test.sh unzips and runs the 64-bit one.
# The cross compilers and Wine are installed with apt-get when this runs as root. Without the
# cross compilers the run is skipped (exit 0); without Wine only the builds are made. When both
# are there, a failing build or test fails the run.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$here/tools/require.sh"
jobs=$(nproc)

if ! require_packages i686-w64-mingw32-g++-posix:g++-mingw-w64-i686 \
  x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64 \
  /usr/src/googletest/CMakeLists.txt:googletest; then
  echo "windows: skipped: the mingw-w64 cross compilers cannot be had here"
  exit 0
fi
have_wine=1
if ! require_packages /usr/lib/wine/wine64:wine64 wine:wine wineserver:wine tmux:tmux unzip:unzip; then
  echo "windows: Wine cannot be had here; building only, no Windows test runs"
  have_wine=0
fi

# --- builds ----------------------------------------------------------------------------------
build() {  # build dir, toolchain, testing, targets...
  local dir=$1 toolchain=$2 testing=$3
  shift 3
  cmake -S "$here" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DTRANCHOR_SANITIZE=OFF -DBUILD_TESTING="$testing" >/dev/null
  cmake --build "$dir" -j "$jobs" "$@"
}
build "$here/build-win32" mingw-w64-i686.cmake OFF --target tranchor
build "$here/build-win64" mingw-w64-x86_64.cmake ON
# The downloads, named by the project's version and the build's bits.
version=$(sed -n 's/^project(tranchor VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
for bits in 32 64; do
  dir=$here/build-win$bits
  echo "windows: build-win$bits/tranchor.exe: $(stat -c %s "$dir/tranchor.exe") bytes"
  zip=$dir/tranchor-$version-win$bits.zip
  rm -f "$zip"
  (cd "$dir" && cpack -G ZIP >cpack.log 2>&1) || { cat "$dir/cpack.log"; exit 1; }
  [[ -f $zip ]] || { cat "$dir/cpack.log"; echo "windows: cpack made no $(basename "$zip")"; exit 1; }
  echo "windows: build-win$bits/$(basename "$zip"): $(stat -c %s "$zip") bytes"
  export "TRANCHOR_ZIP_WIN$bits=$zip"
done
[[ $have_wine -eq 1 ]] || exit 0

# The POSIX program, whose pieces the Windows program's must equal byte for byte.
reference="$here/build-win64/posix-reference"
cmake -S "$here" -B "$reference" -DCMAKE_BUILD_TYPE=Release -DTRANCHOR_SANITIZE=OFF \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$reference" -j "$jobs" --target tranchor

# --- Wine --------------------------------------------------------------------------------------
WINEPREFIX=$(mktemp -d /tmp/tranchor-wine.XXXXXX)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine keeps the server's socket in a directory named after the prefix's device and inode.
server_id=$(printf 'server-%x-%x' "$((16#$(stat -c %D "$WINEPREFIX")))" "$(stat -c %i "$WINEPREFIX")")
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  local dir
  for dir in /tmp/wine-*/"$server_id" "/tmp/.wine-$(id -u)/$server_id"; do
    [[ -d $dir ]] || continue
    rm -rf "$dir"
    rmdir "$(dirname "$dir")" 2>/dev/null || true
  done
}
trap cleanup EXIT
echo "windows: making the Wine prefix (the first start takes a while)"
timeout 600 wineboot -i >/dev/null 2>&1 || { echo "windows: wineboot failed"; exit 1; }
# Wine marks names that start with a dot as hidden; Windows does not (.bashrc is a plain file).
wine reg add 'HKCU\Software\Wine' /v ShowDotFiles /t REG_SZ /d Y /f >/dev/null 2>&1
wineserver -w

status=0
skip=$(grep -v '^#' "$here/tests/windows/posix_only_tests.txt" | awk 'NF { print $1 }' | paste -sd '|')
echo "windows: POSIX-only tests not run under Wine: ${skip//|/ }"
# The console device's own tests need a console: console_contract_test.sh runs them in one.
# Wine now and then fails to start one of many test processes started side by side (the test
# then ends at once with no output); such a test is run again, and a real failure fails every
# time.
(cd "$here/build-win64" &&
  ctest --output-on-failure -j "$jobs" --repeat until-pass:3 -L '^(frame|text|console|files|app|windows)$' \
    -E "^($skip|Win32ConsoleTest\..*)\$") || status=1

export TRANCHOR_EXE="$here/build-win64/tranchor.exe"
export TRANCHOR_POSIX="$reference/tranchor"
export TRANCHOR_WINDOWS_TESTS="$here/build-win64/tests/windows_tests.exe"
for script in "$here"/tests/windows/*_test.sh; do
  echo "windows: $(basename "$script")"
  bash "$script" || status=1
done
[[ $status -eq 0 ]] && echo "windows: all Windows tests passed under Wine"
exit $status
