#!/usr/bin/env bash
# The game as a packager and a player get it: installed in Debian's layout for games, its launcher, desktop files
# and package checked; on a disposable CI machine (CI=true, root) the package installed, started and removed.
# Usage: install_test.sh BUILD_DIR E2E_TESTS VERSION
set -euo pipefail
build=$1 e2e=$2 version=$3
id=org.varnok.varnok
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2 && exit 1; }

DESTDIR=$tmp/stage cmake --install "$build" --prefix /usr >/dev/null
root=$tmp/stage/usr
launcher=$root/games/varnok
for f in games/varnok lib/games/varnok/varnok share/games/varnok/data/font.dat share/games/varnok/data/level_a.txt \
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/man/man6/varnok.6.gz \
  share/doc/varnok/copyright share/doc/varnok/changelog.gz; do
  [ -e "$root/$f" ] || fail "the install lacks $f"
done
for s in 32 48 64 128 256; do
  got=$(identify -format '%wx%h %A' "$root/share/icons/hicolor/${s}x$s/apps/$id.png")
  [ "$got" = "${s}x$s True" ] || fail "icon $s is $got"
done

# Options are answered without a display and without making the player's folder.
home=$tmp/home
mkdir "$home"
[ "$(HOME=$home DISPLAY='' "$launcher" --version)" = "varnok $version" ] || fail "--version"
HOME=$home DISPLAY='' "$launcher" --help | grep -q '^Usage: varnok' || fail "--help"
status=0
HOME=$home DISPLAY='' "$launcher" --fullscreen >/dev/null 2>"$tmp/err" || status=$?
[ "$status" = 2 ] || fail "an unknown option gave status $status"
grep -q '^Usage: varnok' "$tmp/err" || fail "an unknown option printed no usage"
[ ! -e "$home/.local" ] || fail "answering an option made the player's folder"
VARNOK_LAUNCHER=$launcher "$e2e" --gtest_filter='GameFlow.TheInstalledLauncher*' || fail "the installed launcher"

desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" || fail "appstreamcli"

deb=$build/varnok_${version}_amd64.deb
rm -f "$deb"
(cd "$build" && cpack -G DEB >"$tmp/cpack.log" 2>&1) || fail "cpack: $(cat "$tmp/cpack.log")"
dpkg-deb --field "$deb" Depends | grep -q liballegro || fail "no Depends computed"
lintian --fail-on error "$deb" || fail "lintian reports errors"

if [ "${CI:-}" = true ] && [ "$(id -u)" = 0 ]; then
  player=$tmp/player/.local/share/varnok
  mkdir -p "$player"
  printf '1\n1\n1\n1\n0' >"$player/options.ini"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
  # Ended by SIGTERM once it has had the time to load everything.
  HOME=$tmp/player xvfb-run -a -s "-screen 0 1024x768x24" timeout 20 /usr/games/varnok >/dev/null 2>&1 || true
  grep -qx "Loading highscores..." "$player/log.txt" || fail "the installed game did not start"
  listing() { (cd "$player" && find . -printf '%p %l %s\n' | sort && cat options.ini log.txt) | md5sum; }
  before=$(listing)
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq varnok >/dev/null
  [ "$(listing)" = "$before" ] || fail "removing the package touched the player's folder"
fi
echo "install test passed"
