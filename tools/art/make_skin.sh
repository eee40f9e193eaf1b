#!/usr/bin/env bash
# Draws the default skin into data/Skins/default/ (the output is committed).
# Running it again gives byte-identical files: check with
#   tools/art/make_skin.sh && (cd data/Skins/default && find . -type f | sort | xargs sha256sum)
#
# The look: a navy header band with the suite's mark, a light blue-grey work
# area, white cards with hairline borders, and flat icon tiles coloured by
# group (Cleaning teal, Tuning blue, File tools orange, the one-click run
# green, the internet menu violet). The window outline is cut in magenta
# (#FF00FF, the bottom-left pixel of Background.bmp): rounded corners and a
# lowered top edge right of the logo tab.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$ROOT/tools/art/lib.sh"

OUT=${1:-$ROOT/data/Skins/default}
# The folder is rebuilt from scratch; refuse to empty a folder that is not a skin.
if [ -d "$OUT" ] && [ -n "$(ls -A "$OUT")" ] && [ ! -f "$OUT/skin.ini" ]; then
  echo "error: $OUT is not empty and holds no skin.ini; not touching it" >&2
  exit 1
fi
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
rm -rf "$OUT"
mkdir -p "$OUT/Buttons" "$OUT/Panels"

CUT='#FF00FF'
W=640; H=480
HEADER_H=106        # the page control starts here
PAGE_BOTTOM_Y=474   # and ends here (368 high)

# ---- positions (window coordinates for the header, page coordinates below) --
declare -A HB_LEFT=([Close]=599 [Minimize]=575 [Help]=552 [Options]=527 [About]=503 [Internetmenu]=479)
HB_TOP=15; HB_SIZE=20
declare -A GROUP_TOP=([Cleaning]=8 [Tuning]=92 [Tools]=176)
GROUP_LEFT=24; GROUP_W=296; GROUP_H=71
OCO_LEFT=24; OCO_TOP=251; OCO_W=596; OCO_H=71
SUB_LEFT=344; SUB_TOP=8; SUB_W=269; SUB_H=239
EASY_LEFT=24; EASY_TOP=326; EXPERT_LEFT=112; EXPERT_TOP=326; LED=16

# ============================================================================
# Background.bmp: the whole window, cut to its outline.
# ============================================================================
# Outline: rounded corners (radius 14); right of the logo tab the top edge
# lies 10 pixels lower, reached by a short slope.
OUTLINE="path 'M 14,0 L 344,0 L 354,10 L 625,10 A 14,14 0 0 1 639,24 L 639,465 A 14,14 0 0 1 625,479 L 14,479 A 14,14 0 0 1 0,465 L 0,14 A 14,14 0 0 1 14,0 Z'"
"$IM" -size ${W}x${H} xc:black +antialias -fill white -stroke none -draw "$OUTLINE" \
  -alpha off -type Grayscale "$WORK/mask.png"
# Hairline frame: the shape's own edge pixels.
"$IM" "$WORK/mask.png" -bordercolor black -border 1 -morphology EdgeIn Diamond:1 -shave 1x1 "$WORK/edge.png"

# Header: navy gradient, two faint rings on the right, a teal rule at its foot.
"$IM" -size ${W}x104 gradient:"$NAVY_TOP"-"$NAVY_BOTTOM" \
  -fill '#FFFFFF0A' -stroke none -draw "circle 560,-20 560,120" \
  -fill '#FFFFFF08' -draw "circle 470,140 470,250" \
  "$WORK/header.png"
"$IM" -size ${W}x2 xc:"$ACCENT" "$WORK/rule.png"
PAGE_H=$((PAGE_BOTTOM_Y - HEADER_H))
"$IM" -size ${W}x${PAGE_H} gradient:"$PAGE_TOP"-"$PAGE_BOTTOM" "$WORK/page.png"
"$IM" -size ${W}x$((H - PAGE_BOTTOM_Y)) gradient:"$NAVY_BOTTOM"-"$NAVY_TOP" "$WORK/foot.png"

# The mark in the header. Only the product's name goes into the picture: a
# text that a language file translates is drawn by the window itself.
tile "$WORK/mark.png" 58 "$BRAND_1" "$BRAND_2" brand 30

"$IM" -size ${W}x${H} xc:"$PAGE_TOP" \
  "$WORK/header.png" -geometry +0+0 -composite \
  "$WORK/rule.png" -geometry +0+104 -composite \
  "$WORK/page.png" -geometry +0+${HEADER_H} -composite \
  "$WORK/foot.png" -geometry +0+${PAGE_BOTTOM_Y} -composite \
  "$WORK/mark.png" -geometry +24+26 -composite \
  -density 72 -font "$FONT" -pointsize 14 -fill '#9FB4CF' -annotate +96+42 'Brinvale Sysvantor' \
  -font "$FONT_BOLD" -pointsize 27 -fill '#FFFFFF' -stroke '#FFFFFF' -strokewidth 0.7 \
  -annotate +95+74 'Quenzal Suite 2' -stroke none \
  \( -size ${W}x${H} xc:"$NAVY_EDGE" \) "$WORK/edge.png" -compose Over -composite \
  "$WORK/content.png"
# The cut: wherever the mask is black the picture is exactly the cut colour.
"$IM" "$WORK/content.png" \( -size ${W}x${H} xc:"$CUT" \) \( "$WORK/mask.png" -negate \) \
  -compose Over -composite -alpha off "$WORK/background.png"
bmp24 "$OUT/Background.bmp" "$WORK/background.png"

# Crop of the finished background at a window rectangle, four times enlarged
# with plain pixel copies (reduced again by area averaging, it comes back
# unchanged wherever nothing was drawn on it).
crop4() { # crop4 <out> <x> <y> <w> <h>
  "$IM" "$WORK/background.png" -crop "$4x$5+$2+$3" +repage -filter Point -resize 400% "$1"
}

# ============================================================================
# Header buttons (20 x 20; window coordinates): a glyph on a rounded square,
# drawn over the header exactly as it lies under the button.
# ============================================================================
declare -A HB_GLYPH=([Close]=close [Minimize]=minimize [Help]=help [Options]=options [About]=about [Internetmenu]=globe)
header_button() { # <name> <state>
  local name=$1 state=$2 x=${HB_LEFT[$1]} sq glyphcol hot
  crop4 "$WORK/hb.png" "$x" "$HB_TOP" "$HB_SIZE" "$HB_SIZE"
  hot="$ACCENT"; [ "$name" = Close ] && hot='#D9473B'
  case $state in
    normal) sq='#FFFFFF1A'; glyphcol='#D8E2EF' ;;
    over)   sq="$hot";      glyphcol='#FFFFFF' ;;
    down)   sq="$hot";      glyphcol='#E6EEF7' ;;
  esac
  # The glyph box is 80 x 80 here; the glyphs live in 128 units.
  "$IM" -size 80x80 xc:"$glyphcol" \
    \( -size 80x80 xc:black -draw "translate 14,14 scale 0.40625,0.40625 $(glyph "${HB_GLYPH[$name]}")" \) \
    -alpha off -compose CopyOpacity -composite "$WORK/hbg.png"
  local shade=()
  [ "$state" = down ] && shade=(-fill '#00000033' -draw "roundrectangle 2,2 77,77 16,16")
  png24 "$OUT/Buttons/${name}_${state}.png" "$WORK/hb.png" \
    -fill "$sq" -stroke none -draw "roundrectangle 2,2 77,77 16,16" "${shade[@]}" \
    "$WORK/hbg.png" -compose Over -composite -filter Box -resize 20x20
}
for b in Close Minimize Help Options About Internetmenu; do
  for s in normal over down; do header_button "$b" "$s"; done
done

# ============================================================================
# Cards.
# card <out> <w> <h> <radius> <fill top> <fill bottom> <border> <background or none>
#      [<border width>]
# A rounded card with a vertical gradient and a hairline border; with a
# background colour the corners are filled with it (opaque picture), else they
# are transparent.
# ============================================================================
card() {
  local out=$1 w=$2 h=$3 r=$4 f1=$5 f2=$6 bc=$7 bg=$8 bw=${9:-1}
  local o x1 y1
  o=$(awk -v b="$bw" 'BEGIN { printf "%.1f", b / 2 }')
  x1=$(awk -v w="$w" -v o="$o" 'BEGIN { printf "%.1f", w - 1 - o }')
  y1=$(awk -v h="$h" -v o="$o" 'BEGIN { printf "%.1f", h - 1 - o }')
  "$IM" -size ${w}x${h} gradient:"$f1"-"$f2" \
    \( -size ${w}x${h} xc:black -fill white -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) $r,$r" \) \
    -alpha off -compose CopyOpacity -composite -compose Over \
    -fill none -stroke "$bc" -strokewidth "$bw" -draw "roundrectangle $o,$o $x1,$y1 $r,$r" \
    "$out"
  if [ "$bg" != none ]; then
    "$IM" "$out" -background "$bg" -flatten "$out"
  fi
}

# ---- group buttons (296 x 71, transparent corners), one accent per group ----
group_button() { # <section> <accent> <tint>
  local sec=$1 acc=$2 tint=$3 s
  for s in normal over down; do
    case $s in
      normal) card "$WORK/g.png" $GROUP_W $GROUP_H 9 '#FFFFFF' '#F3F6FA' "$CARD_BORDER" none ;;
      over)   card "$WORK/g.png" $GROUP_W $GROUP_H 9 '#FFFFFF' "$tint" "$acc" none 2 ;;
      down)   card "$WORK/g.png" $GROUP_W $GROUP_H 9 "$tint" "$tint" "$acc" none 2 ;;
    esac
    # A coloured foot on the card (clipped to the card by the Atop operator).
    png32 "$OUT/Buttons/${sec}_${s}.png" "$WORK/g.png" \
      \( -size ${GROUP_W}x5 xc:"$acc" \) -geometry +0+$((GROUP_H - 5)) -compose Atop -composite
  done
}
group_button Cleaning "$CLEAN_2" '#E3F5F2'
group_button Tuning   "$TUNE_2"  '#E4EEFB'
group_button Tools    "$FILE_2"  '#FCEEDD'

# ---- the one-click button (596 x 71): no icon is baked on it, so its mark is
# part of the picture ----
tile "$WORK/oco_mark.png" 52 "$OCO_1" "$OCO_2" bolt 64
for s in normal over down; do
  case $s in
    normal) card "$WORK/o.png" $OCO_W $OCO_H 9 '#F4FBF6' '#E1F3E7' '#A9D8B7' none ;;
    over)   card "$WORK/o.png" $OCO_W $OCO_H 9 '#EFFAF2' '#D3EEDC' "$OCO_2" none 2 ;;
    down)   card "$WORK/o.png" $OCO_W $OCO_H 9 '#D3EEDC' '#C6E8D1' "$OCO_2" none 2 ;;
  esac
  off=0; [ "$s" = down ] && off=2
  png32 "$OUT/Buttons/OCO_${s}.png" "$WORK/o.png" \
    \( -size ${OCO_W}x5 xc:"$OCO_2" \) -geometry +0+$((OCO_H - 5)) -compose Atop -composite \
    "$WORK/oco_mark.png" -geometry +$((528 + off))+$((9 + off)) -compose Over -composite
done

# ---- module buttons (255 x 48) and internet-menu items (255 x 48) -----------
# They stand on the white body of the submenu panel and of the frame, so
# their corners are filled white.
sub_button() { # <prefix> <normal|hover|down> <accent> <tint 1> <tint 2>
  local out=$1 s=$2 acc=$3 t1=$4 t2=$5
  case $s in
    normal) card "$WORK/s.png" 253 46 7 '#FFFFFF' '#F2F5F9' "$CARD_BORDER" none ;;
    hover)  card "$WORK/s.png" 253 46 7 "$t1" "$t2" "$acc" none ;;
    down)   card "$WORK/s.png" 253 46 7 "$t2" "$t2" "$acc" none ;;
  esac
  png24 "$out" -size 255x48 xc:'#FFFFFF' "$WORK/s.png" -geometry +1+1 -compose Over -composite
}
for s in normal hover down; do
  sub_button "$OUT/button_sub_$s.png" "$s" "$ACCENT" '#F0FAF9' '#DDF2EF'
  sub_button "$OUT/but_im_$s.png"     "$s" "$NET_2"  '#F4F2FE' '#E6E2FB'
done

# ---- panels with a navy title band: the submenu (269 x 239) and the frame of
# the about page and the internet menu (583 x 299) ----------------------------
band_panel() { # <out> <w> <h> <band height>
  local out=$1 w=$2 h=$3 bh=$4
  "$IM" -size ${w}x${h} xc:'#FFFFFF' \
    \( -size ${w}x${bh} gradient:"$NAVY_TOP"-"$NAVY_BOTTOM" \) -geometry +0+0 -composite \
    \( -size ${w}x2 xc:"$ACCENT" \) -geometry +0+${bh} -composite \
    \( -size ${w}x${h} xc:black -fill white -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) 10,10" \) \
    -alpha off -compose CopyOpacity -composite -compose Over \
    -fill none -stroke '#C3CEDC' -strokewidth 1 -draw "roundrectangle 0.5,0.5 $((w - 1)).5,$((h - 1)).5 10,10" \
    "$WORK/panel.png"
  # The stroke above runs half a pixel outside on the right and bottom; the
  # picture keeps its size.
  png32 "$out" "$WORK/panel.png" -crop ${w}x${h}+0+0 +repage
}
band_panel "$OUT/Panels/Submenu.png" $SUB_W $SUB_H 34
band_panel "$OUT/frame_about_IM.png" 583 299 28

# ============================================================================
# Icons.
# ============================================================================
declare -A MOD_GLYPH=([DC]=drive [RC]=tree [IC]=globe [DLL]=docs [OCO]=bolt [ST]=power [NQ]=nomsg
                      [WIN]=wrench [IT]=gauge [FW]=shred [FSJ]=split [FA]=link [FED]=lock)
mod_colours() {
  case $1 in
    DC|RC|IC|DLL) echo "$CLEAN_1 $CLEAN_2" ;;
    OCO)          echo "$OCO_1 $OCO_2" ;;
    ST|NQ|WIN|IT) echo "$TUNE_1 $TUNE_2" ;;
    *)            echo "$FILE_1 $FILE_2" ;;
  esac
}
for code in DC RC IC DLL OCO ST NQ WIN IT FW FSJ FA FED; do
  read -r c1 c2 < <(mod_colours "$code")
  tile "$OUT/ModuleIcon_$code.png" 32 "$c1" "$c2" "${MOD_GLYPH[$code]}"
  if [ "$code" != OCO ]; then
    tile "$OUT/icon_Module_$code.png" 32 "$c1" "$c2" "${MOD_GLYPH[$code]}"
  fi
done
tile "$OUT/icon_main_clean.png" 56 "$CLEAN_1" "$CLEAN_2" sparkle
tile "$OUT/icon_main_tune.png"  56 "$TUNE_1"  "$TUNE_2"  sliders
tile "$OUT/icon_main_file.png"  56 "$FILE_1"  "$FILE_2"  folder
declare -A IM_GLYPH=([Recommend]=star [Internet]=globe [Products]=cube [Support]=buoy
                     [Offers]=tag [Newsletter]=mail [Update]=update)
for item in Recommend Internet Products Support Offers Newsletter Update; do
  tile "$OUT/icon_IM_$item.png" 36 "$NET_1" "$NET_2" "${IM_GLYPH[$item]}"
done

# ---- mode lights (16 x 16), drawn over the page background under them -------
led() { # <out> <page x> <page y> <light> <dark>
  crop4 "$WORK/led.png" "$2" $(($3 + HEADER_H)) $LED $LED
  png24 "$1" "$WORK/led.png" \
    -fill '#00000022' -stroke none -draw "circle 32,34 32,59" \
    -fill "$5" -draw "circle 32,32 32,56" \
    \( -size 64x64 radial-gradient:"$4"-"$5" \
       \( -size 64x64 xc:black -fill white -draw "circle 32,32 32,53" \) \
       -alpha off -compose CopyOpacity -composite \) \
    -compose Over -composite \
    -fill '#FFFFFF99' -draw "ellipse 27,23 9,6 0,360" \
    -filter Box -resize 16x16
}
led "$OUT/LED_active.png"   $EASY_LEFT $EASY_TOP '#8CF0A8' '#23934A'
led "$OUT/LED_inactive.png" $EASY_LEFT $EASY_TOP '#E3E8EE' '#97A3B2'

# ============================================================================
# Module windows: header band (640 x 77), circle (49 x 49), page tile (640 x 359).
# ============================================================================
bmp24 "$OUT/Header_AllModules.bmp" -size 640x75 gradient:"$NAVY_TOP"-"$NAVY_BOTTOM" \
  -fill '#FFFFFF0A' -stroke none -draw "circle 590,-30 590,100" \
  -fill '#FFFFFF08' -draw "circle 500,110 500,190" \
  \( -size 640x2 xc:"$ACCENT" \) -append
# The circle is centred under the 32 x 32 module icon (at 10,10 of the circle).
png32 "$OUT/Header_Kreis.png" -size 196x196 xc:none \
  -fill '#00000030' -stroke none -draw "circle 104,108 104,196" \
  -fill '#FFFFFF' -stroke '#CFE3E1' -strokewidth 6 -draw "circle 104,104 104,190" \
  -filter Box -resize 49x49
bmp24 "$OUT/Background_Modules.bmp" -size 640x359 gradient:'#FFFFFF'-'#EAF0F6' \
  -fill none -stroke '#E1E8F0' -strokewidth 2 -draw "circle 640,420 640,200" \
  -stroke '#E4EAF2' -draw "circle 640,420 640,150"

# ============================================================================
# skin.ini
# ============================================================================
{
  printf '; Default skin of Brinvale Sysvantor Quenzal Suite 2.\n'
  printf '; Made by tools/art/make_skin.sh; edit the script, not this file.\n'
  printf '; Header buttons: window coordinates. Everything else: coordinates on the\n'
  printf '; menu page (the page area starts 106 pixels below the window top).\n'
  for b in Close Minimize Help Options About Internetmenu; do
    printf '\n[%s]\nLoad=1\nLeft=%d\nTop=%d\nWidth=%d\nHeight=%d\n' "$b" "${HB_LEFT[$b]}" $HB_TOP $HB_SIZE $HB_SIZE
    printf 'Filename_normal=Buttons\\%s_normal.png\nFilename_over=Buttons\\%s_over.png\nFilename_down=Buttons\\%s_down.png\n' "$b" "$b" "$b"
  done
  printf '\n[OCO]\nLoad=1\nLeft=%d\nTop=%d\nWidth=%d\nHeight=%d\n' $OCO_LEFT $OCO_TOP $OCO_W $OCO_H
  printf 'Filename_normal=Buttons\\OCO_normal.png\nFilename_over=Buttons\\OCO_over.png\nFilename_down=Buttons\\OCO_down.png\n'
  for g in Cleaning Tuning Tools; do
    printf '\n[%s]\nLoad=1\nLeft=%d\nTop=%d\nWidth=%d\nHeight=%d\n' "$g" $GROUP_LEFT "${GROUP_TOP[$g]}" $GROUP_W $GROUP_H
    printf 'Filename_normal=Buttons\\%s_normal.png\nFilename_over=Buttons\\%s_over.png\nFilename_down=Buttons\\%s_down.png\n' "$g" "$g" "$g"
  done
  printf '\n[Submenu]\nLoad=1\nLeft=%d\nTop=%d\nWidth=%d\nHeight=%d\nFilename=Panels\\Submenu.png\n' $SUB_LEFT $SUB_TOP $SUB_W $SUB_H
  printf '\n[EasyMode]\nLeft=%d\nTop=%d\n' $EASY_LEFT $EASY_TOP
  printf '\n[ExpertMode]\nLeft=%d\nTop=%d\n' $EXPERT_LEFT $EXPERT_TOP
  font() { printf '\n[%s]\nFontName=Tahoma\nFontSize=%d\nR=%d\nG=%d\nB=%d\n' "$@"; }
  font AllModules_HeaderFont           22 255 255 255
  font AllModules_BackgroundBitmapFont 26 205 215 228
  font GroupButton_FontBIG             18  31  45  68
  font GroupButton_FontSMALL           11  31  45  68
  font InternetButton_FontBIG          13  31  45  68
  font InternetButton_FontSMALL        10  31  45  68
  font SubMenuButton_FontBIG           14  31  45  68
  font SubMenuButton_FontSMALL         11  31  45  68
  font SubMenu_HeaderFontBIG           18 255 255 255
  font SubMenu_HeaderFontSMALL         11 176 205 228
  font OtherText_Font                  11  70  84 104
  font AboutScreen_HeaderFont          16 255 255 255
} | sed 's/$/\r/' >"$OUT/skin.ini"

echo "skin written to $OUT"
