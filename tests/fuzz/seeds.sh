#!/usr/bin/env bash
# seeds.sh TARGET OUT [command...]: one target's seeds in OUT (its corpus, regressions and the campaign's files,
# each level script paired with a ship for missions), then runs the command, if any.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
target=$1 out=$2 campaign="$here/../../assets/campaign"
shift 2
rm -rf "$out" && mkdir -p "$out"
cp "$here"/{corpus,regressions}/"$target"/* "$out"/ 2>/dev/null || true
case "$target" in
  level_script) cp "$campaign"/levels/*.txt "$out"/ ;;
  ship_definition) cp "$campaign"/ships/*.txt "$out"/ ;;
  mission)
    ships=("$campaign"/ships/*.txt) i=0
    for level in "$campaign"/levels/*.txt; do
      ship=${ships[$((i++ % ${#ships[@]}))]}
      { cat "$level"; printf '\n[Ship]\n'; cat "$ship"; } >"$out/$(basename "$level" .txt)_$(basename "$ship")"
    done ;;
esac
[ $# -eq 0 ] || exec "$@"
