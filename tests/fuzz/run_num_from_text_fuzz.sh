#!/usr/bin/env bash
# Builds the num_from_text fuzz target with clang++ (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) from the text and frame sources, and runs it for a few seconds.
# Usage: run_num_from_text_fuzz.sh [seconds]. Exits 77 (skipped) when clang++ or its fuzzer
# runtime is not on the machine; any crash or sanitizer report fails the run.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-5}
compiler=${CLANGXX:-clang++}

if ! command -v "$compiler" >/dev/null 2>&1; then
  echo "fuzz run skipped: $compiler not found"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
  >"$work/probe.cpp"
if ! "$compiler" "${flags[@]}" "$work/probe.cpp" -o "$work/probe" >/dev/null 2>&1; then
  echo "fuzz run skipped: $compiler has no libFuzzer runtime"
  exit 77
fi

"$compiler" "${flags[@]}" -I "$root/src" \
  "$here/num_from_text_fuzz.cpp" "$root"/src/text/*.cpp \
  "$root/src/frame/errors.cpp" "$root/src/frame/runtime_state.cpp" \
  -o "$work/fuzz"

# Seeds: one of each notation and boundary.
mkdir "$work/corpus"
seed=0
for text in '1000' '  1.44e6 bytes' '-.5' '1.2.3' '12345678901234567890' '1e4932' '-1e9999999' \
  '1e-5000' '&H10' '&HFFFF&' '&HFFFFFFFF&&' '&O17' '&B101' '&HFFFFFFFFFFFFFFFF?' '- 1' '5e-' \
  '0.0000001' '9999999.5' '&17%' '1d-4931'; do
  printf '%s' "$text" >"$work/corpus/seed$((seed += 1))"
done

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
"$work/fuzz" -max_total_time="$seconds" -dict="$here/num_from_text.dict" -print_final_stats=1 \
  "$work/corpus" >"$work/log" 2>&1 || status=$?
if [[ $status -ne 0 ]]; then
  # The report and the input that caused it (libFuzzer also leaves it as crash-* in the
  # current folder).
  tail -n 80 "$work/log"
  echo "fuzz run FAILED (exit $status)"
  exit 1
fi
tail -n 8 "$work/log"
echo "fuzz run passed: no crash and no sanitizer report in $seconds s"
