#!/usr/bin/env bash
# The Windows console device's contract tests (windows_tests.exe, Win32ConsoleTest) in a real
# console: Wine's, inside tmux. Outside a console they only skip. $TRANCHOR_WINDOWS_TESTS is the
# test program.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tests=$(readlink -f "$TRANCHOR_WINDOWS_TESTS")
source "$here/wine_tmux.sh"

# Standard output goes to a file for the report; standard error stays the console.
pane_start "wine '$tests' --gtest_filter='Win32ConsoleTest.*' > report.txt"
got=$(wait_exit)
cat report.txt | grep -E '^\[ *(FAILED|SKIPPED|PASSED) *\]|Failure|Expected|Which is|Value of' || true
[[ "$got" == "EXIT=0" ]] || fail "console contract tests: $got"
grep -q '^\[  SKIPPED \]' report.txt && fail "the console tests found no console"
grep -q '^\[  PASSED  \] [1-9]' report.txt || fail "no console test passed"
finish_checks
echo "console contract tests passed under Wine"
