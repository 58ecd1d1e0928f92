#!/usr/bin/env bash
# Checks the game as a user installs it: `cmake --install` into a staging prefix (validating the
# desktop entry and the metainfo there), the installed game started from / on a virtual X server,
# played to the main menu and quit with exit status 0 while nothing is written under the prefix
# (logs, screenshots and caches go to the user's XDG folders), then `cpack -G DEB` and the
# package's file list. Usage: install-check.sh [BUILD_DIR] (default: build, the optimised tree,
# which is built first).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${PLAY_BUILD_DIR:-$root/build}}"
out="${INSTALL_CHECK_OUT:-$build/install-check}"
app_id=org.lumaro.threematch
[ "${PLAY_BUILT:-0}" = "1" ] || cmake --build "$build" -j "${ULVO_JOBS:-$(nproc)}"

work="$(mktemp -d)"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "install check FAILED: $*" >&2; exit 1; }
installed=(
  bin/threematch
  share/threematch/Lumaro.gob
  share/threematch/threematch.png
  share/applications/$app_id.desktop
  share/metainfo/$app_id.metainfo.xml
  share/icons/hicolor/48x48/apps/threematch.png
  share/icons/hicolor/64x64/apps/threematch.png
  share/icons/hicolor/128x128/apps/threematch.png
  share/icons/hicolor/256x256/apps/threematch.png
  share/icons/hicolor/scalable/apps/threematch.svg
  share/man/man6/threematch.6.gz
)
for file in "${installed[@]}"; do
  [ -f "$prefix/$file" ] || fail "cmake --install left out $file"
done
[ -d "$prefix/share/threematch/data" ] || fail "cmake --install left out the loose data files"
extra="$(cd "$prefix/bin" && ls | grep -vx threematch || true)"
[ -z "$extra" ] || fail "tools or tests were installed: $extra"
desktop-file-validate "$prefix/share/applications/$app_id.desktop"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$app_id.metainfo.xml"

# As installed: nobody may write there (root still could, so the listing is compared too).
listing() { (cd "$prefix" && find . -printf '%p %s %T@\n' | sort); }
listing > "$work/before"
chmod -R a-w "$prefix"
mkdir -p "$work/home"
rm -rf "$out"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
  XDG_STATE_HOME="$work/home/.local/state" XDG_CACHE_HOME="$work/home/.cache" SDL_AUDIODRIVER=dummy \
  timeout 300 xvfb-run -a -n "${XVFB_SERVERNUM:-99}" -s "-screen 0 1280x1024x24" \
  /usr/bin/python3 "$root/scripts/install-check.py" "$prefix/bin/threematch" / "$out"
listing > "$work/after"
diff "$work/before" "$work/after" || fail "the run wrote under the prefix (above)"
[ -f "$work/home/.local/state/threematch/logs/logfile.log" ] || fail "no logs in \$XDG_STATE_HOME/threematch/logs"
[ -f "$work/home/.local/share/Lumaro/config.cfg" ] || fail "no settings in \$XDG_DATA_HOME/Lumaro"

# The Debian package holds the same files under /usr.
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls -t "$build"/threematch_*.deb | head -n 1)"
dpkg-deb -c "$deb" > "$work/contents"
for file in "${installed[@]}"; do
  grep -q " \./usr/$file\$" "$work/contents" || fail "$(basename "$deb") lacks /usr/$file"
done
echo "package $(basename "$deb"): $(wc -l < "$work/contents") entries; $(dpkg-deb -f "$deb" Depends | tr -d '\n' | cut -c1-200)..."
echo "install check passed"
