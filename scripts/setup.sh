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

builds=("$@")
[ ${#builds[@]} -eq 0 ] && builds=(release)
for b in "${builds[@]}"; do
  targets=()
  case "$b" in
    release) dir="$root/build";      flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
    asan)    dir="$root/build-asan"; flags=(-DCMAKE_BUILD_TYPE=Debug -DVARNOK_SANITIZE=ON) ;;
    fuzz)    dir="$root/build-fuzz"; targets=(--target fuzz)
             flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNOK_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
             # The data of the plain build, when there is one, saves making it again.
             if [ -f "$root/build/build.ninja" ]; then
               cmake --build "$root/build" -j "$(nproc)" --target data
               flags+=(-DVARNOK_FUZZ_DATA_DIR="$root/build/data")
             fi ;;
    *) echo "unknown build: $b" >&2; exit 2 ;;
  esac
  cmake -S "$root" -B "$dir" -G Ninja "${flags[@]}" >/dev/null
  cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
done
