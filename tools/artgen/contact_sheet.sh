#!/usr/bin/env bash
# Writes one PNG with every generated picture and every datafile frame, on a
# dark and on a light backdrop, labelled. Magenta shows as the backdrop.
# Usage: contact_sheet.sh DATA_DIR ARTGEN_WORK_DIR OUTPUT.png
set -euo pipefail
data=$1 work=$2 out=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

sheet() {  # backdrop colour, text colour, output
  local bg=$1 fg=$2 dest=$3 rows=()
  local n=0
  row() {  # title, zoom, files...
    local title=$1 zoom=$2; shift 2
    local items=()
    for f in "$@"; do
      local name; name=$(basename "$f" .bmp)
      local png="$tmp/item_$n.png"; n=$((n + 1))
      convert "$f" -transparent '#ff00ff' -filter point -resize "$zoom" -set label "$name $(identify -format '%wx%h' "$f")" "$png"
      items+=("$png")
    done
    local r="$tmp/row_${#rows[@]}.png"
    montage "${items[@]}" -tile "${#items[@]}x1" -geometry +6+4 -background "$bg" -fill "$fg" -pointsize 11 "$r"
    convert "$r" -background "$bg" -fill "$fg" -pointsize 15 label:"$title" +swap -gravity west -append "$r"
    rows+=("$r")
  }
  for set in player enemy1 enemy2 enemy3 enemy4 enemy5 enemy6 enemy7 enemy8 enemy9 enemy10 enemy11 enemy12; do
    row "$set.dat" 200% "$work/$set"/f*.bmp
  done
  row "explosion.dat" 100% "$work/explosion"/f*.bmp
  row "ordnance, fire, power-ups" 300% "$data"/{bomb,rocket,mine,fire,powerammo,powerheal,powerlife}.bmp
  row "planet, moon, studio" 100% "$data"/{earth,moon,quenby}.bmp
  row "logo" 100% "$data/logo.bmp"
  row "hills" 100% "$data/hills.bmp"
  row "ground" 100% "$data/ground.bmp"
  row "exit" 100% "$data/exit.bmp"
  convert "${rows[@]}" -background "$bg" -gravity west -append "$dest"
}

sheet '#0a0e22' '#d0d8f0' "$tmp/dark.png"
sheet '#d8d8d8' '#202020' "$tmp/light.png"
convert "$tmp/dark.png" "$tmp/light.png" -background '#808080' -gravity north +append "$out"
echo "$out"
