#!/usr/bin/env bash
# Builds the game and starts it from the player's own folder, which keeps
# options.ini, Highscores and log.txt across rebuilds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" release
home="${XDG_DATA_HOME:-$HOME/.local/share}/varnok"
mkdir -p "$home"
ln -sfn "$root/build/data" "$home/data"
cd "$home"
exec "$root/build/varnok"
