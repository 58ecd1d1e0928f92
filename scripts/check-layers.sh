#!/usr/bin/env bash
# Fails when a lower layer includes a higher one, or code outside platform/src includes a
# third-party library's headers. Usage: check-layers.sh [ROOT] (default: this tree).
#
# The layers, lowest first; each may include only what its library links:
#   foundation
#   devices        foundation
#   graphics       devices
#   render         graphics
#   gui, scene     render
#   terrain, lighting  scene
#   engine         (engine/engine, the engine object) every engine layer
#   game           (game/) the engine
# Nothing in engine/ or platform/ includes the game, nor platform/ the engine. Only platform/src includes SDL,
# OpenGL, FreeType, fontconfig, FAudio, FFmpeg, glslang, SPIRV-Cross or stb; engine, game,
# app and platform/include see the Windows-named headers only.
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root"

folders=()
for folder in engine game app platform; do
  [ -d "$folder" ] && folders+=("$folder")
done
[ ${#folders[@]} -gt 0 ] || { echo "check-layers: nothing to check under $root" >&2; exit 2; }

# file:line:include-line for every #include in the checked folders.
{ grep -rnE --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.c' \
    '^[[:space:]]*#[[:space:]]*include' "${folders[@]}" || true; } |
awk '
# The layer a source file belongs to: its folder under engine/, or its top folder.
function fileLayer(path,   parts) {
  split(path, parts, "/")
  if (parts[1] == "engine")
    return parts[2]
  if (parts[1] == "platform")
    return (parts[2] == "src") ? "platform-src" : "platform"
  return parts[1]
}
# The layer a quoted include names, or "" for one of the same folder.
function includeLayer(target,   parts, n) {
  n = split(target, parts, "/")
  if (n < 2)
    return ""
  if (parts[1] == "threematch" || parts[1] == "minigames")
    return "game"
  return parts[1]
}
BEGIN {
  # What each layer may include besides itself.
  allowed["devices"] = " foundation "
  allowed["graphics"] = " foundation devices "
  allowed["render"] = " foundation devices graphics "
  allowed["gui"] = " foundation devices graphics render "
  allowed["scene"] = " foundation devices graphics render "
  allowed["terrain"] = " foundation devices graphics render scene "
  allowed["lighting"] = " foundation devices graphics render scene "
  allowed["foundation"] = " "
  engineLayers = " foundation devices graphics render gui scene terrain lighting "
  thirdParty = "^(SDL[^/]*\\.h|SDL2/|GL/|ft2build\\.h|freetype/|fontconfig/|FAudio|F3DAudio|FACT|libav|libsw|glslang/|spirv|spirv_cross/|spirv-cross|stb_|stb/)"
  bad = 0
}
{
  # $0 is path:line:text; the text may hold colons itself.
  path = $0; sub(/:.*/, "", path)
  rest = substr($0, length(path) + 2)
  line = rest; sub(/:.*/, "", line)
  text = substr(rest, length(line) + 2)
  layer = fileLayer(path)

  if (match(text, /<[^>]+>/)) {
    target = substr(text, RSTART + 1, RLENGTH - 2)
    if (layer != "platform-src" && target ~ thirdParty) {
      printf "%s:%s: only platform/src may include <%s>\n", path, line, target
      bad = 1
    }
    next
  }
  if (!match(text, /"[^"]+"/))
    next
  target = substr(text, RSTART + 1, RLENGTH - 2)
  if (layer != "platform-src" && target ~ thirdParty) {
    printf "%s:%s: only platform/src may include \"%s\"\n", path, line, target
    bad = 1
    next
  }
  to = includeLayer(target)
  if (to == "" || to == layer)
    next
  if (to == "game" && (layer == "engine" || index(engineLayers, " " layer " ") || layer ~ /^platform/)) {
    printf "%s:%s: the engine and the platform never include the game (\"%s\")\n", path, line, target
    bad = 1
    next
  }
  if (layer ~ /^platform/ && index(engineLayers " engine ", " " to " ")) {
    printf "%s:%s: the platform includes nothing of the engine (\"%s\")\n", path, line, target
    bad = 1
    next
  }
  if (layer == "engine" || layer == "game" || layer == "app" || layer ~ /^platform/)
    next
  if (!(layer in allowed))
    next
  if (index(allowed[layer], " " to " ") == 0 && index(engineLayers " engine ", " " to " ")) {
    printf "%s:%s: %s may not include %s (\"%s\")\n", path, line, layer, to, target
    bad = 1
  }
}
END { exit bad }
' && status=0 || status=$?

if [ "$status" -ne 0 ]; then
  echo "check-layers: layer rule broken (see above)" >&2
  exit 1
fi
echo "check-layers: no include crosses a layer upwards"
