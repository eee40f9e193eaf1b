#!/usr/bin/env bash
# Benchmark of the DLL Cleaner engine on a generated tree on the fixture drive
# D: of the test sandbox: 20,000 files in 1,111 folders, 10,000 of them DLLs
# (host-side hard links to the fixture libraries, so nothing is copied). A
# fake Windows\System32 and Windows\SysWOW64 hold 100 reference names; 500
# DLLs of the tree (5 %) share a reference's name, x64 and x86, older, equal
# and newer; the other names occur 1 to 3 times. In one process, alternating:
#   (B) a plain FindFirstFileW walk of the same folders, in one pass,
#   (E) the engine's whole search with the default options and the rows built.
# Prints the medians, E / B, the groups and rows found, and (for information)
# the per-file cost of the engine's version reader against
# GetFileVersionInfoW on 1,000 files. Goal: E <= 1.5 x B.
#   bench/dll_scan.sh [runs]        (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
source bench/common.sh
qz_bench_prepare bench_dll dll_fixtures

tree="$QZ_DRIVES/d/qzdllbench"
bench_tidy() { rm -rf "$tree"; }

rm -rf "$tree"
python3 - "$tree" "$QZ_BUILD/dllfx" <<'PY'
import os, sys
root, fx = sys.argv[1], sys.argv[2]
lib = lambda n: os.path.join(fx, n + ".dll")
def link(src, dst):
    os.makedirs(os.path.dirname(dst), exist_ok=True)
    os.link(src, dst)
def touch(p):
    os.makedirs(os.path.dirname(p), exist_ok=True)
    open(p, "w").close()
# The reference folders: 100 names, each in System32 (x64) and SysWOW64 (x86).
for r in range(100):
    link(lib("qzfx64_2"), os.path.join(root, "Windows", "System32", f"REF{r:03d}.DLL"))
    link(lib("qzfx32_2"), os.path.join(root, "Windows", "SysWOW64", f"REF{r:03d}.DLL"))
# 10 x 10 x 10 leaf folders below three levels (1,110 folders plus the root
# and the Windows folders), files spread evenly: 20,000 files in all with the
# 200 references, half of them DLLs.
folders = []
for a in range(10):
    for b in range(10):
        for c in range(10):
            folders.append(os.path.join(root, f"dir{a:02d}", f"sub {b:02d}", f"leaf.{c:02d}"))
for a in range(10):
    folders.append(os.path.join(root, f"dir{a:02d}"))
    for b in range(10):
        folders.append(os.path.join(root, f"dir{a:02d}", f"sub {b:02d}"))
kinds = ["qzfx64_1", "qzfx64_2", "qzfx64_3", "qzfx32_1", "qzfx32_2"]
dlls, others = 10000 - 200, 10000
for i in range(dlls):
    d = folders[i % len(folders)]
    if i % 19 == 0 and i // 19 < 500:        # 500 copies of reference names
        k = i // 19
        link(lib(kinds[k % len(kinds)]), os.path.join(d, f"REF{k % 100:03d}.DLL"))
    else:                                      # names that occur 1 to 3 times
        link(lib(kinds[i % len(kinds)]), os.path.join(d, f"lib{(i * 7) // 17:05d}.dll"))
exts = [".txt", ".dat", ".exe", ".ini", ".png", ".xml"]
for i in range(others):
    touch(os.path.join(folders[(i * 3) % len(folders)], f"file{i:05d}{exts[i % len(exts)]}"))
PY
echo "Tree: $(find "$tree" -type f | wc -l) files ($(find "$tree" -type f -iname '*.dll' | wc -l) DLLs) in $(find "$tree" -type d | wc -l) folders"

qz_bench_desktop
out="$QZ_SANDBOX/tmp/bench_dll.txt"
: >"$out"
exe="$QZ_BUILD/bench_dll.exe"
tools/wine-run "$exe" scan 'D:\qzdllbench\' 1 </dev/null >/dev/null  # warm the caches
tools/wine-run "$exe" scan 'D:\qzdllbench\' "$runs" </dev/null | tr -d '\r' >>"$out"
tools/wine-run "$exe" versions 'D:\qzdllbench\' 1000 </dev/null | tr -d '\r' >>"$out"

python3 - "$out" "$runs" <<'PY'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1]) if l.strip()]
col = lambda kind, i=1: [float(r[i]) for r in rows if r[0] == kind]
walk, search = statistics.median(col("walk")), statistics.median(col("search"))
s = [r for r in rows if r[0] == "search"][-1]
print(f"\nMedians of {sys.argv[2]} runs (milliseconds):")
print(f"  (B) plain FindFirstFileW walk   {walk:9.1f} ms  {int(col('walk', 2)[-1]):>6d} files")
print(f"  (E) engine search, rows built   {search:9.1f} ms  {int(s[4]):>6d} DLLs seen, {int(s[2])} groups, {int(s[3])} rows")
print(f"      of which the walk           {statistics.median(col('search', 5)):9.1f} ms")
print(f"      the grouped copies read     {statistics.median(col('search', 6)):9.1f} ms")
print(f"  E / B = {search / walk:.2f}  (goal <= 1.5: {'met' if search / walk <= 1.5 else 'MISSED'})")
r, a = col("reader"), col("api")
if r and a:
    print(f"  version of one DLL: own reader {r[-1]:.3f} ms, GetFileVersionInfoW {a[-1]:.3f} ms "
          f"(api / reader = {a[-1] / r[-1]:.1f})")
PY
