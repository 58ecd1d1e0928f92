#!/usr/bin/env bash
# The layer check on a copy of the tree: the copy passes, and each kind of planted include
# that crosses a layer upwards makes it fail and name the file.
# Usage: CheckLayersTest.sh SOURCE_ROOT
set -euo pipefail
source_root="$1"
check="$source_root/scripts/check-layers.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for folder in engine game app platform; do
  cp -r "$source_root/$folder" "$work/$folder"
done

"$check" "$work" > /dev/null || { echo "FAIL: the unchanged copy does not pass"; exit 1; }

failures=0
# plant FILE LINE: the check must fail and report FILE; the file is restored afterwards.
plant() {
  local file="$1" line="$2"
  cp "$work/$file" "$work/$file.orig"
  printf '%s\n' "$line" >> "$work/$file"
  if output="$("$check" "$work" 2>&1)"; then
    echo "FAIL: passed with $line in $file"
    failures=$((failures + 1))
  elif ! grep -q "^$file:" <<< "$output"; then
    echo "FAIL: $line in $file not reported:"; echo "$output"
    failures=$((failures + 1))
  fi
  mv "$work/$file.orig" "$work/$file"
}

plant engine/foundation/xml/XMLNode.cpp '#include "devices/window/Window.h"'
plant engine/foundation/logging/Logger.h '#include "engine/UlvoEngine.h"'
plant engine/devices/input/KeyState.cpp '#include "engine/UlvoEngine.h"'
plant engine/devices/d3d/D3DInterface.cpp '#include "graphics/textures/TextureManager.h"'
plant engine/graphics/effects/Effect.cpp '#include "render/manager/RenderManager.h"'
plant engine/render/manager/RenderManager.cpp '#include "lighting/posteffects/PostEffect.h"'
plant engine/graphics/sprites/Sprite.cpp '#include "threematch/MyGlobals.h"'
plant engine/engine/UlvoEngine.cpp '#include "threematch/MyGlobals.h"'
plant engine/lighting/deferred/DeferredLight.cpp '#include "engine/EngineParams.h"'
plant platform/src/win32/Files.cpp '#include "foundation/logging/Logger.h"'
plant engine/devices/window/Window.cpp '#include <SDL.h>'
plant game/threematch/controller/ThreeMatchGame.cpp '#include <GL/glcorearb.h>'
plant platform/include/windows.h '#include <ft2build.h>'

# What the rules allow: the engine object includes every engine layer, the game the engine,
# platform/src the libraries.
printf '%s\n' '#include "scene/ObjektManager.h"' >> "$work/engine/engine/UlvoEngineConsole.cpp"
printf '%s\n' '#include "engine/UlvoEngine.h"' >> "$work/game/threematch/MyGlobals.cpp"
printf '%s\n' '#include <SDL.h>' >> "$work/platform/src/win32/Files.cpp"
"$check" "$work" > /dev/null || { echo "FAIL: an allowed include was refused"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] && echo "all planted violations found"
exit "$failures"
