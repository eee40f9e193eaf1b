#!/usr/bin/env bash
# Benchmark of PNG decoding under Wine: the program's pictures (one shared WIC
# factory) against GDI+ as the anchor, in the same process and run, for three
# sizes of skin-like pictures. Prints the medians and the ratios.
#   bench/picture.sh [runs]        (default 7)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
source bench/common.sh
qz_bench_prepare bench_picture

base="$WINEPREFIX/drive_c/qzbench-picture"
bench_tidy() { rm -rf "$base"; }
rm -rf "$base"
mkdir -p "$base"

qz_bench_server
out="$QZ_SANDBOX/tmp/bench_picture.txt"
mkdir -p "$(dirname "$out")"
tools/wine-run "$QZ_BUILD/bench_picture.exe" 'C:\qzbench-picture\' "$runs" </dev/null | tr -d '\r' >"$out"

python3 - "$out" "$runs" <<'PY'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1]) if l.strip()]
med = {}
for size, decoder, ms in rows:
    med.setdefault(size, {}).setdefault(decoder, []).append(float(ms))
print(f"Medians of {sys.argv[2]} runs (milliseconds per load):")
for size, d in med.items():
    wic, gdi = statistics.median(d["wic"]), statistics.median(d["gdiplus"])
    print(f"  PNG {size:8s} WIC {wic:7.3f}   GDI+ {gdi:7.3f}   WIC / GDI+ = {wic / gdi:5.2f}")
PY
