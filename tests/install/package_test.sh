#!/usr/bin/env bash
# Builds the Debian package from a release build in a temporary directory and checks it without
# installing it: its contents, their modes, its control fields (the Depends line above all), the
# paths written into the desktop entry and the launcher, and lintian's verdict; and the README's
# recipe that removes an install made with cmake --install in the same build.
#   package_test.sh SOURCE_DIR
# Exit status 77 (skipped) when dpkg-deb or lintian is not there and cannot be installed.
set -euo pipefail
source_dir=$(cd "${1:?usage: package_test.sh SOURCE_DIR}" && pwd)

fail() { echo "FAIL: $*" >&2; exit 1; }
command -v dpkg-deb >/dev/null 2>&1 || { echo "SKIPPED: dpkg-deb is missing; no Debian package is built"; exit 77; }
source "$source_dir/tools/require.sh"
require_packages lintian:lintian || { echo "SKIPPED: lintian is missing"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build=$work/build
jobs=$(nproc 2>/dev/null || echo 2)

run() { "$@" >"$work/step.log" 2>&1 || { cat "$work/step.log" >&2; fail "$*"; }; }
# The package is made from the program built here, as it is: cpack does not build again.
run cmake -S "$source_dir" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTRANCHOR_SANITIZE=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
run cmake --build "$build" -j "$jobs"
# An install under a prefix first: the README's recipe must remove it even after cpack.
prefix=$work/prefix
run cmake --install "$build" --prefix "$prefix"
(cd "$build" && run cpack -G DEB -B "$work/out")

shopt -s nullglob
packages=("$work"/out/*.deb)
[[ ${#packages[@]} -eq 1 ]] || fail "expected one package, found ${#packages[@]}"
deb=${packages[0]}
echo "ok: built $(basename "$deb")"

# Contents: the files with their modes, owned by root; directories only besides them.
contents=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ { print $1, $2, $6 }' <<<"$contents" | sort)
expected=$(sort <<'EOF'
-rwxr-xr-x root/root ./usr/bin/tranchor
-rwxr-xr-x root/root ./usr/libexec/tranchor/desktop-launch
-rw-r--r-- root/root ./usr/share/applications/tranchor.desktop
-rw-r--r-- root/root ./usr/share/bash-completion/completions/tranchor
-rw-r--r-- root/root ./usr/share/doc/tranchor/LICENSE
-rw-r--r-- root/root ./usr/share/doc/tranchor/README.md
-rw-r--r-- root/root ./usr/share/doc/tranchor/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/tranchor/copyright
-rw-r--r-- root/root ./usr/share/fish/vendor_completions.d/tranchor.fish
-rw-r--r-- root/root ./usr/share/man/man1/tranchor.1.gz
-rw-r--r-- root/root ./usr/share/mime/packages/tranchor.xml
-rw-r--r-- root/root ./usr/share/zsh/vendor-completions/_tranchor
EOF
)
[[ $files == "$expected" ]] || fail "package contents differ:
expected:
$expected
packaged:
$files"
bad_dirs=$(awk '$1 ~ /^d/ && ($1 != "drwxr-xr-x" || $2 != "root/root") { print }' <<<"$contents")
[[ -z $bad_dirs ]] || fail "directories with unusual modes or owners:
$bad_dirs"
echo "ok: contents"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == tranchor ]] || fail "Package is '$(field Package)'"
version=$(sed -n 's/^project(tranchor VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
[[ $(field Version) == "$version" ]] || fail "Version is '$(field Version)', the project is $version"
if command -v dpkg >/dev/null 2>&1; then
  [[ $(field Architecture) == "$(dpkg --print-architecture)" ]] || fail "Architecture is '$(field Architecture)'"
fi
[[ -n $(field Maintainer) ]] || fail "no Maintainer"
[[ $(field Description) == *"glue them together again"* ]] || fail "Description is '$(field Description)'"

# Depends names, with a lowest version, the package of every library the program loads, and
# nothing a release build does not load (a sanitizer run-time, say).
depends=$(field Depends)
echo "Depends: $depends"
mkdir "$work/tree"
dpkg-deb -x "$deb" "$work/tree"
needed=$(LC_ALL=C objdump -p "$work/tree/usr/bin/tranchor" | awk '$1 == "NEEDED" { print $2 }')
[[ -n $needed ]] || fail "the packaged program loads no library at all"
for library in $needed; do
  case $library in
    libc.so.6 | libm.so.6 | ld-linux*.so.*) package=libc6 ;;
    libstdc++.so.6) package=libstdc++6 ;;
    libgcc_s.so.1) package=libgcc-s1 ;;
    libcrypto.so.3) package=libssl3 ;;  # SHA-256 of the manifests
    *) fail "the packaged program loads $library, which a release build should not need" ;;
  esac
  named=0
  IFS=',' read -ra entries <<<"$depends"
  for entry in "${entries[@]}"; do
    entry=${entry# }
    [[ $entry == "$package (>= "[0-9]*")" ]] && named=1
  done
  [[ $named -eq 1 ]] || fail "Depends does not name $package with a lowest version (the program loads $library)"
done
for unwanted in libasan libubsan libgtest; do
  [[ $depends != *"$unwanted"* ]] || fail "Depends names $unwanted"
done
echo "ok: Depends covers $(tr '\n' ' ' <<<"$needed")"

# The copyright file grants the licence that makes the package redistributable, in full.
copyright=$work/tree/usr/share/doc/tranchor/copyright
grep -qx 'License: Expat' "$copyright" || fail "the copyright file does not name License: Expat"
grep -qx ' Permission is hereby granted, free of charge, to any person obtaining a copy' "$copyright" ||
  fail "the copyright file lacks the text of the Expat licence"
# Debian's zsh finds the completion where the package puts it (zsh -f: its own search path only).
if command -v zsh >/dev/null 2>&1; then
  zsh -fc 'print -rl -- $fpath' | grep -qx /usr/share/zsh/vendor-completions ||
    fail "zsh does not search /usr/share/zsh/vendor-completions"
fi
echo "ok: the copyright file grants the Expat licence"

# The desktop entry and the launcher name the installed places, not CPack's staging directory.
grep -qxF 'Exec=/usr/libexec/tranchor/desktop-launch %f' "$work/tree/usr/share/applications/tranchor.desktop" ||
  fail "the packaged desktop entry does not start /usr/libexec/tranchor/desktop-launch"
grep -qxF '"/usr/bin/tranchor" -- "$@"' "$work/tree/usr/libexec/tranchor/desktop-launch" ||
  fail "the packaged launcher does not run /usr/bin/tranchor"
echo "ok: the desktop entry and the launcher name /usr"

# lintian: no errors (it exits non-zero on an error tag, or when it cannot check the package).
# Whatever else it says goes to the test's output; its scratch files go to the work directory.
TMPDIR=$work lintian --fail-on error --pedantic --display-info "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log" >&2; fail "lintian reports errors"; }
cat "$work/lintian.log"
echo "ok: lintian reports no errors"

# The README's removal recipe after cmake --install and cpack in the same build: the list of the
# install is intact, names only files under the prefix, and leaves the prefix empty.
outside=$(grep -v "^$prefix/" "$build/install_manifest.txt" || true)
[[ -z $outside ]] || fail "install_manifest.txt names files outside the prefix after cpack:
$outside"
xargs rm -f <"$build/install_manifest.txt"
rmdir "$prefix/libexec/tranchor" "$prefix/share/doc/tranchor"
left=$(find "$prefix" -type f -o -type l)
[[ -z $left ]] || fail "the removal recipe leaves files:
$left"
echo "ok: the removal recipe removes the install, cpack or not"
