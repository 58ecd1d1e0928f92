#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# the unit tests, builds and runs them again optimised without sanitizers, then runs
# each fuzz target for a bounded time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup-deps.sh"
"$root/scripts/check-format.sh"
jobs="$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:fast_unwind_on_malloc=0"

# Builds one tree and runs its tests; the last argument names the run in the verdict.
# A failing run does not stop the other: the verdict reports both.
status=0
verdicts=()
run_tests() {
  local build="$1" label="$2"
  shift 2
  cmake -S "$root" -B "$build" -G Ninja -DULVO_BUILD_BENCH=OFF "$@"
  cmake --build "$build" -j "$jobs"
  local result=0
  ctest --test-dir "$build" --output-on-failure -j "$jobs" | tee "$build/ctest.log" || result=$?
  local line
  line="$(grep -E 'tests passed|tests failed' "$build/ctest.log" | tail -n 1 || true)"
  [ -n "$line" ] || line="no test verdict (build or ctest failed)"
  [ "$result" -eq 0 ] || status=1
  verdicts+=("$label: $line")
}

# The sanitizers catch memory and undefined-behaviour faults; the optimised build catches
# what their quarantine and checks hide (reused addresses, timing, optimiser-visible UB).
run_tests "${BUILD_DIR:-$root/build-test}" "ASan+UBSan" -DCMAKE_BUILD_TYPE=Debug -DULVO_SANITIZE=ON
# Golden images are drawn by the reference (sanitizer) build; optimised float code moves
# edges and blends by a step, so there they are checked for presence and size only (the
# pixels the tests compute are still asserted).
if [ "${SKIP_OPTIMISED:-0}" != "1" ]; then
  export ULVO_GOLDEN_SIZE_ONLY=1
  run_tests "${OPT_BUILD_DIR:-$root/build-opt}" "RelWithDebInfo" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DULVO_SANITIZE=OFF
  unset ULVO_GOLDEN_SIZE_ONLY
fi

# The optimised game through its real window, driven by xdotool under a virtual X server.
window_failed=0
"$root/scripts/window-playthrough.sh" || { window_failed=1; status=1; }
# Minigames bought in the town and solved through the same real window.
minigame_failed=0
"$root/scripts/minigame-playthrough.sh" || { minigame_failed=1; status=1; }

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

# The unit-test verdicts of both builds close the output, after the fuzzers' statistics, and
# the last line adds them up.
passed=0
failed=0
for verdict in "${verdicts[@]}"; do
  echo "$verdict"
  if [[ "$verdict" =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  fi
done
if [ "$window_failed" -eq 0 ]; then
  echo "window play-through: passed"
  passed=$((passed + 1))
else
  echo "window play-through: FAILED"
  failed=$((failed + 1))
fi
if [ "$minigame_failed" -eq 0 ]; then
  echo "minigame play-through: passed"
  passed=$((passed + 1))
else
  echo "minigame play-through: FAILED"
  failed=$((failed + 1))
fi
echo "tests: $passed passed, $failed failed"
exit "$status"
