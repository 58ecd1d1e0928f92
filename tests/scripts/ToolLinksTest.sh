#!/usr/bin/env bash
# The build tools link no window system, audio, video, shader or font library, while the
# game (the last argument, which shows the probe works) links them all.
# Usage: ToolLinksTest.sh TOOL... GAME
set -euo pipefail
libraries='lib(SDL2|FAudio|av[a-z]*|sw[a-z]*|glslang|SPIRV|spirv-cross|freetype|fontconfig|GL)[-.]'
symbols=' [UTtWw] (SDL_[A-Za-z]|FAudio|av_|avcodec_|avformat_|sws_|swr_|glslang::|spvc_|FT_[A-Z]|Fc[A-Z])'

# Prints what of those libraries the binary needs or holds.
linked() {
  { readelf -d "$1" | grep NEEDED | grep -E "$libraries" || true; } | sed 's/^/  /'
  { nm -C "$1" | grep -E "$symbols" | head -n 5 || true; } | sed 's/^/  /'
}

failures=0
game="${*: -1}"
for tool in "${@:1:$#-1}"; do
  found="$(linked "$tool")"
  if [ -n "$found" ]; then
    echo "FAIL: $(basename "$tool") links:"; echo "$found"
    failures=$((failures + 1))
  fi
done
if [ -z "$(linked "$game")" ]; then
  echo "FAIL: the probe finds nothing in $(basename "$game")"
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo "the tools link none of the libraries"
exit "$failures"
