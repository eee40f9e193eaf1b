#!/usr/bin/env bash
# Start-up benchmark: from the start of the program to the first paint of its
# main window, with a warm Wine server, median of N runs (default 5).
#   (P) the product (the installed QuenzalSuite2.exe, first-run notice off)
#   (F) the floor: tools/win/bench_shaped, a minimal program that shows one
#       shaped 640 x 480 window cut from the default skin's Background.bmp
# Both are measured the same way in the same run, alternating:
#   outside: the driver (tools/win/qzdriver) starts the program and waits for
#            its visible main window with no paint pending; milliseconds from
#            CreateProcess;
#   trace:   the program's own start-up trace (QZ_TRACE_FILE), the
#            "first-paint" step in milliseconds since the process was created.
# Prints medians and the ratios P / F (goal: <= 2).
#
# Then the same pair in the sandbox a user meets: a run sandbox made as
# ./run.sh makes it (tools/sandbox.sh make run: Wine's managed windows on),
# in four conditions, each measured from the host (the X server's view):
#   warm / cold        the Wine server already runs / nothing of Wine runs,
#                      so the start includes the server and Wine's desktop
#                      (as the first start after the sandbox was made)
#   no WM / openbox    a bare X display / a window manager on it
# Per run: milliseconds from launching wine to the splash (P only, 400 x 300)
# and to the 640 x 480 window being mapped; medians, ratios P / F (goal <= 2)
# and whether the splash came first.
#   bench/startup.sh [runs]
# QZ_BENCH_MAIN overrides how the product's main window is found (driver
# wait-window options; default: the component name of the main window).
# QZ_BENCH_RUN_SANDBOX=0 skips the run-sandbox part.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
source bench/common.sh
qz_bench_prepare QuenzalSuite2 qzdriver bench_shaped
tools/sandbox.sh install

main_window=${QZ_BENCH_MAIN:-'name=TForm_ZAMO2'}
key='HKLM\Software\Brinvale\Brinvale Sysvantor Quenzal Suite 2'
product="$QZ_PROGDIR_WIN\\QuenzalSuite2.exe"
floor='C:\qztests\bin\bench_shaped.exe'
bench_dir="$WINEPREFIX/drive_c/qztests/bench"
rm -rf "$bench_dir"
mkdir -p "$bench_dir" "$QZ_TESTBIN"
rm -f "$QZ_TESTBIN/bench_shaped.exe"; cp "$QZ_BUILD/bench_shaped.exe" "$QZ_TESTBIN/"

qz_bench_desktop

# One driver script: a warm-up start of each, then the runs, alternating.
script="$bench_dir/startup.qzs"
{
  echo "timeout 60"
  echo "wait-mutex-free ZAMO2"
  echo "reg-set \"$key\" FirstRunDone dword 1"
  one() {  # one <kind> <label>
    local kind=$1 label=$2 exe criteria
    if [ "$kind" = P ]; then exe=$product; criteria=$main_window; else exe=$floor; criteria='title="Shaped window floor"'; fi
    echo "setenv QZ_TRACE_FILE C:\\qztests\\bench\\trace-$label.txt"
    echo "program \"$exe\""
    echo "start"
    echo "wait-window w $criteria painted"
    echo "elapsed $label"
    echo "expect-no-box 0"
    echo "close w"
    echo "wait-exit any"
  }
  one F warm-F
  one P warm-P
  for ((i = 1; i <= runs; i++)); do
    one F "F-$i"
    one P "P-$i"
  done
} >"$script"

out="$QZ_SANDBOX/tmp/bench_startup.txt"
tools/wine-run "$QZ_BUILD/qzdriver.exe" -q 'C:\qztests\bench\startup.qzs' </dev/null | tr -d '\r' >"$out"

python3 - "$out" "$bench_dir" "$runs" <<'PY'
import os, statistics, sys
out, bench_dir, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
outside = {}
for line in open(out):
    p = line.split()
    if len(p) == 3 and p[0] == "TIME":
        outside[p[1]] = float(p[2])

def trace(label):
    """The first-paint step of one run: ms since process creation, and the steps."""
    path = os.path.join(bench_dir, f"trace-{label}.txt")
    if not os.path.exists(path):
        return None, []
    steps = []
    for line in open(path, encoding="utf-8", errors="replace"):
        f = line.rstrip("\r\n").split("\t")
        if len(f) == 3:
            steps.append((f[2], float(f[0]), float(f[1])))
    fp = [s for s in steps if s[0] == "first-paint"]
    return (fp[0][1] if fp else None), steps

def med(v):
    v = [x for x in v if x is not None]
    return statistics.median(v) if v else None

def fmt(v):
    return f"{v:8.1f} ms" if v is not None else "     n/a   "

rows = {}
for kind in "FP":
    labels = [f"{kind}-{i}" for i in range(1, runs + 1)]
    o = [outside.get(l) for l in labels]
    t = [trace(l)[0] for l in labels]
    rows[kind] = (med(o), med(t), o, t)

print(f"\nStart-up to the first paint of the main window, median of {runs} runs, warm Wine server:")
names = {"F": "(F) floor: one shaped window", "P": "(P) product"}
for kind in "FP":
    mo, mt, o, t = rows[kind]
    print(f"  {names[kind]:32s} outside {fmt(mo)}   trace {fmt(mt)}")
    print(f"  {'':32s} runs outside: {' '.join(f'{x:.0f}' if x else '-' for x in o)}")
    if any(x is not None for x in t):
        print(f"  {'':32s} runs trace:   {' '.join(f'{x:.0f}' if x else '-' for x in t)}")
for what, i in (("outside", 0), ("trace", 1)):
    f, p = rows["F"][i], rows["P"][i]
    if f and p:
        r = p / f
        print(f"  P / F ({what}) = {r:.2f}  (goal <= 2: {'met' if r <= 2 else 'MISSED'})")
    else:
        print(f"  P / F ({what}) = n/a (no trace from {'the product' if not p else 'the floor'})")

# The steps of each program, median per step (ms since process creation).
for kind, title in (("F", "floor"), ("P", "product")):
    per_step = {}
    for i in range(1, runs + 1):
        for name, proc_ms, _ in trace(f"{kind}-{i}")[1]:
            per_step.setdefault(name, []).append(proc_ms)
    if per_step:
        print(f"  {title} trace steps (median ms since process creation):")
        order = sorted(per_step, key=lambda n: statistics.median(per_step[n]))
        print("   " + ", ".join(f"{n} {statistics.median(per_step[n]):.0f}" for n in order))
PY

# ---- the run sandbox, from the host -------------------------------------------
[ "${QZ_BENCH_RUN_SANDBOX:-1}" = 0 ] && exit 0
wineserver -k >/dev/null 2>&1 || true
qz_stop_xvfb
command -v openbox >/dev/null && command -v xdotool >/dev/null || { echo "openbox and xdotool are needed (tools/deps.sh)"; exit 1; }
run_sandbox="$QZ_BUILD/sandbox-bench-run"
(
  export QZ_SANDBOX="$run_sandbox"
  source tools/env.sh
  tools/sandbox.sh make run >/dev/null
  tools/sandbox.sh install
  mkdir -p "$WINEPREFIX/drive_c/qztests/bin"
  rm -f "$WINEPREFIX/drive_c/qztests/bin/bench_shaped.exe"
  cp "$QZ_BUILD/bench_shaped.exe" "$WINEPREFIX/drive_c/qztests/bin/"
  key='HKLM\Software\Brinvale\Brinvale Sysvantor Quenzal Suite 2'
  wine reg add "$key" /v FirstRunDone /t REG_DWORD /d 1 /f >/dev/null 2>&1
  wineserver -w
  results="$QZ_SANDBOX/tmp/bench_startup_run.txt"
  : >"$results"
  wmpid=
  trap 'wineserver -k >/dev/null 2>&1; [ -n "$wmpid" ] && kill "$wmpid" 2>/dev/null; qz_stop_xvfb' EXIT

  # launch <kind> <label>: starts one program, waits for its windows, ends it.
  launch() {
    local kind=$1 label=$2 exe dir title t0 now el splash= main= w g pid
    if [ "$kind" = P ]; then
      exe="$QZ_PROGDIR_WIN\\QuenzalSuite2.exe"; dir=$QZ_PROGDIR; title='^Brinvale Sysvantor Quenzal Suite 2$'
    else
      exe='C:\qztests\bin\bench_shaped.exe'; dir="$WINEPREFIX/drive_c/qztests/bin"; title='^Shaped window floor$'
    fi
    t0=$(date +%s%N)
    (cd "$dir" && exec wine "$exe" </dev/null >/dev/null 2>&1) &
    pid=$!
    while :; do
      el=$((($(date +%s%N) - t0) / 1000000))
      [ "$el" -gt 60000 ] && break
      for w in $(xdotool search --onlyvisible --name "$title" 2>/dev/null); do
        g=$(xdotool getwindowgeometry --shell "$w" 2>/dev/null | tr '\n' ' ') || g=
        case "$g" in
          *WIDTH=400\ HEIGHT=300*) [ -n "$splash" ] || splash=$el ;;
          *WIDTH=640\ HEIGHT=480*) main=$el ;;
        esac
      done
      [ -n "$main" ] && break
      sleep 0.005
    done
    echo "$label ${splash:--} ${main:--}" >>"$results"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  }

  for wm in nowm openbox; do
    for temp in warm cold; do
      qz_start_xvfb
      wmpid=
      if [ "$wm" = openbox ]; then
        openbox >/dev/null 2>&1 &
        wmpid=$!
        for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.05; done
      fi
      start_server() {
        wineserver -p </dev/null >/dev/null 2>&1
        wine rundll32.exe user32.dll,MessageBeep </dev/null >/dev/null 2>&1
      }
      [ "$temp" = warm ] && start_server
      # A start of each that is not counted (caches of the host and of Wine).
      [ "$temp" = cold ] && wineserver -k >/dev/null 2>&1 && wineserver -w
      launch F "$wm-$temp-F-0"
      [ "$temp" = cold ] && { wineserver -k >/dev/null 2>&1 || true; wineserver -w; }
      launch P "$wm-$temp-P-0"
      for ((i = 1; i <= runs; i++)); do
        for kind in F P; do
          [ "$temp" = cold ] && { wineserver -k >/dev/null 2>&1 || true; wineserver -w; }
          launch "$kind" "$wm-$temp-$kind-$i"
        done
      done
      wineserver -k >/dev/null 2>&1 || true
      wineserver -w 2>/dev/null || true
      [ -n "$wmpid" ] && { kill "$wmpid" 2>/dev/null; wait "$wmpid" 2>/dev/null || true; }
      qz_stop_xvfb
    done
  done

  python3 - "$results" "$runs" <<'PY'
import statistics, sys
path, runs = sys.argv[1], int(sys.argv[2])
rows = {}
for line in open(path):
    p = line.split()
    if len(p) != 3:
        continue
    label, splash, main = p
    wm, temp, kind, i = label.split("-")
    if i == "0":
        continue
    num = lambda v: None if v == "-" else float(v)
    rows.setdefault((wm, temp, kind), []).append((num(splash), num(main)))
def med(v):
    v = [x for x in v if x is not None]
    return statistics.median(v) if v else None
print(f"\nRun sandbox (as ./run.sh makes it), from launch to the window on the X display, median of {runs} runs:")
print(f"  {'condition':18s} {'floor':>9s} {'splash':>9s} {'main':>9s}   main/floor  splash first")
for wm in ("nowm", "openbox"):
    for temp in ("warm", "cold"):
        f = rows.get((wm, temp, "F"), [])
        p = rows.get((wm, temp, "P"), [])
        fm = med([m for _, m in f])
        ps = med([s for s, _ in p])
        pm = med([m for _, m in p])
        first = all(s is not None and m is not None and s < m for s, m in p) if p else False
        ratio = pm / fm if fm and pm else None
        name = f"{'no WM' if wm == 'nowm' else 'openbox'}, {temp}"
        fmt = lambda v: f"{v:7.0f}ms" if v is not None else "      n/a"
        verdict = "n/a" if ratio is None else f"{ratio:5.2f} {'met' if ratio <= 2 else 'MISSED'}"
        print(f"  {name:18s} {fmt(fm)} {fmt(ps)} {fmt(pm)}   {verdict:12s} {'yes' if first else 'NO'}")
        print(f"  {'':18s} runs F: {' '.join(f'{m:.0f}' if m else '-' for _, m in f)}")
        print(f"  {'':18s} runs P: {' '.join((f'{s:.0f}' if s else '-') + '/' + (f'{m:.0f}' if m else '-') for s, m in p)}")
PY
)
