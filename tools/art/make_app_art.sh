#!/usr/bin/env bash
# Draws the pictures that live in the program file itself into src/app/res/
# (the output is committed; app.rc embeds it):
#   app.ico      program icon, 16, 32, 48 and 256 pixels
#   splash.png   splash window picture, 400 x 300 (the status line is at y 284)
#   about1.png   about page, large mark, 150 x 150 (shown at 452,72 of the page)
#   about2.png   about page, maker's word mark, 120 x 36 (shown at 472,280)
#   st_folder.png, st_ini.png, st_registry.png   the StartUp-Tuner's source
#                pictures, 32 x 32 (Startup folders, win.ini, registry)
# Running it again gives byte-identical files (see tools/art/lib.sh).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$ROOT/tools/art/lib.sh"

OUT=${1:-$ROOT/src/app/res}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"

# ---- program icon -------------------------------------------------------
for n in 256 48 32 16; do
  tile "$WORK/icon$n.png" $n "$BRAND_1" "$BRAND_2" brand 30
done
"$IM" "$WORK/icon256.png" "$WORK/icon48.png" "$WORK/icon32.png" "$WORK/icon16.png" \
  "${PNGOPTS[@]}" "ICO:$OUT/app.ico"

# ---- splash (400 x 300) -------------------------------------------------
tile "$WORK/mark96.png" 96 "$BRAND_1" "$BRAND_2" brand 30
png24 "$OUT/splash.png" -size 400x276 gradient:"$NAVY_TOP"-"$NAVY_BOTTOM" \
  -fill '#FFFFFF0B' -stroke none -draw "circle 360,10 360,190" \
  -fill '#FFFFFF07' -draw "circle 250,300 250,420" \
  "$WORK/mark96.png" -geometry +36+78 -composite \
  -density 72 -font "$FONT" -pointsize 15 -fill '#9FB4CF' -annotate +150+104 'Brinvale Sysvantor' \
  -font "$FONT_BOLD" -pointsize 30 -fill '#FFFFFF' -stroke '#FFFFFF' -strokewidth 0.7 \
  -annotate +148+140 'Quenzal Suite 2' -stroke none \
  -font "$FONT" -pointsize 13 -fill '#C8D6E6' -annotate +150+164 'Version 2.10' \
  \( -size 400x2 xc:"$ACCENT" \) -append \
  \( -size 400x22 xc:'#EEF2F7' \) -append

# ---- about page pictures --------------------------------------------------
# Both stand on the white body of the about frame.
tile "$WORK/mark112.png" 112 "$BRAND_1" "$BRAND_2" brand 30
png24 "$OUT/about1.png" -size 150x150 xc:'#FFFFFF' \
  -fill none -stroke '#E7EDF4' -strokewidth 2 -draw "circle 75,75 75,4" \
  -stroke '#EEF2F7' -draw "circle 75,75 75,14" \
  \( "$WORK/mark112.png" -background '#1F2D4430' -shadow 60x4+0+3 \) -geometry +15+17 -compose Over -composite \
  "$WORK/mark112.png" -geometry +19+17 -compose Over -composite
tile "$WORK/mark28.png" 28 "$BRAND_1" "$BRAND_2" brand 30
png24 "$OUT/about2.png" -size 120x36 xc:'#FFFFFF' \
  "$WORK/mark28.png" -geometry +2+4 -composite \
  -density 72 -font "$FONT_BOLD" -pointsize 16 -fill "$TEXT_DARK" -stroke "$TEXT_DARK" -strokewidth 0.5 \
  -annotate +36+24 'BRINVALE'

# ---- StartUp-Tuner: the pictures of its three kinds of source (32 x 32) ------
# folder (Startup folders), text file (win.ini), registry
tile "$OUT/st_folder.png" 32 "$TUNE_1" "$TUNE_2" folder
tile "$OUT/st_ini.png" 32 "$TUNE_1" "$TUNE_2" textfile
tile "$OUT/st_registry.png" 32 "$TUNE_1" "$TUNE_2" tree

echo "program pictures written to $OUT"
