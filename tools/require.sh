# Sourced by run.sh and test.sh: makes sure the packages a script needs are installed.
# require_packages CMD:PACKAGE ... installs each missing PACKAGE with apt-get when running as
# root, and otherwise names what is missing and stops.
require_packages() {
  local missing=() pair cmd pkg
  for pair in "$@"; do
    cmd=${pair%%:*}
    pkg=${pair#*:}
    if [[ $cmd == /* ]]; then
      [[ -e $cmd ]] || missing+=("$pkg")
    elif ! command -v "$cmd" >/dev/null 2>&1; then
      missing+=("$pkg")
    fi
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  if [[ $(id -u) -eq 0 ]] && command -v apt-get >/dev/null 2>&1; then
    echo "Installing: ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >&2 || true
    apt-get install -y -qq "${missing[@]}" >&2 || {
      echo "Could not install: ${missing[*]}" >&2
      return 1
    }
  else
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    return 1
  fi
}
