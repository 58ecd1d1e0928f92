#!/usr/bin/env bash
# Checks the game as a user installs it: `cmake --install` into a staging prefix (validating the
# desktop entry and the metainfo there), the installed game started as the menu does, in a home
# folder that holds a "data" folder of the user's own, on a virtual X server, played to the main
# menu and quit with exit status 0 while nothing is written under the prefix nor into the home
# folder (logs, screenshots and caches go to the user's XDG folders); a start without a display,
# which must say so and end before it touches the saves; then `cpack -G DEB`, the package's file
# list and `lintian` on it (no error). Usage: install-check.sh [BUILD_DIR] (default: build, the
# optimised tree, which is built first).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-${PLAY_BUILD_DIR:-$root/build}}"
build="$(realpath -m "$build")"
out="$(realpath -m "${INSTALL_CHECK_OUT:-$build/install-check}")"
app_id=org.lumaro.threematch
[ "${PLAY_BUILT:-0}" = "1" ] || cmake --build "$build" -j "${ULVO_JOBS:-$(nproc)}"

work="$(mktemp -d)"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "install check FAILED: $*" >&2; exit 1; }
installed=(
  bin/threematch
  share/threematch/data/font.fnt
  share/threematch/data/texte.lng
  share/doc/threematch/copyright
  share/doc/threematch/changelog.gz
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
[ ! -e "$prefix/share/threematch/Lumaro.gob" ] || fail "the data went in twice (loose and as Lumaro.gob)"
for face in DejaVuSans.ttf DejaVuSans-Bold.ttf; do
  [ -L "$prefix/share/threematch/data/Fonts/$face" ] && [ -f "$prefix/share/threematch/data/Fonts/$face" ] ||
    fail "data/Fonts/$face is no link to the system's font"
done
extra="$(cd "$prefix/bin" && ls | grep -vx threematch || true)"
[ -z "$extra" ] || fail "tools or tests were installed: $extra"
desktop-file-validate "$prefix/share/applications/$app_id.desktop"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$app_id.metainfo.xml"

# As installed: nobody may write there (root still could, so the listing is compared too).
listing() { (cd "$prefix" && find . -printf '%p %s %T@\n' | sort); }
listing > "$work/before"
chmod -R a-w "$prefix"
# The menu starts the game in the home folder; a folder named "data" there is the user's.
mkdir -p "$work/home/data/Urlaub"
rm -rf "$out"
user_env=(HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
  XDG_STATE_HOME="$work/home/.local/state" XDG_CACHE_HOME="$work/home/.cache" SDL_AUDIODRIVER=dummy)
(cd "$work/home" && env "${user_env[@]}" timeout 300 xvfb-run -a -n "${XVFB_SERVERNUM:-99}" \
  -s "-screen 0 1280x1024x24" /usr/bin/python3 "$root/scripts/install-check.py" "$prefix/bin/threematch" \
  "$work/home" "$out")
listing > "$work/after"
diff "$work/before" "$work/after" || fail "the run wrote under the prefix (above)"
[ -f "$work/home/.local/state/threematch/logs/logfile.log" ] || fail "no logs in \$XDG_STATE_HOME/threematch/logs"
[ -f "$work/home/.local/share/Lumaro/config.cfg" ] || fail "no settings in \$XDG_DATA_HOME/Lumaro"
left="$(cd "$work/home" && ls -A | grep -vxE '\.config|\.local|\.cache|data' || true)"
[ -z "$left" ] || fail "the run wrote into the home folder: $left"
[ "$(ls -A "$work/home/data")" = "Urlaub" ] || fail "the run wrote into the user's data folder"

# As from ssh or a text console: no display. It says so and ends before the save folder's lock,
# leaving the settings as they were.
sum_before="$(sha256sum "$work/home/.local/share/Lumaro/config.cfg")"
set +e
(cd "$work/home" && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "${user_env[@]}" \
  timeout 60 "$prefix/bin/threematch") 2> "$work/no-display.txt"
code=$?
set -e
[ "$code" -ne 0 ] && [ "$code" -ne 124 ] || fail "a start without a display ended with $code"
grep -q "no display: " "$work/no-display.txt" || fail "a start without a display did not say so: $(cat "$work/no-display.txt")"
[ "$(sha256sum "$work/home/.local/share/Lumaro/config.cfg")" = "$sum_before" ] ||
  fail "a start without a display changed config.cfg"

# The Debian package holds the same files under /usr.
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls -t "$build"/threematch_*.deb | head -n 1)"
dpkg-deb -c "$deb" > "$work/contents"
for file in "${installed[@]/#bin\//games/}"; do
  grep -q " \./usr/$file\$" "$work/contents" || fail "$(basename "$deb") lacks /usr/$file"
done
! grep -q " \./usr/bin/" "$work/contents" || fail "$(basename "$deb") still has /usr/bin"
lintian --fail-on error "$deb" | tee "$work/lintian.txt" ||
  fail "lintian found errors in $(basename "$deb") (above)"
echo "lintian: $(grep -c '^W:' "$work/lintian.txt" || true) warnings"
echo "package $(basename "$deb"): $(wc -l < "$work/contents") entries; $(dpkg-deb -f "$deb" Depends | tr -d '\n' | cut -c1-200)..."
echo "install check passed"
