#!/usr/bin/env bash
# Builds the game and starts it through the same launcher that the install
# uses, from the player's own folder ${XDG_DATA_HOME:-~/.local/share}/varnok,
# which keeps options.ini, Highscores and log.txt across rebuilds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" release
exec "$root/build/launcher/varnok" "$@"
