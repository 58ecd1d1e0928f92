#!/usr/bin/env bash
# Builds the optimised game without sanitizers and plays minigames through its real window on a
# virtual X server (1280x1024): a building bought in the town, its minigame solved by clicks at
# what is drawn, the price checked; the playing is scripts/minigame-playthrough.py (the kinds it
# plays are named there by their TYPE). Its screenshots stay in the output folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PLAY_BUILD_DIR:-$root/build}"
out="${MINIGAME_PLAYTHROUGH_OUT:-$build/minigame-playthrough}"
"$root/scripts/game-build.sh" "$build"
rm -rf "$out"
# The game plays in a copy of the runtime folder: its log, settings and compiled effects stay apart
# from a window play-through running at the same time on the tree's own folder.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$build/run" "$work/run"
rm -rf "$work/run/logs"
result=0
timeout 7200 xvfb-run -a -n "${XVFB_SERVERNUM:-99}" -s "-screen 0 1280x1024x24" \
  /usr/bin/python3 "$root/scripts/minigame-playthrough.py" "$build/bin/threematch" "$work/run" "$out" "$@" || result=$?
[ "$result" -ne 124 ] || echo "minigame play-through FAILED: not ended within 7200 s (screens in $out)"
exit "$result"
