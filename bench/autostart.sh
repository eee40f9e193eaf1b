#!/usr/bin/env bash
# Benchmark of the StartUp-Tuner's reading, on a fixture in the test sandbox:
# 24 keys (HKLM in both views and HKCU; Run, RunOnce, RunServices,
# RunServicesOnce, each with its "not active") of 100 values each, half a
# quoted program alone, half a program with arguments (the programs are 100
# copies of notepad.exe); 400 links copied from one; 200 win.ini keys; 2,000
# uninstall entries (1,000 per view, 4 values each). In one run, with a warm
# Wine server:
#   (A)  plain reading of every place: one key open and a RegEnumValueW loop
#        per key, FindFirstFileW and a fresh shell-link load per link, one
#        section read per win.ini section, one icon per distinct source;
#   (E)  the engine's build of the autostart tree (no window);
#   (UA) plain reading of both uninstall keys (RegEnumKeyExW, one open and two
#        RegQueryValueExW per sub-key) and a CompareStringW sort;
#   (UE) the engine's installed-software list.
# Prints medians and ratios. Goals: E <= 1.3 x A, UE <= 1.3 x UA.
#   bench/autostart.sh [runs]        (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
source bench/common.sh
qz_bench_prepare bench_autostart

exe="$QZ_BUILD/bench_autostart.exe"
bench_tidy() {
  tools/wine-run "$exe" clean </dev/null >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX/drive_c/qzbench"
}

qz_bench_desktop
tools/wine-run "$exe" clean </dev/null >/dev/null
rm -rf "$WINEPREFIX/drive_c/qzbench"
tools/wine-run "$exe" setup </dev/null >/dev/null
out="$QZ_SANDBOX/tmp/bench_autostart.txt"
tools/wine-run "$exe" run 1 </dev/null >/dev/null  # warm the caches
tools/wine-run "$exe" run "$runs" </dev/null | tr -d '\r' >"$out"

python3 - "$out" "$runs" <<'PY'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1]) if l.strip()]
def col(kind, i=1):
    return [float(r[i]) for r in rows if r[0] == kind]
med = lambda v: statistics.median(v) if v else float("nan")
a, e, ua, ue = med(col("A")), med(col("E")), med(col("UA")), med(col("UE"))
last = {r[0]: r for r in rows}
print(f"\nMedians of {sys.argv[2]} runs (milliseconds):")
print(f"  (A)  plain reading of every place      {a:8.1f} ms  {last['A'][2]} entries, {last['A'][3]} icons")
print(f"  (E)  engine's autostart tree            {e:8.1f} ms  {last['E'][2]} entries, {last['E'][3]} icons")
print(f"  (UA) plain uninstall reading and sort   {ua:8.1f} ms  {last['UA'][2]} entries")
print(f"  (UE) engine's installed-software list   {ue:8.1f} ms  {last['UE'][2]} entries")
print(f"  E / A   = {e / a:.2f}  (goal <= 1.3: {'met' if e / a <= 1.3 else 'MISSED'})")
print(f"  UE / UA = {ue / ua:.2f}  (goal <= 1.3: {'met' if ue / ua <= 1.3 else 'MISSED'})")
print(f"  ranges: A {min(col('A')):.0f}-{max(col('A')):.0f}, E {min(col('E')):.0f}-{max(col('E')):.0f}, "
      f"UA {min(col('UA')):.0f}-{max(col('UA')):.0f}, UE {min(col('UE')):.0f}-{max(col('UE')):.0f} ms")
PY
