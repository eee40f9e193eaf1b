#!/usr/bin/env bash
# Benchmark of the Drive Cleaner engine on a generated tree of about 50,000
# files in about 1,000 folders, about 7 % of them matching the default
# file-type groups, on the fixture drive D: of the test sandbox. In one run:
#   (B) a plain recursive FindFirstFileW walk of the drive under Wine,
#   (E) the engine's search of the drive (counting and scanning passes, default
#       groups, as the One-Click-Optimizer runs it), in the same process,
#   (A) GNU find -printf natively over the same folder.
# Also the matcher (a 259-character name against *A*A*A*A*A*B) and the delete
# of 5,000 checked files, beside the shell's own recycling of 5,000 files as
# its floor. Prints medians and ratios. Goals: E <= 2.5 x B, match <= 10 ms,
# delete <= 3 s.
#   bench/drive_scan.sh [runs]        (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
source bench/common.sh
qz_bench_prepare bench_drive

tree="$QZ_DRIVES/d/qzbench"
del='D:\qzbench-del\'
# Removes what the benchmark put in the trash (entries whose original path
# lies in its delete folder) in one pass: one grep over all the entries, one
# rm for them and their files; no process per file.
tidy_trash() {
  local info="$XDG_DATA_HOME/Trash/info" files="$XDG_DATA_HOME/Trash/files"
  [ -d "$info" ] || return 0
  find "$info" -maxdepth 1 -name 'bench*.tmp*.trashinfo' -print0 |
    xargs -0 -r grep -lZ -- '^Path=.*/qzbench-del/' |
    while IFS= read -r -d '' f; do
      b=${f##*/}
      printf '%s\0%s\0' "$f" "$files/${b%.trashinfo}"
    done |
    xargs -0 -r rm -f --
}
bench_tidy() { rm -rf "$tree" "$QZ_DRIVES/d/qzbench-del"; tidy_trash; }

# 10 x 10 x 10 leaf folders (1,111 folders) of 45 files each plus 5 in every
# other folder: 45,555 files; one in 14 carries a junk extension (7.1 %).
rm -rf "$tree"
python3 bench/make_tree.py "$tree"
echo "Tree: $(find "$tree" -type f | wc -l) files in $(find "$tree" -type d | wc -l) folders; drive D: holds $(find "$QZ_DRIVES/d" -type f | wc -l) files"

qz_bench_desktop
out="$QZ_SANDBOX/tmp/bench_drive.txt"
: >"$out"
exe="$QZ_BUILD/bench_drive.exe"
tools/wine-run "$exe" scan D 1 </dev/null >/dev/null  # warm the caches
tools/wine-run "$exe" scan D "$runs" </dev/null | tr -d '\r' >>"$out"
tools/wine-run "$exe" match 21 </dev/null | tr -d '\r' >>"$out"
for ((i = 0; i < 3; i++)); do
  tools/wine-run "$exe" delete "$del" 5000 </dev/null | tr -d '\r' >>"$out"
  tidy_trash
  tools/wine-run "$exe" recycle "$del" 5000 </dev/null | tr -d '\r' >>"$out"
  tidy_trash
done

find "$QZ_DRIVES/d" -printf '%p\n' >/dev/null  # warm
for ((i = 0; i < runs; i++)); do
  t0=$(date +%s%N)
  find "$QZ_DRIVES/d" -type f -printf '%p\n' >/dev/null
  t1=$(date +%s%N)
  echo "find $(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", (b - a) / 1e6 }') $(find "$QZ_DRIVES/d" -type f | wc -l)" >>"$out"
done

python3 - "$out" "$runs" <<'PY'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1]) if l.strip()]
def col(kind, i=1):
    return [float(r[i]) for r in rows if r[0] == kind]
med = lambda v: statistics.median(v) if v else float("nan")
walk, search, find = med(col("walk")), med(col("search")), med(col("find"))
s = [r for r in rows if r[0] == "search"][-1]
print(f"\nMedians of {sys.argv[2]} runs (milliseconds):")
print(f"  (B) plain FindFirstFileW walk     {walk:9.1f} ms  {int(col('walk', 2)[-1]):>6d} files")
print(f"  (E) engine search, both passes    {search:9.1f} ms  {int(s[3]):>6d} examined, {int(s[2])} found, {int(s[4])} folders")
print(f"  (A) GNU find -printf (native)     {find:9.1f} ms  {int(col('find', 2)[-1]):>6d} files")
print(f"  E / B = {search / walk:.2f}  (goal <= 2.5: {'met' if search / walk <= 2.5 else 'MISSED'})")
print(f"  E / A = {search / find:.2f},  B / A = {walk / find:.2f}")
mr = [r for r in rows if r[0] == "match"]
miss = med([float(r[1]) for r in mr if r[2] == "0"])
hit = med([float(r[1]) for r in mr if r[2] == "1"])
worst = max(float(r[1]) for r in mr)
print(f"  matcher, 259 characters vs *A*A*A*A*A*B: {miss:.4f} ms (no match), {hit:.4f} ms (match), "
      f"slowest {worst:.4f} ms (goal <= 10 ms: {'met' if worst <= 10 else 'MISSED'})")
d = [r for r in rows if r[0] == "delete"]
if d:
    dm = med([float(r[1]) for r in d])
    print(f"  delete of 5,000 checked files: {dm:.0f} ms, {d[-1][2]} deleted, {d[-1][3]} errors "
          f"(goal <= 3000 ms: {'met' if dm <= 3000 else 'MISSED'})")
    rc = med(col("recycle"))
    print(f"  the shell alone recycling the same 5,000 files one by one: {rc:.0f} ms "
          f"(delete / shell alone = {dm / rc:.2f})")
PY
