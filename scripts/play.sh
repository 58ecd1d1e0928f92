#!/usr/bin/env bash
# Builds the game with its runtime data and starts it in the runtime folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup-deps.sh"
build="${BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DULVO_BUILD_TESTS=OFF -DULVO_BUILD_BENCH=OFF
cmake --build "$build"
cd "$build/run"
exec "$build/bin/threematch" "$@"
