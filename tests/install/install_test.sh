#!/usr/bin/env bash
# The game as a packager and a player get it: `cmake --install` into a staging
# folder in Debian's layout for games; the launcher from there answering
# --version and --help and, under a private display with a fresh HOME,
# showing the menu; the desktop entry and metainfo through their validators;
# the Debian package built and checked by lintian; and, on a disposable CI
# machine (CI=true, root), that package installed, started and removed
# without touching the player's folder.
# Usage: install_test.sh BUILD_DIR E2E_TESTS VERSION
set -euo pipefail
build=$1 e2e=$2 version=$3
id=org.varnok.varnok
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

echo "== cmake --install into a staging folder"
DESTDIR=$tmp/stage cmake --install "$build" --prefix /usr >/dev/null
root=$tmp/stage/usr
launcher=$root/games/varnok
for f in games/varnok lib/games/varnok/varnok share/games/varnok/data/font.dat share/games/varnok/data/level_a.txt \
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/man/man6/varnok.6.gz \
  share/doc/varnok/copyright share/doc/varnok/changelog.gz; do
  [ -e "$root/$f" ] || fail "the install lacks $f"
done
for size in 32 48 64 128 256; do
  icon=$root/share/icons/hicolor/${size}x${size}/apps/$id.png
  got=$(identify -format '%wx%h %A' "$icon") || fail "no icon $icon"
  [ "$got" = "${size}x${size} True" ] || fail "icon $icon is $got"
done

echo "== the launcher answers options without a display or the player's folder"
home=$tmp/home
mkdir "$home"
[ "$(HOME=$home DISPLAY='' "$launcher" --version)" = "varnok $version" ] || fail "--version"
HOME=$home DISPLAY='' "$launcher" --help | grep -q '^Usage: varnok' || fail "--help"
status=0
HOME=$home DISPLAY='' "$launcher" --fullscreen >/dev/null 2>"$tmp/err" || status=$?
[ "$status" = 2 ] || fail "an unknown option gave status $status"
grep -q '^Usage: varnok' "$tmp/err" || fail "an unknown option printed no usage"
[ ! -e "$home/.local" ] || fail "answering an option made the player's folder"

echo "== the launcher starts the installed game in the player's folder"
VARNOK_LAUNCHER=$launcher "$e2e" --gtest_filter='GameFlow.TheInstalledLauncher*' || fail "the installed launcher"

echo "== desktop entry and metainfo"
desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" || fail "appstreamcli"

echo "== the Debian package"
deb=$build/varnok_${version}_amd64.deb
rm -f "$deb"
(cd "$build" && cpack -G DEB >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; fail "cpack"; }
[ -f "$deb" ] || fail "cpack wrote no $deb"
dpkg-deb --field "$deb" Section | grep -qx games || fail "section"
dpkg-deb --field "$deb" Depends | grep -q liballegro || fail "no Depends computed"
lintian --fail-on error "$deb" || fail "lintian reports errors"

if [ "${CI:-}" = true ] && [ "$(id -u)" = 0 ]; then
  echo "== installing, starting and removing the package (CI only)"
  player=$tmp/player/.local/share/varnok
  mkdir -p "$player"
  printf '1\n1\n1\n1\n0' >"$player/options.ini"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
  [ -x /usr/games/varnok ] || fail "the package installed no /usr/games/varnok"
  # Briefly: until the game has loaded everything, then it is ended.
  # shellcheck disable=SC2016 # the inner shell expands them
  HOME=$tmp/player xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    /usr/games/varnok & game=$!
    for i in $(seq 120); do grep -qx "Loading highscores..." "$1/log.txt" 2>/dev/null && break; sleep 0.5; done
    kill $game; wait $game || true' sh "$player" >/dev/null 2>&1
  grep -qx "Loading highscores..." "$player/log.txt" || fail "the installed game did not start"
  listing() { (cd "$player" && find . -printf '%p %l %s\n' | sort && cat options.ini log.txt) | md5sum; }
  before=$(listing)
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq varnok >/dev/null
  [ ! -e /usr/games/varnok ] || fail "the package left /usr/games/varnok"
  [ "$(listing)" = "$before" ] || fail "removing the package touched the player's folder"
fi
echo "install test passed"
