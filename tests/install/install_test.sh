#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the install tree: every file in its GNU
# place, the man page free of roff warnings, the desktop entry valid and bound to piece 1 only, the
# MIME type that tells piece 1 from other files named NAME.1, and the launcher that keeps the
# terminal window open after a run started from the desktop.
#   install_test.sh BUILD_DIR PROGRAM
# Exit status 77 (skipped) when a checking tool is missing and cannot be installed.
set -euo pipefail
build=${1:?usage: install_test.sh BUILD_DIR PROGRAM}
program=${2:?usage: install_test.sh BUILD_DIR PROGRAM}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)

skip() { echo "SKIPPED: $*"; exit 77; }

# The checkers: groff or mandoc for the man page; desktop-file-utils for the entry; shared-mime-info
# for the MIME database; xdg-mime answering as a GNOME-like desktop does (gio) and as any other
# does (mimetype); tmux for runs in a terminal.
source "$source_dir/tools/require.sh"
needed=()
command -v groff >/dev/null 2>&1 || command -v mandoc >/dev/null 2>&1 || needed+=(groff:groff-base)
needed+=(desktop-file-validate:desktop-file-utils update-mime-database:shared-mime-info
  xdg-mime:xdg-utils mimetype:libfile-mimeinfo-perl gio:libglib2.0-bin tmux:tmux)
require_packages "${needed[@]}" || skip "a checker is missing (see above)"

[[ -x $program && -f $build/doc/tranchor.1.gz && -f $build/doc/changelog.gz ]] ||
  cmake --build "$build" --target tranchor tranchor_docs >/dev/null

source "$source_dir/tests/terminal/tmux_pane.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }
# Runs a checker that must succeed without a word.
quiet() {
  local report
  report=$("$@" 2>&1) || fail "$* failed: $report"
  [[ -z $report ]] || fail "$* reports:
$report"
}
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; fail "cmake --install"; }

# Exactly these files, each where a Linux system looks for it.
expected=$(sort <<'EOF'
bin/tranchor
libexec/tranchor/desktop-launch
share/applications/tranchor.desktop
share/bash-completion/completions/tranchor
share/doc/tranchor/LICENSE
share/doc/tranchor/README.md
share/doc/tranchor/changelog.gz
share/doc/tranchor/copyright
share/fish/vendor_completions.d/tranchor.fish
share/man/man1/tranchor.1.gz
share/mime/packages/tranchor.xml
share/zsh/site-functions/_tranchor
EOF
)
actual=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
[[ $actual == "$expected" ]] || fail "installed files differ:
expected:
$expected
installed:
$actual"
[[ -x $prefix/bin/tranchor && -x $prefix/libexec/tranchor/desktop-launch ]] ||
  fail "the program or the launcher is not executable"
cmp -s "$program" "$prefix/bin/tranchor" || fail "bin/tranchor is not the built program"
cmp -s "$source_dir/README.md" "$prefix/share/doc/tranchor/README.md" || fail "README differs"
cmp -s "$source_dir/LICENSE" "$prefix/share/doc/tranchor/LICENSE" || fail "LICENSE differs"
man_page=$work/tranchor.1
gzip -dc "$prefix/share/man/man1/tranchor.1.gz" >"$man_page"
cmp -s "$build/doc/tranchor.1.source" "$man_page" || fail "the compressed man page is not doc/tranchor.1.in made"
grep -q "@[A-Z_]*@" "$man_page" && fail "the man page holds a placeholder"
[[ "$(sed -n 's/^\.TH TRANCHOR 1 [^ ]* "Tranchor \([^"]*\)".*/\1/p' "$man_page")" == "$("$program" --version | head -1 | cut -d' ' -f2)" ]] ||
  fail "the man page's version is not the program's"
echo "ok: $(wc -l <<<"$expected") files installed under the prefix"

# The man page renders without a single warning.
linted=0
if command -v groff >/dev/null 2>&1; then
  quiet groff -man -ww -z "$man_page"
  linted=1
fi
if command -v mandoc >/dev/null 2>&1; then
  quiet mandoc -T lint "$man_page"
  linted=1
fi
[[ $linted -eq 1 ]] || fail "no man page checker ran"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS KEYS "EXIT STATUS" LIMITS EXAMPLES ENVIRONMENT "SEE ALSO"; do
  grep -qx "\.SH \"\?$section\"\?" "$man_page" || fail "man page has no section $section"
done
echo "ok: the man page lints clean"

# The desktop entry validates, starts the installed launcher in a terminal, and is the handler of
# piece 1 and of nothing else.
entry=$prefix/share/applications/tranchor.desktop
quiet desktop-file-validate "$entry"
launcher=$prefix/libexec/tranchor/desktop-launch
for line in 'Type=Application' "Exec=$launcher %f" "TryExec=$launcher" 'Terminal=true' 'NoDisplay=false'; do
  grep -qxF "$line" "$entry" || fail "desktop entry lacks $line"
done
update-desktop-database "$prefix/share/applications"
handled=$(grep 'tranchor\.desktop' "$prefix/share/applications/mimeinfo.cache")
rm "$prefix/share/applications/mimeinfo.cache"
[[ $handled == 'application/x-tranchor-piece=tranchor.desktop;' ]] ||
  fail "the desktop entry handles: $handled"
echo "ok: the desktop entry validates and handles piece 1 only"

# The MIME package file builds a database on its own without a word.
mkdir -p "$work/alone/mime/packages"
cp "$prefix/share/mime/packages/tranchor.xml" "$work/alone/mime/packages/"
quiet env XDG_DATA_DIRS="$work/alone" update-mime-database "$work/alone/mime"
echo "ok: the MIME package file validates"

# Sample files: piece 1 as the program writes it, piece 1 of the older layout, a manual page and a
# binary file that are no pieces. The program splits in a terminal: S at the menu, then a size.
mkdir "$work/files"
cd "$work/files"
head -c 300 /dev/urandom >DATA.ZIP
pane_start "'$prefix/bin/tranchor' DATA.ZIP"
split_dropped_keys 100
expect_exit 0
[[ -s DATA.1 ]] || fail "the split wrote no DATA.1"
printf 'Tranchor v2.0ZIP\x01\x02\x03' >OLD.1
cp "$man_page" x.1
{ printf 'Tranchor v2.2ZIP\x02\x00'; head -c 200 /dev/urandom; } >X.1

# xdg-mime as a GNOME-like desktop (gio) and as a desktop it does not know (mimetype), over the
# system's MIME database with and without the package file: piece 1 gets the type, the other files
# keep the type they had.
mime_db() {
  mkdir -p "$work/$1/mime/packages"
  cp /usr/share/mime/packages/*.xml "${@:2}" "$work/$1/mime/packages/"
  XDG_DATA_DIRS=$work/$1 update-mime-database "$work/$1/mime" >/dev/null 2>&1
}
mime_db system
mime_db with-piece "$prefix/share/mime/packages/tranchor.xml"
mkdir "$work/home"
query() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
    -u MATE_DESKTOP_SESSION_ID XDG_CURRENT_DESKTOP="$1" XDG_DATA_HOME="$work/home" \
    XDG_DATA_DIRS="$work/$2" xdg-mime query filetype "$3"
}
piece=application/x-tranchor-piece
for desktop in GNOME ''; do
  for file in DATA.1 OLD.1 x.1 X.1; do
    got=$(query "$desktop" with-piece "$file")
    case $file in
      DATA.1 | OLD.1) want=$piece ;;
      *) want=$(query "$desktop" system "$file")
         [[ -n $want ]] || fail "no type for $file without the package file" ;;
    esac
    [[ $got == "$want" ]] || fail "xdg-mime (desktop '${desktop:-none}') gives $file the type '$got', not '$want'"
  done
done
echo "ok: xdg-mime tells piece 1 from a manual page and another file named NAME.1"

# The launcher glues the set and keeps the window open with the result until a key is pressed.
# The set's name begins with a dash, which a file manager passes on as it is.
mv DATA.ZIP original.zip
for piece_file in DATA.[0-9]*; do mv -- "$piece_file" "-$piece_file"; done
pane_start "'$launcher' -DATA.1"
wait_text "Press any key to close."
sleep 0.3
[[ ! -s exit-code ]] || fail "the launcher ended without waiting for a key"
cmp -s original.zip ./-DATA.zip || fail "the launcher's glue differs from the source"
keys x
expect_exit 0
echo "ok: the launcher glues and waits for a key"
