#!/usr/bin/env bash
# Builds the optimised game without sanitizers (or takes the one in PLAY_BUILD_DIR) and plays it
# through its real window on a virtual X server (1280x1024), with xdotool at screen coordinates
# found in screenshots; the playing is scripts/window-playthrough.py. Its screenshots stay in the
# output folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PLAY_BUILD_DIR:-$root/build}"
out="${WINDOW_PLAYTHROUGH_OUT:-$build/window-playthrough}"
"$root/scripts/game-build.sh" "$build"
rm -rf "$out"
# The bound only ends a hang of the script itself: the script bounds its own steps and its whole
# run by the machine's load, and on a busy machine takes several times its quiet time.
result=0
timeout 7200 xvfb-run -a -n "${XVFB_SERVERNUM:-99}" -s "-screen 0 1280x1024x24" \
  /usr/bin/python3 "$root/scripts/window-playthrough.py" "$build/bin/threematch" "$build/run" "$out" || result=$?
[ "$result" -ne 124 ] || echo "window play-through FAILED: not ended within 7200 s (screens in $out)"
exit "$result"
