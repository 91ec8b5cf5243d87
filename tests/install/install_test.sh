#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the install tree: the program, its man
# page, its desktop entry and the README in their GNU places, the man page free of roff warnings
# and the desktop entry valid.
#   install_test.sh BUILD_DIR PROGRAM
# Exit status 77 (skipped) when a checking tool is missing and cannot be installed.
set -euo pipefail
build=${1:?usage: install_test.sh BUILD_DIR PROGRAM}
program=${2:?usage: install_test.sh BUILD_DIR PROGRAM}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIPPED: $*"; exit 77; }

# The checkers: groff or mandoc for the man page, desktop-file-validate for the entry.
source "$source_dir/tools/require.sh"
needed=()
command -v groff >/dev/null 2>&1 || command -v mandoc >/dev/null 2>&1 || needed+=(groff:groff-base)
needed+=(desktop-file-validate:desktop-file-utils)
require_packages "${needed[@]}" ||
  skip "the man page and desktop entry checkers are missing (apt-get install groff-base desktop-file-utils as root)"

[[ -x $program && -f $build/doc/tranchor.1.gz && -f $build/doc/changelog.gz ]] ||
  cmake --build "$build" --target tranchor tranchor_docs >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; fail "cmake --install"; }

# Exactly these files, each where a Linux system looks for it, each the one from the sources.
expected=$(printf '%s\n' bin/tranchor share/applications/tranchor.desktop share/doc/tranchor/README.md \
  share/doc/tranchor/changelog.gz share/doc/tranchor/copyright share/man/man1/tranchor.1.gz | sort)
actual=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
[[ $actual == "$expected" ]] || fail "installed files differ:
expected:
$expected
installed:
$actual"
[[ -x $prefix/bin/tranchor ]] || fail "bin/tranchor is not executable"
cmp -s "$program" "$prefix/bin/tranchor" || fail "bin/tranchor is not the built program"
man_page=$work/tranchor.1
gzip -dc "$prefix/share/man/man1/tranchor.1.gz" >"$man_page"
cmp -s "$source_dir/doc/tranchor.1" "$man_page" || fail "the compressed man page is not doc/tranchor.1"
cmp -s "$source_dir/share/tranchor.desktop" "$prefix/share/applications/tranchor.desktop" ||
  fail "desktop entry differs"
cmp -s "$source_dir/README.md" "$prefix/share/doc/tranchor/README.md" || fail "README differs"
echo "ok: $(wc -l <<<"$expected") files installed under the prefix"

# The man page renders without a single warning.
linted=0
if command -v groff >/dev/null 2>&1; then
  report=$(groff -man -ww -z "$man_page" 2>&1) || fail "groff failed: $report"
  [[ -z $report ]] || fail "groff warns about the man page:
$report"
  linted=1
fi
if command -v mandoc >/dev/null 2>&1; then
  report=$(mandoc -T lint "$man_page" 2>&1) || fail "mandoc lint: $report"
  [[ -z $report ]] || fail "mandoc warns about the man page:
$report"
  linted=1
fi
[[ $linted -eq 1 ]] || fail "no man page checker ran"
for section in NAME SYNOPSIS DESCRIPTION KEYS "EXIT STATUS" LIMITS EXAMPLES; do
  grep -qx "\.SH \"\?$section\"\?" "$man_page" || fail "man page has no section $section"
done
echo "ok: the man page lints clean"

# The desktop entry validates and lets a file manager open any file with the program.
entry=$prefix/share/applications/tranchor.desktop
report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $report"
[[ -z $report ]] || fail "desktop-file-validate reports:
$report"
for line in 'Type=Application' 'Exec=tranchor %f' 'Terminal=true' 'NoDisplay=false'; do
  grep -qx "$line" "$entry" || fail "desktop entry lacks $line"
done
grep -q '^MimeType=\(.*;\)\?application/octet-stream;' "$entry" ||
  fail "desktop entry does not take any file (application/octet-stream)"
echo "ok: the desktop entry validates"
