#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it with the
# committed .clang-format. With --fix the files are formatted in place instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
formatter="$(command -v clang-format-14 || command -v clang-format || true)"
if [ -z "$formatter" ]; then
  echo "check-format: clang-format is not installed" >&2
  exit 1
fi
mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  "$formatter" -i "${files[@]}"
  exit 0
fi
if ! "$formatter" --dry-run --Werror "${files[@]}" 2> /tmp/check-format.$$; then
  grep -E '^[^ ].*: (error|warning):' /tmp/check-format.$$ | cut -d: -f1 | sort -u | head -40 >&2
  rm -f /tmp/check-format.$$
  echo "check-format: the files above are not formatted; run scripts/check-format.sh --fix" >&2
  exit 1
fi
rm -f /tmp/check-format.$$
echo "check-format: ${#files[@]} files formatted"
