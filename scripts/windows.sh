#!/usr/bin/env bash
# Cross-builds the game for 64-bit Windows from this tree, packs
# build-windows/Varnok-<version>-win64.zip and runs the Windows tests under
# Wine and Xvfb. On a fresh Debian 12 it installs what is missing first.
# Allegro (with AllegroGL) and DUMB are built from Debian's source archive
# once and kept in build-windows/deps; delete that folder to rebuild them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build-windows
deps=$out/deps
prefix=$deps/prefix
triple=x86_64-w64-mingw32
toolchain=$root/cmake/mingw-w64.cmake
patchfile=$root/scripts/windows/allegro-windows.patch
jobs=$(nproc)
start=$SECONDS

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
# Other jobs on the machine may hold apt's lock for a while.
apt_get() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 "$@"; }

packages=(mingw-w64 wine wine64 cmake ninja-build zip unzip xvfb xauth xdotool x11-utils imagemagick)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt_get update -qq
  apt_get install -y -qq "${missing[@]}" >/dev/null
fi

# The data files come from the Linux build: its tools run on this machine.
# The same build holds the end-to-end harness that drives the Windows game.
[ -f "$root/build/build.ninja" ] || "$root/scripts/setup.sh" release
cmake --build "$root/build" -j "$jobs" --target data e2e_tests

# --- Allegro 4.4 with AllegroGL, and DUMB, from Debian's source archive ---

has_deb_src() {
  grep -hsE '^[[:space:]]*deb-src[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
    grep -qE '[[:space:]]bookworm[[:space:]].*\bmain\b' && return 0
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    grep -qE '^Types:.*\bdeb-src\b' "$f" && grep -qE '^Suites:.*\bbookworm\b' "$f" && return 0
  done
  return 1
}

# Checks a downloaded upstream tarball against the SHA256 its .dsc records.
check_orig() {
  local dsc orig want got
  dsc=$(cd "$deps/src" && ls "$1"_*.dsc | head -n1)
  orig=$(cd "$deps/src" && ls "$1"_*.orig.tar.gz | head -n1)
  want=$(awk -v f="$orig" '/^Checksums-Sha256:/ {s = 1; next} /^[^ ]/ {s = 0} s && $3 == f {print $1}' "$deps/src/$dsc")
  got=$(sha256sum "$deps/src/$orig" | cut -d' ' -f1)
  if [ -z "$want" ] || [ "$want" != "$got" ]; then
    echo "checksum mismatch for $orig" >&2
    exit 1
  fi
  echo "$deps/src/$orig"
}

fetch_sources() {
  if ! has_deb_src; then
    # apt refuses two entries for one archive with different keys: take the
    # key of the existing Debian entry.
    local key options=""
    key=$(sed -n 's/^Signed-By:[[:space:]]*\(\/.*\)/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1)
    [ -n "$key" ] && options="[signed-by=$key] "
    echo "deb-src ${options}http://deb.debian.org/debian bookworm main" |
      $sudo tee /etc/apt/sources.list.d/varnok-deb-src.list >/dev/null
    apt_get update -qq
  fi
  mkdir -p "$deps/src"
  cd "$deps/src"
  local p
  have() { ls "$1"_*.dsc "$1"_*.orig.tar.gz >/dev/null 2>&1; }
  for p in allegro4.4 libdumb; do
    # Only the .dsc and the upstream tarball are needed; the Debian
    # revision's own tarball may fail to download, so apt's status is not.
    have "$p" || apt_get source --download-only "$p" >/dev/null 2>&1 || true
    # Source lists older than the entry: read them once more.
    have "$p" || { apt_get update -qq && apt_get source --download-only "$p" >/dev/null 2>&1 || true; }
    have "$p" || { echo "cannot fetch the sources of $p" >&2; exit 1; }
  done
  cd "$root"
}

build_allegro() {
  local tarball=$1 src=$deps/allegro
  rm -rf "$src" "$deps/allegro-build"
  mkdir -p "$src"
  tar xzf "$tarball" -C "$src" --strip-components=1
  patch -s -d "$src" -p1 <"$patchfile"
  cmake -S "$src" -B "$deps/allegro-build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_SHARED_LINKER_FLAGS="-static-libgcc" \
    -DWANT_EXAMPLES=OFF -DWANT_TOOLS=OFF -DWANT_TESTS=OFF -DWANT_DOCS=OFF \
    -DWANT_LOADPNG=OFF -DWANT_LOGG=OFF -DWANT_JPGALLEG=OFF -DWANT_ALLEGROGL=ON >/dev/null
  # Allegro's own sources warn a lot under a 64-bit compiler: the output
  # goes to a log, shown only when the build fails.
  if ! cmake --build "$deps/allegro-build" -j "$jobs" >"$deps/allegro-build.log" 2>&1; then
    tail -n 40 "$deps/allegro-build.log" >&2
    exit 1
  fi
  cmake --install "$deps/allegro-build" >/dev/null
  mkdir -p "$prefix/licences"
  cp "$src/docs/txt/license.txt" "$prefix/licences/allegro.txt"
  cp "$src/addons/allegrogl/zlib.txt" "$prefix/licences/allegrogl.txt"
}

# DUMB is plain C: its core, helpers, IT/XM and Allegro parts compiled
# straight into two static libraries.
build_dumb() {
  local tarball=$1 src=$deps/dumb obj=$deps/dumb-obj part f
  rm -rf "$src" "$obj"
  mkdir -p "$src" "$obj"
  tar xzf "$tarball" -C "$src" --strip-components=1
  for part in core helpers it allegro; do
    mkdir -p "$obj/$part"
    for f in "$src/src/$part"/*.c; do
      $triple-gcc -O2 -w -I"$src/include" -I"$prefix/include" -c "$f" -o "$obj/$part/$(basename "$f" .c).o" &
      while [ "$(jobs -r | wc -l)" -ge "$jobs" ]; do wait -n; done
    done
  done
  wait
  mkdir -p "$prefix/lib" "$prefix/include" "$prefix/licences"
  rm -f "$prefix/lib/libdumb.a" "$prefix/lib/libaldmb.a"
  $triple-ar rcs "$prefix/lib/libdumb.a" "$obj"/core/*.o "$obj"/helpers/*.o "$obj"/it/*.o
  $triple-ar rcs "$prefix/lib/libaldmb.a" "$obj"/allegro/*.o
  cp "$src/include/dumb.h" "$src/include/aldumb.h" "$prefix/include/"
  cp "$src/licence.txt" "$prefix/licences/dumb.txt"
}

stamp=$prefix/.built
want_stamp=$(cat "$patchfile" "$toolchain" | sha256sum | cut -d' ' -f1)
if [ "$(cat "$stamp" 2>/dev/null)" != "$want_stamp" ]; then
  echo "== building Allegro and DUMB for $triple =="
  fetch_sources
  rm -rf "$prefix"
  allegro_tarball=$(check_orig allegro4.4)
  dumb_tarball=$(check_orig libdumb)
  build_allegro "$allegro_tarball"
  build_dumb "$dumb_tarball"
  echo "$want_stamp" >"$stamp"
fi

# --- The game, from the same CMake project ---

echo "== building the game for $triple =="
cmake -S "$root" -B "$out/game" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DVARNOK_WINDOWS_DEPS="$prefix" >/dev/null
cmake --build "$out/game" -j "$jobs" --target varnok save_twice

# Nothing but Windows' own DLLs and Allegro's may be needed.
if $triple-objdump -p "$out/game/varnok.exe" | grep 'DLL Name' | grep -iE 'libgcc|libstdc|libwinpthread'; then
  echo "varnok.exe needs the compiler's DLLs" >&2
  exit 1
fi

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/game/CMakeCache.txt")
zip=$out/Varnok-$version-win64.zip
stage=$out/stage
rm -rf "$stage" "$zip"
mkdir -p "$stage/licences"
$triple-strip -o "$stage/varnok.exe" "$out/game/varnok.exe"
for dll in "$prefix"/bin/*.dll; do $triple-strip --strip-unneeded -o "$stage/$(basename "$dll")" "$dll"; done
cp -r "$root/build/data" "$stage/data"
cp "$prefix"/licences/*.txt "$stage/licences/"
sed 's/$/\r/' "$root/scripts/windows/README.txt" >"$stage/README.txt"
(cd "$stage" && zip -qr -X "$zip" .)
echo "wrote $zip ($(stat -c %s "$zip") bytes) after $((SECONDS - start)) s"

# --- The Windows tests: the zipped game under Wine on a private display ---

echo "== tests under Wine =="
VARNOK_WINDOWS_ZIP="$zip" VARNOK_WINDOWS_TOOLS="$out/game" \
  "$root/build/tests/e2e_tests" --gtest_filter='Windows*'
echo "scripts/windows.sh took $((SECONDS - start)) s"
