#!/usr/bin/env bash
# Benchmark of the folder walk over a generated tree of about 50,000 files:
# FindFilesRecursive against a plain FindFirstFileW walk (both under Wine, in
# the same process and run), and GNU find -printf natively on the same tree.
# Prints the medians and the ratios. Goal: FindFilesRecursive <= 1.3 x the
# plain walk.
#   bench/findfiles.sh [runs]        (default 7)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
source bench/common.sh
qz_bench_prepare bench_walk

base="$WINEPREFIX/drive_c/qzbench"
tree="$base/tree"
bench_tidy() { rm -rf "$base"; }

# 10 x 10 x 10 leaf folders of 50 files each (50,000 files, 1,111 folders),
# names and extensions mixed like a user's disk.
rm -rf "$base"
python3 - "$tree" <<'PY'
import os, sys
root = sys.argv[1]
exts = [".tmp", ".txt", ".dat", ".log", ".bak", ".jpg", ".doc", ".dll"]
for a in range(10):
    for b in range(10):
        for c in range(10):
            d = os.path.join(root, f"dir{a:02d}", f"sub {b:02d}", f"leaf.{c:02d}")
            os.makedirs(d)
            for i in range(50):
                with open(os.path.join(d, f"file{i:03d}_{a}{b}{c}{exts[i % len(exts)]}"), "w") as f:
                    f.write("x")
PY
files=$(find "$tree" -type f | wc -l)
echo "Tree: $files files in $(find "$tree" -type d | wc -l) folders ($tree)"

qz_bench_server
out="$QZ_SANDBOX/tmp/bench_walk.txt"
: >"$out"
for mask in '*.*' '*.tmp'; do
  tools/wine-run "$QZ_BUILD/bench_walk.exe" 'C:\qzbench\tree\' "$mask" "$runs" </dev/null |
    tr -d '\r' | sed "s/^/$mask /" >>"$out"
done

native() { # native MASK: milliseconds of one GNU find over the tree
  local t0 t1
  t0=$(date +%s%N)
  if [ "$1" = '*.*' ]; then
    find "$tree" -type f -printf '%p\n' >/dev/null
  else
    find "$tree" -type f -iname "$1" -printf '%p\n' >/dev/null
  fi
  t1=$(date +%s%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f\n", (b - a) / 1e6 }'
}
for mask in '*.*' '*.tmp'; do
  native "$mask" >/dev/null  # warm
  if [ "$mask" = '*.*' ]; then n=$(find "$tree" -type f | wc -l); else n=$(find "$tree" -type f -iname "$mask" | wc -l); fi
  for ((i = 0; i < runs; i++)); do echo "$mask find-printf $(native "$mask") $n" >>"$out"; done
done

python3 - "$out" "$runs" <<'PY'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1]) if l.strip()]
print(f"\nMedians of {sys.argv[2]} runs (milliseconds):")
for mask in ("*.*", "*.tmp"):
    med, count = {}, {}
    for m, walk, ms, n in rows:
        if m == mask:
            med.setdefault(walk, []).append(float(ms))
            count[walk] = n
    med = {w: statistics.median(v) for w, v in med.items()}
    plain = med["FindFirstFileW"]
    print(f"\nmask {mask}")
    for w in ("FindFilesRecursive", "FindFirstFileW", "FindFirstFileExW-basic", "find-printf"):
        print(f"  {w:24s} {med[w]:9.1f} ms  {count[w]:>6s} files   {med[w] / plain:5.2f} x plain walk")
    ratio = med["FindFilesRecursive"] / plain
    print(f"  FindFilesRecursive / plain FindFirstFileW walk = {ratio:.2f} "
          f"({'within' if ratio <= 1.3 else 'ABOVE'} the goal of 1.3)")
    print(f"  FindFilesRecursive / GNU find -printf          = {med['FindFilesRecursive'] / med['find-printf']:.2f}")
PY
