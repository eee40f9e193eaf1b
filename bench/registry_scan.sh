#!/usr/bin/env bash
# Benchmark of the Registry Cleaner's search on a generated registry of about
# 110,000 keys, in a throw-away sandbox of its own below the build folder (the
# generated keys never touch the test sandbox and never need deleting):
#   - 360 server DLLs and 180 programs in C:\QzBenchReg\ (and the shared
#     DLLs and fonts the values name), 10 % of every kind missing;
#   - 20,000 CLSIDs with InProcServer32 over 400 server paths, every 4th with a
#     DefaultIcon, 5 % of them in the 32-bit store; 10,000 extensions with
#     their classes and shell\open\command over 200 programs; 2,000 type
#     libraries; 2,000 App Paths; 2,000 SharedDLLs values (half of them in
#     the 32-bit store); 500 font values; the seven recently-used lists with
#     26 entries each.
# In one process, alternating, per run:
#   (B) a plain walk of the same locations: every key (RegEnumKeyExW, handles
#       relative to the parent) and every value with its data (RegEnumValueW);
#   (E) the engine's search of all sixteen kinds on drive C, into a tree with
#       no view.
# Prints medians (per kind too), E/B and the findings against the orphans
# generated. Goal: E <= 1.5 x B.
#   bench/registry_scan.sh [runs]        (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
source tools/env.sh
export QZ_SANDBOX="$QZ_BUILD/bench-registry/sandbox"
rm -rf "$QZ_BUILD/bench-registry"
mkdir -p "$QZ_SANDBOX"
source bench/common.sh
qz_bench_prepare bench_registry

reg="$WINEPREFIX/drive_c/qzbench.reg"
expected=$(python3 - "$WINEPREFIX/drive_c" "$reg" <<'PY'
import os, sys
drive_c, out = sys.argv[1], sys.argv[2]
base = os.path.join(drive_c, "QzBenchReg")
B = "C:\\QzBenchReg"
def touch(win):
    p = os.path.join(drive_c, *win[3:].split("\\"))
    os.makedirs(os.path.dirname(p), exist_ok=True)
    open(p, "w").close()
def esc(s): return s.replace("\\", "\\\\").replace('"', '\\"')
lines = ["REGEDIT4", ""]
def sec(k, *vals):
    lines.append("[" + k + "]"); lines.extend(vals); lines.append("")
found = {}
# Servers and programs: every tenth one lies in a missing folder.
servers = [(B + ("\\gone" if k % 10 == 9 else "\\srv") + "\\s%03d.dll" % k) for k in range(400)]
programs = [(B + ("\\gone" if j % 10 == 9 else "\\prog") + "\\p%03d.exe" % j) for j in range(200)]
for s in servers + programs:
    if "\\gone\\" not in s: touch(s)
HKCR, HKLM, HKCU = "HKEY_CLASSES_ROOT", "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"
guid = lambda i: "{7E1B0000-0000-4000-8000-%012X}" % i
for i in range(20000):
    root = HKLM + "\\Software\\Classes\\Wow6432Node\\CLSID" if i % 20 == 0 else HKCR + "\\CLSID"
    k = root + "\\" + guid(i)
    s = servers[i % 400]
    sec(k, '@="Bench server %d"' % i)
    sec(k + "\\InProcServer32", '@="%s"' % esc(s), '"ThreadingModel"="Both"')
    if i % 4 == 0:
        icon = servers[(i // 4) % 400]
        sec(k + "\\DefaultIcon", '@="%s,0"' % esc(icon))
        if "\\gone\\" in icon: found[9] = found.get(9, 0) + 1
    if "\\gone\\" in s: found[2] = found.get(2, 0) + 1
for i in range(10000):
    p = programs[i % 200]
    sec(HKCR + "\\.bx%05d" % i, '@="BenchFile%05d"' % i)
    sec(HKCR + "\\BenchFile%05d" % i, '@="Bench file %d"' % i)
    sec(HKCR + "\\BenchFile%05d\\shell\\open\\command" % i, '@="\\"%s\\" \\"%%1\\""' % esc(p))
    if "\\gone\\" in p: found[1] = found.get(1, 0) + 1
for i in range(2000):
    s = servers[(i * 7) % 400]
    k = HKCR + "\\TypeLib\\" + guid(0x100000 + i)
    sec(k + "\\1.0", '@="Bench library %d"' % i)
    sec(k + "\\1.0\\0\\win32", '@="%s"' % esc(s))
    if "\\gone\\" in s: found[3] = found.get(3, 0) + 1
for i in range(2000):
    p = programs[(i * 3) % 200]
    sec(HKLM + "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\bench%04d.exe" % i, '@="%s"' % esc(p))
    if "\\gone\\" in p: found[8] = found.get(8, 0) + 1
shared = {0: [], 1: []}
for i in range(2000):
    f = B + ("\\shared\\gone" if i % 10 == 9 else "\\shared") + "\\l%04d.dll" % i
    if i % 10 != 9: touch(f)
    else: found[4] = found.get(4, 0) + 1
    shared[i % 2].append('"%s"=dword:00000001' % esc(f))
sec(HKLM + "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", *shared[0])
sec(HKLM + "\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", *shared[1])
fonts = []
for i in range(500):
    f = B + ("\\fonts\\gone" if i % 10 == 9 else "\\fonts") + "\\f%03d.ttf" % i
    if i % 10 != 9: touch(f)
    else: found[5] = found.get(5, 0) + 1
    fonts.append('"Bench font %03d (TrueType)"="%s"' % (i, esc(f)))
sec(HKLM + "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", *fonts)
mru = ["Software\\Microsoft\\Internet Explorer\\Explorer Bars\\{C4EE31F3-4768-11D2-BE5C-00A0C9A83DA1}\\FilesNamedMRU",
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU",
       "SOFTWARE\\Microsoft\\MediaPlayer\\Player\\RecentURLList",
       "Software\\Headlight\\GetRight\\MRU",
       "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List",
       "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Wordpad\\Recent File List",
       "Software\\Nico Mak Computing\\WinZip\\filemenu"]
for n, k in enumerate(mru):
    vals = ['"%s"="C:\\\\Docs\\\\file%02d_%s.txt"' % (chr(97 + j), n, chr(97 + j)) for j in range(25)]
    vals.append('"MRUList"="%s"' % "".join(chr(97 + j) for j in range(25)))
    sec(HKCU + "\\" + k, *vals)
    found[10 + n] = 26
with open(out, "w", encoding="cp1252", newline="\r\n") as f:
    f.write("\n".join(lines) + "\n")
print(" ".join("%d:%d" % (k, v) for k, v in sorted(found.items())))
PY
)
echo "Importing the generated registry (about 110,000 keys)..."
t0=$(date +%s)
wine regedit /s 'C:\qzbench.reg' </dev/null >/dev/null 2>&1
wineserver -w
echo "  imported in $(( $(date +%s) - t0 )) s"
rm -f "$reg"

qz_start_xvfb
qz_bench_server
out="$QZ_SANDBOX/tmp/bench_registry.txt"
: >"$out"
exe="$QZ_BUILD/bench_registry.exe"
tools/wine-run "$exe" 1 </dev/null >/dev/null  # warm the server's caches
tools/wine-run "$exe" "$runs" </dev/null | tr -d '\r' >>"$out"

python3 - "$out" "$runs" "$expected" <<'PY'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1]) if l.strip()]
expected = {int(k): int(v) for k, v in (p.split(":") for p in sys.argv[3].split())}
med = lambda v: statistics.median(v) if v else float("nan")
walk = med([float(r[1]) for r in rows if r[0] == "walk"])
search = med([float(r[1]) for r in rows if r[0] == "search"])
w = [r for r in rows if r[0] == "walk"][-1]
s = [r for r in rows if r[0] == "search"][-1]
print(f"\nMedians of {sys.argv[2]} runs (milliseconds):")
print(f"  (B) plain walk of the locations  {walk:10.1f} ms  {int(w[2]):>7d} keys, {int(w[3])} values")
print(f"  (E) engine, all sixteen kinds    {search:10.1f} ms  {int(s[3]):>7d} examined, {int(s[2])} found, "
      f"{int(s[4])} file tests")
print(f"  E / B = {search / walk:.2f}  (goal <= 1.5: {'met' if search / walk <= 1.5 else 'MISSED'})")
print("  per kind:           ms   found  generated")
names = {1: "file types", 2: "COM / OLE", 3: "ActiveX", 4: "shared DLLs", 5: "fonts", 6: "sounds", 7: "help files",
         8: "app paths", 9: "icons"}
kinds = sorted({int(r[1]) for r in rows if r[0] == "kind"})
total = 0
for k in kinds:
    t = med([float(r[2]) for r in rows if r[0] == "kind" and int(r[1]) == k])
    f = [int(r[3]) for r in rows if r[0] == "kind" and int(r[1]) == k][-1]
    g = expected.get(k, 0)
    total += g
    note = "" if f == g else ("  (the sandbox's own: %+d)" % (f - g))
    print(f"    {k:2d} {names.get(k, 'MRU'):12s} {t:9.1f} {f:7d} {g:10d}{note}")
print(f"  findings {int(s[2])} against {total} generated")
PY
