#!/usr/bin/env bash
# Benchmark of the Internet Cleaner engine, all in one run on one warm
# sandbox, starting from a cleared URL cache:
#  1. Profile cache scan: a Firefox profile on the fixture drive D: whose
#     Cache folder holds 16 x 16 leaf folders of 156 files (1-300 bytes) and
#     the four _CACHE_ files (39,940 files in 273 folders).
#       (B) a plain recursive FindFirstFileW walk summing the find data's sizes,
#       (E) the engine's Firefox scan (three categories, tree filled, as the
#           One-Click-Optimizer runs it), in the same process,
#       (A) GNU find -printf '%p %s' natively.             Goal: E <= 1.5 x B.
#  2. Profile delete of 5,000 checked cache files, against (F) the shell's
#     quiet recycling of 5,000 fresh files one at a time.  Goal: <= 1.1 x F.
#  3. Internet Explorer scan of 2,000 content entries, 200 cookies and 200
#     visits, against (R) the plain FindFirst/FindNextUrlCacheEntryW loops over
#     "", "Cookie:" and "Visited:".                          Goal: <= 1.2 x R.
#  4. Internet Explorer delete of 1,000 content entries, against a plain
#     DeleteUrlCacheEntryW loop over as many fresh entries.  Goal: <= 1.2 x.
# Prints medians and ratios; removes what it planted and tidies the trash.
#   bench/internet_clean.sh [runs]        (default 7)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
source bench/common.sh
qz_bench_prepare bench_internet

root="$QZ_DRIVES/d/qzicbench"
profile='D:\qzicbench\ff'
source tests/support/trash.sh
tidy_trash() { qz_tidy_trash "*/qzicbench/*"; }
exe="$QZ_BUILD/bench_internet.exe"
bench_tidy() {
  tools/wine-run "$exe" ie-clear </dev/null >/dev/null 2>&1 || true
  rm -rf "$root"
  tidy_trash
}

rm -rf "$root"
python3 - "$root/ff/Cache" <<'PY'
import os, sys
root = sys.argv[1]
os.makedirs(root)
for name in ("_CACHE_MAP_", "_CACHE_001_", "_CACHE_002_", "_CACHE_003_"):
    with open(os.path.join(root, name), "wb") as f:
        f.write(b"m" * 4096)
n = 0
for a in range(16):
    for b in range(16):
        d = os.path.join(root, f"{a:X}", f"{b:X}{a:X}")
        os.makedirs(d)
        for i in range(156):
            n += 1
            with open(os.path.join(d, f"{n:05X}d01"), "wb") as f:
                f.write(b"c" * (1 + n * 37 % 300))
PY
echo "Profile cache: $(find "$root/ff/Cache" -type f | wc -l) files in $(find "$root/ff/Cache" -type d | wc -l) folders"

qz_bench_desktop
out="$QZ_SANDBOX/tmp/bench_internet.txt"
: >"$out"
run() { tools/wine-run "$exe" "$@" </dev/null | tr -d '\r'; }

# 1. the profile scan
run profile-scan "$profile" 1 >/dev/null  # warm the caches
run profile-scan "$profile" "$runs" >>"$out"
find "$root/ff/Cache" -printf '%p %s\n' >/dev/null
for ((i = 0; i < runs; i++)); do
  t0=$(date +%s%N)
  find "$root/ff/Cache" -type f -printf '%p %s\n' >/dev/null
  t1=$(date +%s%N)
  echo "find $(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", (b - a) / 1e6 }')" >>"$out"
done

# 2. the profile delete against the shell alone
for ((i = 0; i < runs; i++)); do
  run profile-delete 'D:\qzicbench\del' 5000 >>"$out"
  rm -rf "$root/del"; tidy_trash
  run recycle 'D:\qzicbench\floor' 5000 >>"$out"
  rm -rf "$root/floor"; tidy_trash
done

# 3. and 4. the URL cache
run ie-clear >/dev/null
run ie-plant 2000 200 200 >>"$out"
run ie-scan "$runs" >>"$out"
run ie-delete 1000 "$runs" >>"$out"

python3 - "$out" "$runs" <<'PY'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1]) if l.strip()]
def col(kind, i=1):
    return [float(r[i]) for r in rows if r[0] == kind]
med = lambda v: statistics.median(v) if v else float("nan")
def verdict(ratio, goal):
    return f"goal <= {goal}: {'met' if ratio <= goal else 'MISSED'}"
walk, scan, find = med(col("walk")), med(col("scan")), med(col("find"))
print(f"\nMedians of {sys.argv[2]} runs (milliseconds):")
print(f"1. (B) plain FindFirstFileW walk      {walk:9.1f} ms  {int(col('walk', 2)[-1])} files")
print(f"   (E) engine's Firefox scan          {scan:9.1f} ms  {int(col('scan', 2)[-1])} found")
print(f"   (A) GNU find -printf (native)      {find:9.1f} ms")
print(f"   E / B = {scan / walk:.2f}  ({verdict(scan / walk, 1.5)});  E / A = {scan / find:.2f}")
pd, rc = med(col("pdelete")), med(col("recycle"))
p = [r for r in rows if r[0] == "pdelete"][-1]
print(f"2. profile delete of 5,000 files      {pd:9.1f} ms  {p[2]} deleted, {p[3]} errors")
print(f"   (F) the shell alone, one by one    {rc:9.1f} ms")
print(f"   delete / F = {pd / rc:.2f}  ({verdict(pd / rc, 1.1)})")
pl = [r for r in rows if r[0] == "planted"]
raw, ies = med(col("raw")), med(col("iescan"))
print(f"3. (R) plain URL-cache loops          {raw:9.1f} ms  {int(col('raw', 2)[-1])} entries"
      + (f"  (planting took {float(pl[-1][1]):.0f} ms)" if pl else ""))
print(f"   engine's Internet Explorer scan    {ies:9.1f} ms  {int(col('iescan', 2)[-1])} found")
print(f"   scan / R = {ies / raw:.2f}  ({verdict(ies / raw, 1.2)})")
rd, ied = med(col("rawdel")), med(col("iedelete"))
d = [r for r in rows if r[0] == "iedelete"][-1]
print(f"4. plain DeleteUrlCacheEntryW loop    {rd:9.1f} ms  {int(col('rawdel', 2)[-1])} deleted")
print(f"   engine's delete                    {ied:9.1f} ms  {d[2]} deleted, {d[3]} errors")
print(f"   delete / plain = {ied / rd:.2f}  ({verdict(ied / rd, 1.2)})")
PY
