#!/usr/bin/env bash
# Benchmark of the file tools on a 256 MiB random file on the fixture drive
# D: of the test sandbox. Each engine figure and its floor come from the same
# process and run (tools/win/bench_filetools); native anchors are printed
# beside them. Prints medians and ratios against the goals:
#   W1 wipe, method 1            <= 1.1 x one plain 1 MiB pass + flush    (shred -n 1)
#   W3 wipe, method 3            <= 1.2 x three such passes               (shred -n 3)
#   W5 wipe, method 5 (32 MiB)   <= 1.2 x 35 such passes
#   L  a 45,555-file folder listed <= 1.5 x FindFilesRecursive of it
#   S  split into 10 MiB parts   <= 1.2 x a plain 1 MiB copy loop         (split -b 10M)
#   J  join 26 parts, new name   <= 1.2 x the copy loop                   (cat)
#   E  encrypt with verification <= 1.25 x raw encrypt + decrypt + 2 MD5 (openssl enc + md5sum)
#   D  decrypt                   <= 1.4 x raw decrypt + MD5               (openssl enc -d + md5sum)
#   bench/file_tools.sh [runs]        (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
source bench/common.sh
qz_bench_prepare bench_filetools

work="$QZ_DRIVES/d/qzbench-ft"
tree="$QZ_DRIVES/d/qzbench-ft-tree"
bench_tidy() { rm -rf "$work" "$tree"; }
rm -rf "$work" "$tree"
mkdir -p "$work"
head -c $((256 << 20)) /dev/urandom >"$work/data.bin"
head -c $((32 << 20)) /dev/urandom >"$work/small.bin"
python3 bench/make_tree.py "$tree"

qz_bench_desktop
out="$QZ_SANDBOX/tmp/bench_filetools.txt"
: >"$out"
exe="$QZ_BUILD/bench_filetools.exe"
run() { tools/wine-run "$exe" "$@" </dev/null | tr -d '\r' >>"$out"; }
run list 'D:\qzbench-ft-tree' 1 && : >"$out"  # warm the caches
run wipe 'D:\qzbench-ft\data.bin' 1 "$runs"
run wipe 'D:\qzbench-ft\data.bin' 3 "$runs"
run wipe 'D:\qzbench-ft\small.bin' 5 "$runs"
run list 'D:\qzbench-ft-tree' "$runs"
run split 'D:\qzbench-ft\data.bin' "$runs"
run join 'D:\qzbench-ft\data.bin' "$runs"
run crypt 'D:\qzbench-ft\data.bin' "$runs"

# Native anchors on the same file.
native() {
  local name=$1; shift
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1
  t1=$(date +%s%N)
  echo "$name $(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", (b - a) / 1e6 }')" >>"$out"
}
key=$(printf 'test1234' | sha1sum | cut -c1-40)
cp "$work/data.bin" "$work/native.bin"
for ((i = 0; i < runs; i++)); do
  native shred1 shred -n 1 "$work/native.bin"
  native shred3 shred -n 3 "$work/native.bin"
  native splitN split -b 10M "$work/data.bin" "$work/native.part."
  native catN sh -c "cat '$work'/native.part.* >'$work/native.cat'"
  rm -f "$work"/native.part.* "$work/native.cat"
  native opensslE sh -c "openssl enc -bf-cbc -provider legacy -provider default -K $key -iv 0000000000000000 \
      -in '$work/data.bin' -out '$work/native.enc' && md5sum '$work/data.bin'"
  native opensslD sh -c "openssl enc -d -bf-cbc -provider legacy -provider default -K $key -iv 0000000000000000 \
      -in '$work/native.enc' -out '$work/native.dec' && md5sum '$work/native.dec'"
  rm -f "$work/native.enc" "$work/native.dec"
done

python3 - "$out" "$runs" <<'PY'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1]) if l.strip()]
def med(kind):
    v = [float(r[1]) for r in rows if r[0] == kind]
    return statistics.median(v) if v else float("nan")
def count(kind):
    v = [r[2] for r in rows if r[0] == kind and len(r) > 2]
    return v[-1] if v else "-"
print(f"\nMedians of {sys.argv[2]} runs (milliseconds; 256 MiB, W5 on 32 MiB):")
print(f"  {'measure':<36}{'engine':>10}{'floor':>10}{'ratio':>8}{'goal':>7}  native anchor")
table = [
    ("W1 wipe, method 1", "W1", "floorW1", 1.1, "shred1", "shred -n 1"),
    ("W3 wipe, method 3", "W3", "floorW3", 1.2, "shred3", "shred -n 3"),
    ("W5 wipe, method 5 (32 MiB)", "W5", "floorW5", 1.2, None, ""),
    (f"L list a folder ({count('L')} nodes)", "L", "floorL", 1.5, None, ""),
    (f"S split into 10 MiB parts ({count('S')})", "S", "floorS", 1.2, "splitN", "split -b 10M"),
    (f"J join {count('J')} parts to a new name", "J", "floorJ", 1.2, "catN", "cat"),
    ("E encrypt with verification", "E", "floorE", 1.25, "opensslE", "openssl enc + md5sum"),
    ("D decrypt", "D", "floorD", 1.4, "opensslD", "openssl enc -d + md5sum"),
]
for label, eng, flo, goal, nat, natname in table:
    e, f = med(eng), med(flo)
    r = e / f
    anchor = f"{med(nat):9.1f} ms  {natname}" if nat else ""
    print(f"  {label:<36}{e:10.1f}{f:10.1f}{r:8.2f}{'<=' + str(goal):>7}  {'met   ' if r <= goal else 'MISSED'} {anchor}")
PY
