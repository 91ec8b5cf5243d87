# Sourced by the scripts that run the program as a shell user would: a scratch folder of their
# own that goes at the end with any file system mounted in it, and checks that count their
# failures instead of stopping at the first.
work=$(mktemp -d)
cleanup() {
  local mounted
  for mounted in "$work"/*; do
    if mountpoint -q "$mounted" 2>/dev/null; then umount "$mounted"; fi
  done
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# The last line of a script: every check of its kind passed, or how many failed.
end_checks() {
  [[ $failures -eq 0 ]] || { echo "$failures check(s) failed"; exit 1; }
  echo "$1 checks passed"
}
