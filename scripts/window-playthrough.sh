#!/usr/bin/env bash
# Builds the optimised game without sanitizers (or takes the one in PLAY_BUILD_DIR) and plays it
# through its real window on a virtual X server (1280x1024), with xdotool at screen coordinates
# found in screenshots; the playing is scripts/window-playthrough.py. Its screenshots stay in the
# output folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PLAY_BUILD_DIR:-$root/build}"
out="${WINDOW_PLAYTHROUGH_OUT:-$build/window-playthrough}"
# A tree configured already (scripts/test.sh hands over its optimised test tree) is used as it
# is, so the game is not built a second time; a new one is configured Release without tests.
if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DULVO_BUILD_TESTS=OFF -DULVO_BUILD_BENCH=OFF \
    "${launcher[@]}"
fi
cmake --build "$build" --target threematch runtime_data -j "$(nproc)"
rm -rf "$out"
timeout 480 xvfb-run -a -s "-screen 0 1280x1024x24" \
  /usr/bin/python3 "$root/scripts/window-playthrough.py" "$build/bin/threematch" "$build/run" "$out"
