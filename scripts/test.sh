#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# the unit tests, builds and runs them again optimised without sanitizers, then runs
# each fuzz target for a bounded time, as many at once as there are cores.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
# On a shared machine other work competes for the cores: twice as many compile and test jobs as
# cores keep our share of a busy machine and cost nothing on a quiet one. A sanitizer compile or test
# takes up to about half a gigabyte; the memory at hand, a gigabyte a job, bounds the count.
work_jobs=$((jobs * 2))
mem_jobs=$(($(awk '/MemAvailable/ {print $2}' /proc/meminfo) / 1000000))
((mem_jobs < work_jobs)) && work_jobs=$mem_jobs
((work_jobs < 1)) && work_jobs=1

# Each phase prints the seconds it took when it ends, and the list closes the output, so a slow
# CI run shows where its time went.
phases=()
phase_start=$SECONDS
phase_done() {
  local line
  line="phase $1: $((SECONDS - phase_start)) s"
  echo "== $line (load average $(cut -d ' ' -f 1-3 /proc/loadavg))"
  phases+=("$line")
  phase_start=$SECONDS
}

"$root/scripts/setup-deps.sh"
phase_done "setup"
"$root/scripts/check-format.sh"
phase_done "format check"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:fast_unwind_on_malloc=0"

# Every tree compiles through ccache when it is there, so a second run (or a second tree
# compiling the same sources the same way) takes what the cache holds.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# Builds one tree and runs its tests; the last argument names the run in the verdict.
# A failing run does not stop the other: the verdict reports both.
status=0
verdicts=()
run_tests() {
  local build="$1" label="$2"
  shift 2
  cmake -S "$root" -B "$build" -G Ninja -DULVO_BUILD_BENCH=OFF "${launcher[@]}" "$@"
  cmake --build "$build" -j "$work_jobs"
  phase_done "$label build"
  # CTest starts the costliest tests first when it knows their costs; a fresh tree learns them
  # from the list of the long ones, so a two-minute test does not start last and run alone.
  local costs="$build/Testing/Temporary/CTestCostData.txt"
  [ -f "$costs" ] || { mkdir -p "$(dirname "$costs")" && cp "$root/tests/ctest-costs.txt" "$costs"; }
  local result=0
  ctest --test-dir "$build" --output-on-failure -j "$work_jobs" | tee "$build/ctest.log" || result=$?
  phase_done "$label tests"
  local line
  line="$(grep -E 'tests passed|tests failed' "$build/ctest.log" | tail -n 1 || true)"
  [ -n "$line" ] || line="no test verdict (build or ctest failed)"
  [ "$result" -eq 0 ] || status=1
  verdicts+=("$label: $line")
}

# The sanitizers catch memory and undefined-behaviour faults; the optimised build catches
# what their quarantine and checks hide (reused addresses, timing, optimiser-visible UB).
run_tests "${BUILD_DIR:-$root/build-test}" "ASan+UBSan" -DCMAKE_BUILD_TYPE=Debug -DULVO_SANITIZE=ON
# The golden images are compared in both runs, within the same tolerance.
# The optimised tree is a Release one and also holds the game the window play-through plays:
# the game is built optimised once.
optbuild="${OPT_BUILD_DIR:-$root/build-opt}"
if [ "${SKIP_OPTIMISED:-0}" != "1" ]; then
  run_tests "$optbuild" "Release" -DCMAKE_BUILD_TYPE=Release -DULVO_SANITIZE=OFF
  export PLAY_BUILD_DIR="$optbuild"
fi

# The game's own runs after the unit tests; each adds a verdict line "name: passed|FAILED".
# A failed check's own last "FAILED" line (what it failed on), or else its last line, is repeated
# in its verdict: the fuzzers' long output comes between, and a log cut to its tail would lose it.
checks=()
add_check() {
  local label="$1" result="$2" log="$3" reason
  if [ "$result" -eq 0 ]; then
    checks+=("$label: passed")
  else
    reason="$(grep -a 'FAILED' "$log" | tail -n 1 | cut -c 1-400 || true)"
    [ -n "$reason" ] || reason="$(grep -a -v '^[[:space:]]*$' "$log" | tail -n 1 | cut -c 1-400 || true)"
    checks+=("$label: FAILED${reason:+ ($reason)}")
    status=1
  fi
}
run_check() {
  local label="$1" log result=0
  shift
  log="$(mktemp)"
  "$@" 2>&1 | tee "$log" || result=$?
  add_check "$label" "$result" "$log"
  rm -f "$log"
  phase_done "$label"
}
# The play-throughs mostly wait for the game's frames, so they run side by side, each on its own
# virtual X server (searched from its own display number up), beside the install check, the fuzz
# build and the fuzzers. Their output is printed whole once they end.
side_labels=()
side_pids=()
side_logs=()
start_side_check() {
  local label="$1" display="$2" log
  shift 2
  log="$(mktemp)"
  (
    started=$SECONDS result=0
    XVFB_SERVERNUM="$display" "$@" >"$log" 2>&1 || result=$?
    echo "$result $((SECONDS - started))" >"$log.status"
  ) &
  side_labels+=("$label")
  side_pids+=("$!")
  side_logs+=("$log")
}
finish_side_checks() {
  local i log result seconds
  for i in "${!side_pids[@]}"; do
    wait "${side_pids[$i]}" || true
    log="${side_logs[$i]}"
    echo "== ${side_labels[$i]}"
    cat "$log"
    read -r result seconds <"$log.status" 2>/dev/null || { result=1 seconds=0; }
    add_check "${side_labels[$i]}" "$result" "$log"
    phases+=("${side_labels[$i]}: $seconds s, beside the steps above")
    rm -f "$log" "$log.status"
  done
  phase_done "play-throughs' end"
}
# Built once before they start: two builds at once in one tree would race on its files.
"$root/scripts/game-build.sh" "${PLAY_BUILD_DIR:-$root/build}"
export PLAY_BUILT=1
# The optimised game through its real window, driven by xdotool under a virtual X server.
start_side_check "window play-through" 99 "$root/scripts/window-playthrough.sh"
# Minigames bought in the town and solved through the same real window.
start_side_check "minigame play-through" 120 "$root/scripts/minigame-playthrough.sh"
# The game as a user installs it, on the play-through's tree: install, start from /, package.
XVFB_SERVERNUM=140 run_check "install check" "$root/scripts/install-check.sh"

if [ "${SKIP_FUZZ:-0}" != "1" ]; then
  fuzzbuild="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
  # Line tables are all a fuzzer's report needs: the tree compiles and links faster and smaller
  # than with full debug information.
  # A failed build still lets the play-throughs end and report.
  fuzz_built=1
  CC=clang CXX=clang++ cmake -S "$root" -B "$fuzzbuild" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DULVO_FUZZ=ON \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -gline-tables-only -DNDEBUG" \
    "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -gline-tables-only -DNDEBUG" "${launcher[@]}" || fuzz_built=0
  ((fuzz_built)) && { cmake --build "$fuzzbuild" --target fuzzers -j "$jobs" || fuzz_built=0; }
  phase_done "fuzz build"
fi
if [ "${SKIP_FUZZ:-0}" != "1" ] && ((!fuzz_built)); then
  checks+=("fuzz build: FAILED")
  status=1
elif [ "${SKIP_FUZZ:-0}" != "1" ]; then
  # Every fuzzer runs its full time; as many run at once as there are cores, less two for the
  # play-throughs' games (their clocks run on the game's time, not the fuzzers'). Each one's output
  # goes to its own file, printed in the fuzzers' order once all have ended; any failure fails
  # the run.
  seconds="${FUZZ_SECONDS:-30}"
  fuzzlogs="$(mktemp -d)"
  run_fuzzer() {
    local fuzzer="$1" name work corpus result=0
    name="$(basename "$fuzzer")"
    corpus="$root/tests/fuzz/corpus/${name#fuzz_}"
    work="$(mktemp -d)"
    [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
    (cd "$work" && "$fuzzer" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 "$work") \
      >"$fuzzlogs/$name.log" 2>&1 || result=$?
    echo "$result" >"$fuzzlogs/$name.status"
    rm -rf "$work"
  }
  fuzz_jobs="${FUZZ_JOBS:-$((jobs > 4 ? jobs - 2 : jobs))}"
  fuzz_pids=()
  # The side checks are jobs of this shell too: only the fuzzers count against their share.
  running_fuzzers() {
    local pid count=0
    for pid in "${fuzz_pids[@]}"; do kill -0 "$pid" 2>/dev/null && count=$((count + 1)); done
    echo "$count"
  }
  fuzzers=("$fuzzbuild"/bin/fuzz_*)
  for fuzzer in "${fuzzers[@]}"; do
    while [ "$(running_fuzzers)" -ge "$fuzz_jobs" ]; do wait -n || true; done
    run_fuzzer "$fuzzer" &
    fuzz_pids+=("$!")
  done
  for pid in "${fuzz_pids[@]}"; do wait "$pid" || true; done
  fuzz_failed=()
  for fuzzer in "${fuzzers[@]}"; do
    name="$(basename "$fuzzer")"
    echo "== $name for ${seconds}s"
    cat "$fuzzlogs/$name.log"
    if [ "$(cat "$fuzzlogs/$name.status" 2>/dev/null || echo 1)" != "0" ]; then fuzz_failed+=("$name"); fi
  done
  rm -rf "$fuzzlogs"
  if ((${#fuzz_failed[@]})); then
    checks+=("${#fuzzers[@]} fuzzers: FAILED (${fuzz_failed[*]})")
    status=1
  else
    checks+=("${#fuzzers[@]} fuzzers: passed")
  fi
  phase_done "fuzzers"
fi

finish_side_checks

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
for check in "${checks[@]}"; do
  echo "$check"
  if [[ "$check" == *": passed" ]]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
for line in "${phases[@]}"; do echo "$line"; done
echo "total: $SECONDS s"
echo "tests: $passed passed, $failed failed"
exit "$status"
