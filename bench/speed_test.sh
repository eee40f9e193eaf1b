#!/usr/bin/env bash
# Benchmark of the download speed test on loopback: the local test server
# serves 200 MiB cut from one repeated pattern block. In one run, with a warm
# Wine server:
#   (C)  curl, natively, to a file;
#   (A)  a plain WinINet loop with 64 KiB reads into a file, under Wine
#        (tools/win/bench_http plain);
#   (E)  the speed test engine, address file then test file, with its GUI
#        thread pumping (tools/win/bench_http engine); timed from the test
#        file's request to its end.
# Prints medians and ratios. Goals: E >= 0.8 x A in bytes per second; the rate
# E reports within +-5 % of the bytes over the elapsed time measured here;
# the GUI thread's CPU time at most 10 % of the elapsed time.
#   bench/speed_test.sh [runs]        (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
size=$((200 * 1024 * 1024))
source bench/common.sh
qz_bench_prepare bench_http

exe="$QZ_BUILD/bench_http.exe"
work="$WINEPREFIX/drive_c/qzbench/it"
source tests/support/http_server.sh
bench_tidy() {
  qz_stop_http_server
  rm -rf "$work" "$QZ_SANDBOX/tmp/bench_curl.bin"
}

qz_start_http_server
port=$(tr -d '\r\n ' <"$QZ_HTTP_PORTFILE")
url="http://127.0.0.1:$port/speedtest/file.bin?size=$size"
mkdir -p "$work/temp"
printf '[ITTest]\r\nfile=http://127.0.0.1:%s/speedtest/address.txt?target=/speedtest/file.bin%%3Fsize%%3D%s\r\n' \
  "$port" "$size" >"$work/project.ini"

qz_bench_desktop
out="$QZ_SANDBOX/tmp/bench_speed_test.txt"
: >"$out"
one_round() {
  printf 'C %s %s\n' "$(curl -s -o "$QZ_SANDBOX/tmp/bench_curl.bin" -w '%{time_total}' "$url" | awk '{print $1 * 1000}')" \
    "$(stat -c %s "$QZ_SANDBOX/tmp/bench_curl.bin")"
  tools/wine-run "$exe" plain "$url" 'C:\qzbench\it\plain.bin' </dev/null | tr -d '\r'
  tools/wine-run "$exe" engine 'C:\qzbench\it\project.ini' 'C:\qzbench\it\temp' </dev/null | tr -d '\r'
}
one_round >/dev/null  # warm the caches
for _ in $(seq "$runs"); do one_round >>"$out"; done

python3 - "$out" "$runs" "$size" <<'PY'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1]) if l.strip()]
size = int(sys.argv[3])
def col(kind, i=1):
    return [float(r[i]) for r in rows if r[0] == kind]
med = statistics.median
c, a, e = med(col("C")), med(col("A")), med(col("E"))
for kind in "CAE":
    if any(int(float(b)) != size for b in col(kind, 2)):
        sys.exit(f"({kind}) did not receive all {size} bytes")
mib = size / 1048576
def rate(ms):
    return mib / (ms / 1000)
# Per run: the rate E reports against bytes over the elapsed time measured here,
# and the GUI thread's CPU share.
erows = [r for r in rows if r[0] == "E"]
dev = [abs(float(r[3]) - float(r[2]) / (float(r[1]) / 1000) / 1024) / (float(r[2]) / (float(r[1]) / 1000) / 1024) * 100
       for r in erows]
cpu = [float(r[4]) / float(r[1]) * 100 for r in erows]
print(f"\nMedians of {sys.argv[2]} runs, {mib:.0f} MiB on loopback:")
print(f"  (C) curl, natively            {c:8.1f} ms  {rate(c):7.1f} MiB/s")
print(f"  (A) plain WinINet, 64 KiB     {a:8.1f} ms  {rate(a):7.1f} MiB/s")
print(f"  (E) speed test engine         {e:8.1f} ms  {rate(e):7.1f} MiB/s")
print(f"  E / A in bytes per second = {a / e:.2f}  (goal >= 0.8: {'met' if a / e >= 0.8 else 'MISSED'})")
print(f"  reported rate off by at most {max(dev):.2f} %  (goal <= 5 %: {'met' if max(dev) <= 5 else 'MISSED'})")
print(f"  GUI thread CPU at most {max(cpu):.1f} % of the elapsed time  (goal <= 10 %: {'met' if max(cpu) <= 10 else 'MISSED'})")
print(f"  ranges: C {min(col('C')):.0f}-{max(col('C')):.0f}, A {min(col('A')):.0f}-{max(col('A')):.0f}, "
      f"E {min(col('E')):.0f}-{max(col('E')):.0f} ms")
PY
