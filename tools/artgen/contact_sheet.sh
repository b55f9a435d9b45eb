#!/usr/bin/env bash
# Writes one PNG with every generated picture and every datafile frame, on a
# dark and on a light backdrop, labelled. Magenta shows as the backdrop.
# Usage: contact_sheet.sh DATA_DIR ARTGEN_WORK_DIR OUTPUT.png
set -euo pipefail
data=$1 work=$2 out=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A mission-like scene: landscape layers where the game draws them, a few
# ships, shadows at 40% on the ground line and additive effects.
mock() {
  local t="-transparent #ff00ff"
  convert -size 800x600 xc:'#05060f' \
    \( "$data/earth.bmp" $t \) -geometry +504+104 -composite \
    \( "$data/hills.bmp" $t \) -geometry +0+390 -composite \
    "$data/ground.bmp" -geometry +0+550 -composite \
    \( "$work/player/f03.bmp" $t \) -geometry +100+200 -composite \
    \( "$work/player/f07.bmp" $t -channel A -evaluate multiply 0.4 +channel \) -geometry +100+546 -composite \
    \( "$work/enemy1/f03.bmp" $t \) -geometry +400+150 -composite \
    \( "$work/enemy3/f01.bmp" $t \) -geometry +480+250 -composite \
    \( "$work/enemy4/f03.bmp" $t \) -geometry +600+300 -composite \
    \( "$work/enemy5/f03.bmp" $t \) -geometry +300+330 -composite \
    \( "$work/enemy6/f05.bmp" $t \) -geometry +650+100 -composite \
    \( "$work/enemy10/f03.bmp" $t \) -geometry +200+60 -composite \
    \( "$work/enemy11/f00.bmp" $t \) -geometry +720+200 -composite \
    \( "$work/enemy2/f00.bmp" $t \) -geometry +560+200 -composite \
    \( "$work/enemy9/f00.bmp" $t \) -geometry +380+440 -composite \
    \( "$work/enemy8/f03.bmp" $t -flop \) -geometry +40+300 -composite \
    \( "$work/enemy7/f02.bmp" $t \) -geometry +500+508 -composite \
    \( "$work/enemy12/f03.bmp" $t \) -geometry +650+512 -composite \
    \( "$data/rocket.bmp" $t \) -geometry +180+210 -composite \
    \( "$data/bomb.bmp" $t \) -geometry +620+340 -composite \
    \( "$data/mine.bmp" $t \) -geometry +450+350 -composite \
    -compose plus \
    "$data/powerlife.bmp" -geometry +250+250 -composite \
    "$data/powerammo.bmp" -geometry +290+250 -composite \
    "$data/powerheal.bmp" -geometry +330+250 -composite \
    "$work/explosion/f05.bmp" -geometry +150+400 -composite \
    "$data/fire.bmp" -geometry +160+390 -composite \
    "$1"
}

# The main menu: logo and moon where the menu backdrop draws them, the menu
# items in light grey and highlight blue.
menu() {
  local lw; lw=$(identify -format '%w' "$data/logo.bmp")
  local mh; mh=$(identify -format '%h' "$data/moon.bmp")
  convert -size 800x600 xc:black \
    "$data/logo.bmp" -compose plus -geometry +$(( (800 - lw) / 2 ))+20 -composite \
    "$data/moon.bmp" -compose over -geometry +0+$(( 600 - mh )) -composite \
    -fill '#c8c8c8' -pointsize 22 -annotate +250+320 'START NEW GAME' -annotate +250+350 'OPTIONS' \
    -annotate +250+380 'HALL OF FAME' -annotate +250+410 'CREDITS' -fill '#4080ff' -annotate +250+440 'EXIT' "$1"
}

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
mock "$tmp/mock.png"
menu "$tmp/menu.png"
convert "$tmp/mock.png" "$tmp/menu.png" -background '#404040' -splice 8x0 +append "$tmp/mock.png"
convert "$tmp/mock.png" -background '#0a0e22' -fill '#d0d8f0' -pointsize 15 label:"mission and menu mock-ups (800x600 each)" +swap -gravity west -append "$tmp/mock.png"
convert "$tmp/dark.png" "$tmp/light.png" -background '#808080' -gravity north +append "$tmp/sheets.png"
convert "$tmp/mock.png" "$tmp/sheets.png" -background '#808080' -gravity northwest -append +repage "$out"
echo "$out"
