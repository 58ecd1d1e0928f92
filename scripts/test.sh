#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer, runs
# the unit tests, then runs each fuzz target for a bounded time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup-deps.sh"
"$root/scripts/check-format.sh"
jobs="$(nproc)"

build="${BUILD_DIR:-$root/build-test}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DULVO_SANITIZE=ON -DULVO_BUILD_BENCH=OFF
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:fast_unwind_on_malloc=0"
ctest --test-dir "$build" --output-on-failure -j "$jobs" | tee "$build/ctest.log"
summary="$(grep -E 'tests passed|tests failed' "$build/ctest.log" | tail -n 1)"

# The optimised game through its real window, driven by xdotool under a virtual X server.
"$root/scripts/window-playthrough.sh"

if [ "${SKIP_FUZZ:-0}" != "1" ]; then
  fuzzbuild="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
  CC=clang CXX=clang++ cmake -S "$root" -B "$fuzzbuild" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DULVO_FUZZ=ON
  cmake --build "$fuzzbuild" --target fuzzers -j "$jobs"
  seconds="${FUZZ_SECONDS:-30}"
  for fuzzer in "$fuzzbuild"/bin/fuzz_*; do
    name="$(basename "$fuzzer")"
    corpus="$root/tests/fuzz/corpus/${name#fuzz_}"
    work="$(mktemp -d)"
    [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
    echo "== $name for ${seconds}s"
    (cd "$work" && "$fuzzer" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 "$work")
    rm -rf "$work"
  done
fi

# The unit-test verdict closes the output, after the fuzzers' statistics.
echo "$summary"
