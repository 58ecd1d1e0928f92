#!/usr/bin/env bash
# Makes sure the optimised game and its runtime data are built in the tree given as $1. A tree
# configured already (scripts/test.sh hands over its optimised test tree) is used as it is, so the
# game is not built a second time; a new one is configured Release without tests.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$1"
if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DULVO_BUILD_TESTS=OFF -DULVO_BUILD_BENCH=OFF \
    "${launcher[@]}"
fi
# A caller that built the tree already (scripts/test.sh, before running checks side by side) sets
# PLAY_BUILT=1: two builds at once in one tree would race on its files.
[ "${PLAY_BUILT:-0}" = "1" ] || cmake --build "$build" --target threematch runtime_data -j "$(nproc)"
