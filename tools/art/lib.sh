# Shared by the art scripts (sourced, not run): the ImageMagick binary, the
# palette, the writers that keep output byte-identical from run to run, and
# the glyphs of every icon.
#
# Reproducibility rules kept by everything here:
#   - one thread, so no operation depends on scheduling;
#   - no random operators (a seed would be fixed if one were used);
#   - PNGs are stripped and written without date/time chunks; BMPs are plain
#     Windows 3.x files without any time field;
#   - cut shapes are drawn with +antialias so their edges are exact colours.

# /usr/local/bin/convert on the build machines is not ImageMagick.
IM=/usr/bin/convert
[ -x "$IM" ] || { echo "error: ImageMagick ($IM) is missing (apt-get install imagemagick)" >&2; exit 1; }
export MAGICK_THREAD_LIMIT=1
export MAGICK_TIME_LIMIT=600

FONT=/usr/share/wine/fonts/tahoma.ttf
FONT_BOLD=/usr/share/wine/fonts/tahomabd.ttf
for f in "$FONT" "$FONT_BOLD"; do
  [ -f "$f" ] || { echo "error: font $f is missing (apt-get install fonts-wine)" >&2; exit 1; }
done

PNGOPTS=(-strip -define png:exclude-chunks=date,time,tEXt,zTXt,iTXt -define png:compression-level=9)

# ---- palette ------------------------------------------------------------
NAVY_TOP='#18263D'
NAVY_BOTTOM='#223A5C'
NAVY_EDGE='#0D1726'
BRAND_1='#27B9B1'   # brand teal, light end
BRAND_2='#128088'   # brand teal, dark end
ACCENT='#1FA39B'
PAGE_TOP='#F3F6FA'
PAGE_BOTTOM='#E4EAF1'
CARD_BORDER='#D2DAE5'
TEXT_DARK='#1F2D44'

# Group colours (gradient ends of the icon tiles).
CLEAN_1='#2CC0B3'; CLEAN_2='#0F8579'
TUNE_1='#4C97EE';  TUNE_2='#2459BE'
FILE_1='#F4AE4E';  FILE_2='#D46E23'
OCO_1='#52C274';   OCO_2='#2A8A48'
NET_1='#8B7CF0';   NET_2='#5141C4'

# Writes an image with alpha. $1 = output; the rest are convert arguments that
# produce exactly one image.
png32() { local out=$1; shift; "$IM" "$@" "${PNGOPTS[@]}" "PNG32:$out"; }
# Writes an opaque image (alpha dropped).
png24() { local out=$1; shift; "$IM" "$@" -alpha off "${PNGOPTS[@]}" "PNG24:$out"; }
# Writes a 24-bit Windows 3.x bitmap.
bmp24() { local out=$1; shift; "$IM" "$@" -alpha off -type TrueColor "BMP3:$out"; }

# x*y/128 for scaling glyph coordinates (which live in a 128 x 128 box).
scale_of() { awk -v m="$1" 'BEGIN { printf "%.6f", m / 128 }'; }

# ---- glyphs ---------------------------------------------------------------
# Each glyph is MVG in a 128 x 128 box: white draws the glyph, black cuts it
# out again (the glyph is used as a mask over the tile).

# Polygon of a star with n points; centre cx,cy, outer radius R, inner radius r.
star_points() {
  awk -v n="$1" -v cx="$2" -v cy="$3" -v R="$4" -v r="$5" 'BEGIN {
    pi = atan2(0, -1); s = "";
    for (i = 0; i < 2 * n; i++) {
      a = -pi / 2 + i * pi / n; rad = (i % 2) ? r : R;
      s = s sprintf("%.2f,%.2f ", cx + rad * cos(a), cy + rad * sin(a));
    }
    print s }'
}
# Polygon of a gear with n teeth; centre cx,cy, tip radius R, root radius r.
gear_points() {
  awk -v n="$1" -v cx="$2" -v cy="$3" -v R="$4" -v r="$5" 'BEGIN {
    pi = atan2(0, -1); s = ""; step = 2 * pi / n;
    for (i = 0; i < n; i++) {
      a = i * step - pi / 2;
      split(sprintf("%f %f %f %f", a - step * 0.32, a - step * 0.18, a + step * 0.18, a + step * 0.32), t, " ");
      s = s sprintf("%.2f,%.2f ", cx + r * cos(t[1]), cy + r * sin(t[1]));
      s = s sprintf("%.2f,%.2f ", cx + R * cos(t[2]), cy + R * sin(t[2]));
      s = s sprintf("%.2f,%.2f ", cx + R * cos(t[3]), cy + R * sin(t[3]));
      s = s sprintf("%.2f,%.2f ", cx + r * cos(t[4]), cy + r * sin(t[4]));
    }
    print s }'
}

glyph() {
  case "$1" in
    brand)  # a ring with a tail: the suite's mark
      echo "fill none stroke white stroke-width 15 circle 58,58 58,89
            stroke-linecap round line 72,72 104,104" ;;
    drive)  # Drive Cleaner: a disk with a sparkle
      echo "fill none stroke white stroke-width 9 stroke-linejoin round
            roundrectangle 18,56 110,102 12,12
            stroke-linecap round line 34,79 70,79
            fill white stroke none circle 92,79 92,85.5
            path 'M 92,10 L 96.5,25.5 L 112,30 L 96.5,34.5 L 92,50 L 87.5,34.5 L 72,30 L 87.5,25.5 Z'
            path 'M 64,18 L 66,24 L 72,26 L 66,28 L 64,34 L 62,28 L 56,26 L 62,24 Z'" ;;
    tree)   # Registry Cleaner: a key tree
      echo "fill none stroke white stroke-width 8 stroke-linecap round stroke-linejoin round
            path 'M 38,46 L 38,100 L 62,100'
            line 38,68 62,68
            fill white stroke none
            roundrectangle 18,16 58,48 7,7
            roundrectangle 62,56 112,80 7,7
            roundrectangle 62,88 112,112 7,7" ;;
    globe)  # Internet Cleaner, internet menu "Internet", header button
      echo "fill none stroke white stroke-width 8
            circle 64,64 64,23
            ellipse 64,64 17,41 0,360
            line 23,64 105,64
            path 'M 31,41 Q 64,50 97,41'
            path 'M 31,87 Q 64,78 97,87'" ;;
    docs)   # DLL Cleaner: two copies of one file
      echo "fill none stroke white stroke-width 8 stroke-linejoin round
            path 'M 20,16 L 60,16 L 74,30 L 74,88 L 20,88 Z'
            fill black stroke black stroke-width 18
            path 'M 50,40 L 88,40 L 106,58 L 106,112 L 50,112 Z'
            fill white stroke none
            path 'M 50,40 L 88,40 L 106,58 L 106,112 L 50,112 Z'
            fill black
            rectangle 60,66 96,71
            rectangle 60,78 96,83
            rectangle 60,90 84,95" ;;
    bolt)   # One-Click-Optimizer
      echo "fill white stroke none
            path 'M 74,10 L 30,70 L 60,70 L 48,118 L 98,52 L 68,52 L 84,10 Z'" ;;
    power)  # StartUp-Tuner
      echo "fill none stroke white stroke-width 11 stroke-linecap round
            path 'M 42,38 A 38,38 0 1 0 86,38'
            line 64,18 64,62" ;;
    nomsg)  # Netquiet Blocker: a message that is blocked
      echo "fill none stroke white stroke-width 8 stroke-linejoin round
            path 'M 30,24 L 98,24 Q 108,24 108,34 L 108,74 Q 108,84 98,84 L 60,84 L 38,104 L 42,84 L 30,84 Q 20,84 20,74 L 20,34 Q 20,24 30,24 Z'
            stroke black stroke-width 22 line 22,112 106,18
            stroke white stroke-width 8 stroke-linecap round line 22,112 106,18" ;;
    wrench) # Windows tools
      echo "fill none stroke white stroke-width 17 stroke-linecap round
            line 26,104 62,68
            stroke-width 15 circle 80,50 80,72
            fill black stroke none
            polygon 80,50 96,2 128,20 128,36" ;;
    gauge)  # Internet Tuner
      echo "fill none stroke white stroke-width 10 stroke-linecap round
            path 'M 24,90 A 42,42 0 1 1 104,90'
            stroke-width 9 line 64,78 92,46
            fill white stroke none circle 64,78 64,89" ;;
    shred)  # File Wiper
      echo "fill white stroke none
            path 'M 28,10 L 80,10 L 100,30 L 100,56 L 28,56 Z'
            fill none stroke black stroke-width 5 path 'M 78,12 L 78,32 L 98,32'
            fill white stroke none roundrectangle 16,60 112,70 4,4
            fill none stroke white stroke-width 7 stroke-linecap round
            line 34,80 34,114
            line 49,80 49,104
            line 64,80 64,116
            line 79,80 79,106
            line 94,80 94,112" ;;
    split)  # File Splitter & Joiner
      echo "fill white stroke none
            path 'M 20,16 L 58,16 L 52,38 L 61,56 L 50,74 L 59,92 L 53,112 L 20,112 Z'
            path 'M 70,16 L 108,16 L 108,112 L 65,112 L 71,92 L 62,74 L 73,56 L 64,38 Z'
            fill black
            rectangle 28,36 44,41
            rectangle 28,52 48,57
            rectangle 82,74 100,79
            rectangle 82,90 98,95" ;;
    link)   # file-type associations
      echo "push graphic-context
            translate 64,64 rotate -45
            fill none stroke white stroke-width 11
            roundrectangle -52,-17 6,17 17,17
            stroke black stroke-width 21 line 10,-17 28,-17
            stroke white stroke-width 11
            roundrectangle -6,-17 52,17 17,17
            pop graphic-context" ;;
    lock)   # File Encrypter & Decrypter
      echo "fill none stroke white stroke-width 11
            path 'M 42,58 L 42,42 A 22,22 0 0 1 86,42 L 86,58'
            fill white stroke none roundrectangle 26,54 102,114 11,11
            fill black circle 64,78 64,87
            rectangle 60,82 68,100" ;;
    sparkle) # group Cleaning
      echo "fill white stroke none
            path 'M 54,12 L 63,45 L 96,54 L 63,63 L 54,96 L 45,63 L 12,54 L 45,45 Z'
            path 'M 96,74 L 100.5,87.5 L 114,92 L 100.5,96.5 L 96,110 L 91.5,96.5 L 78,92 L 91.5,87.5 Z'
            path 'M 96,14 L 99,25 L 110,28 L 99,31 L 96,42 L 93,31 L 82,28 L 93,25 Z'" ;;
    sliders) # group Tuning
      echo "fill none stroke white stroke-width 8 stroke-linecap round
            line 34,20 34,108
            line 64,20 64,108
            line 94,20 94,108
            fill white stroke black stroke-width 6
            circle 34,80 34,95
            circle 64,44 64,59
            circle 94,70 94,85" ;;
    textfile) # StartUp-Tuner: win.ini entries, a page of text
      echo "fill none stroke white stroke-width 8 stroke-linejoin round
            path 'M 28,12 L 78,12 L 100,34 L 100,116 L 28,116 Z'
            stroke-linecap round
            line 44,52 84,52
            line 44,72 84,72
            line 44,92 72,92" ;;
    folder) # group File tools
      echo "fill white stroke none
            path 'M 16,32 Q 16,24 24,24 L 50,24 L 60,36 L 104,36 Q 112,36 112,44 L 112,98 Q 112,106 104,106 L 24,106 Q 16,106 16,98 Z'
            fill black rectangle 16,48 112,53" ;;
    star)   # internet menu "Recommend"
      echo "fill white stroke none polygon $(star_points 5 64 68 50 21)" ;;
    cube)   # internet menu "Products"
      echo "fill none stroke white stroke-width 8 stroke-linejoin round
            polygon 64,14 106,37 106,89 64,112 22,89 22,37
            polyline 22,37 64,60 106,37
            line 64,60 64,112" ;;
    buoy)   # internet menu "Support"
      echo "fill none stroke white stroke-width 20
            circle 64,64 64,26
            stroke black stroke-width 9
            line 30,30 50,50
            line 98,30 78,50
            line 30,98 50,78
            line 98,98 78,78" ;;
    tag)    # internet menu "Offers"
      echo "fill white stroke none
            path 'M 62,14 L 106,14 Q 114,14 114,22 L 114,66 L 64,116 L 12,64 Z'
            fill black circle 92,36 92,45" ;;
    mail)   # internet menu "Newsletter"
      echo "fill white stroke none roundrectangle 14,28 114,100 9,9
            fill none stroke black stroke-width 7 stroke-linejoin round
            polyline 18,34 64,70 110,34" ;;
    update) # internet menu "Update": a ring of two arrows
      echo "fill none stroke white stroke-width 11
            circle 64,64 64,28
            fill black stroke none
            polygon 64,64 -11,37 18,-2
            polygon 64,64 139,91 110,130
            fill white
            polygon 38,37 44,57 16,47
            polygon 90,91 84,71 112,81" ;;
    close)  # header buttons
      echo "fill none stroke white stroke-width 14 stroke-linecap round
            line 36,36 92,92 line 92,36 36,92" ;;
    minimize)
      echo "fill none stroke white stroke-width 14 stroke-linecap round
            line 34,88 94,88" ;;
    help)
      echo "fill none stroke white stroke-width 14 stroke-linecap round stroke-linejoin round
            path 'M 40,44 A 24,24 0 1 1 72,66 Q 64,70 64,80 L 64,84'
            fill white stroke none circle 64,106 64,115" ;;
    options)
      echo "fill white stroke none polygon $(gear_points 8 64 64 52 38)
            fill black circle 64,64 64,80" ;;
    about)
      echo "fill white stroke none circle 64,30 64,41
            roundrectangle 54,52 74,112 6,6" ;;
    *) echo "unknown glyph $1" >&2; return 1 ;;
  esac
}

# An icon tile: a rounded square filled with a vertical gradient c1 -> c2 and a
# white glyph, drawn four times larger and reduced by area averaging.
# tile <out.png> <size> <c1> <c2> <glyph> [radius in the 128 box]
tile() {
  local out=$1 n=$2 c1=$3 c2=$4 g=$5 rad=${6:-28}
  local m=$((n * 4)) s
  s=$(scale_of "$m")
  png32 "$out" -size ${m}x${m} gradient:"$c1"-"$c2" \
    \( -size ${m}x${m} xc:black -fill white -draw "scale $s,$s roundrectangle 2,2 125,125 $rad,$rad" \) \
    -alpha off -compose CopyOpacity -composite \
    \( -size ${m}x${m} xc:white \) \
    \( -size ${m}x${m} xc:black -draw "scale $s,$s $(glyph "$g")" \) \
    -compose Over -composite \
    -filter Box -resize ${n}x${n}
}

# A glyph alone, in one colour, on a transparent square.
# bare_glyph <out.png> <size> <colour> <glyph>
bare_glyph() {
  local out=$1 n=$2 col=$3 g=$4
  local m=$((n * 4)) s
  s=$(scale_of "$m")
  png32 "$out" -size ${m}x${m} xc:"$col" \
    \( -size ${m}x${m} xc:black -draw "scale $s,$s $(glyph "$g")" \) \
    -alpha off -compose CopyOpacity -composite \
    -filter Box -resize ${n}x${n}
}
