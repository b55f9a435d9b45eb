#!/usr/bin/env bash
# Installs what the game and its tests need on Debian 12 (only what is missing),
# then configures and builds. Usage: scripts/setup.sh [release|asan|fuzz]...
# "fuzz" builds only the fuzz targets, with clang and libFuzzer, in build-fuzz/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  g++ clang libclang-rt-dev cmake ninja-build pkg-config
  liballegro4-dev liballeggl4-dev libdumb1-dev libaldmb1-dev libglu1-mesa-dev
  libfreetype-dev fonts-dejavu-core libx11-dev
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick sox alsa-utils
  zlib1g-dev file dpkg-dev desktop-file-utils appstream lintian man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

# The plain build uses Ninja, the sanitizer build CMake's default generator
# (Unix Makefiles), so that both keep working.
builds=("$@")
[ ${#builds[@]} -eq 0 ] && builds=(release)
for b in "${builds[@]}"; do
  targets=()
  case "$b" in
    release) dir="$root/build";      generator="Ninja";          flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    asan)    dir="$root/build-asan"; generator="Unix Makefiles"; flags=(-DCMAKE_BUILD_TYPE=Debug -DVARNOK_SANITIZE=ON) ;;
    fuzz)    dir="$root/build-fuzz"; generator="Ninja";          targets=(--target fuzz)
             flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOK_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
             # The data of the plain build, when there is one, saves making it again.
             if [ -f "$root/build/build.ninja" ]; then
               cmake --build "$root/build" -j "$(nproc)" --target data
               flags+=(-DVARNOK_FUZZ_DATA_DIR="$root/build/data")
             fi ;;
    *) echo "unknown build: $b" >&2; exit 2 ;;
  esac
  # A folder configured earlier with another generator cannot be reused.
  if [ -f "$dir/CMakeCache.txt" ] && ! grep -qx "CMAKE_GENERATOR:INTERNAL=$generator" "$dir/CMakeCache.txt"; then
    echo "Reconfiguring $dir for $generator"
    rm -rf "$dir"
  fi
  cmake -S "$root" -B "$dir" -G "$generator" "${flags[@]}" >/dev/null
  cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
done
