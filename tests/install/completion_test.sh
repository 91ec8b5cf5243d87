#!/usr/bin/env bash
# Installs the build into a temporary prefix and completes command lines through the installed
# shell completions, each found where its shell looks under the prefix: bash's as bash-completion
# loads it and called as bash calls it, fish's as fish loads it, in a folder holding a set, a file
# and a folder. Both must offer the options after "--", the size words after --split, folders
# after --dir, and piece 1 of a set after --glue and --check. zsh's must parse and be bound to
# tranchor by compinit.
#   completion_test.sh BUILD_DIR
# Exit status 77 (skipped) when bash-completion is missing and cannot be installed; zsh's and
# fish's checks are left out when that shell cannot be had.
set -euo pipefail
build=${1:?usage: completion_test.sh BUILD_DIR}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
export LC_ALL=C

source "$source_dir/tools/require.sh"
bash_completion=/usr/share/bash-completion/bash_completion
require_packages "$bash_completion:bash-completion" ||
  { echo "SKIPPED: bash-completion is missing (see above)"; exit 77; }
require_packages zsh:zsh fish:fish || echo "zsh or fish is missing: its checks are left out"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }

# The shells run in the folder of files with a home of their own, and know the prefix only as a
# data folder (bash-completion's and fish's search path) and bin/ on the PATH (fish loads the
# completion of a command it can find).
mkdir "$work/home" "$work/files" "$work/files/stick"
touch "$work/files/"{DATA.1,DATA.2,DATA.ZIP,DATA.sha256,-x.bin}
in_files() {
  (cd "$work/files" && env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u BASH_COMPLETION_USER_DIR \
    HOME="$work/home" XDG_DATA_DIRS="$prefix/share" PATH="$prefix/bin:$PATH" "$@")
}

# What bash offers for the words given, the last being the word completed: the completion is
# loaded by bash-completion's loader and its function called with COMP_WORDS and COMP_CWORD set.
bash_offers() {
  in_files bash --norc --noprofile -c '
    source "$0"
    __load_completion tranchor || { echo "bash-completion loads nothing for tranchor"; exit 1; }
    [[ $(complete -p tranchor) =~ -F\ ([^ ]+) ]] || { echo "not a function: $(complete -p tranchor)"; exit 1; }
    COMP_WORDS=(tranchor "$@")
    COMP_CWORD=$#
    COMP_LINE=${COMP_WORDS[*]}
    COMP_POINT=${#COMP_LINE}
    "${BASH_REMATCH[1]}" tranchor "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}"' "$bash_completion" "$@"
}
# What fish offers for the same words, without descriptions and without the slash of a folder.
fish_offers() {
  local line="tranchor $*"
  in_files fish -c 'complete -C $argv[1]' "$line" | cut -f1 | sed 's|/$||'
}

shells=(bash)
if command -v fish >/dev/null 2>&1; then
  fish --no-execute "$prefix/share/fish/vendor_completions.d/tranchor.fish" || fail "the fish completion does not parse"
  shells+=(fish)
fi
# The words before the one completed | the word completed | what is offered, in any order.
before_table=$failures
while IFS='|' read -r before current want; do
  read -ra words <<<"$before"
  want=$(tr ' ' '\n' <<<"$want" | sort | paste -sd' ')
  for shell in "${shells[@]}"; do
    got=$({ "${shell}_offers" "${words[@]}" "$current" 2>&1 || echo "(exit status $?)"; } | sort | paste -sd' ')
    [[ $got == "$want" ]] || fail "$shell completes 'tranchor ${before:+$before }$current' with '$got', not '$want'"
  done
done <<'EOF'
|--|-- --check --count --dir --glue --help --name --progress --split --stdout --verbose --version
--glue||DATA.1 stick
--check --verbose|D|DATA.1
--dir||stick
--split||fat32 cd dvd bd 1M 100M 1G
--split 1M||-x.bin DATA.1 DATA.2 DATA.ZIP DATA.sha256 stick
--|-|-x.bin
EOF
[[ $failures -eq $before_table ]] &&
  echo "ok: ${shells[*]} complete the options, sizes, folders and piece 1 of a set"

if command -v zsh >/dev/null 2>&1; then
  functions=$prefix/share/zsh/site-functions
  bound=$(in_files zsh -fc 'fpath=("$1" $fpath); autoload -Uz compinit && compinit -u -D; print -r -- $_comps[tranchor]' \
    zsh "$functions")
  if ! zsh -n "$functions/_tranchor"; then
    fail "the zsh completion does not parse"
  elif [[ $bound != _tranchor ]]; then
    fail "compinit binds tranchor to '$bound', not _tranchor"
  else
    echo "ok: the zsh completion parses and compinit binds it"
  fi
fi
[[ $failures -eq 0 ]]
