#!/usr/bin/env bash
# Runs one end-to-end script (tests/e2e/<name>.qzs) with the driver
# (tools/win/qzdriver) against the product installed in the sandbox.
#   tests/e2e/run.sh <name> [driver options...]
# CTest runs it for every script (tests/e2e/e2e.cmake); ./test.sh has built,
# installed and started the display and the Wine server by then. Captures the
# script writes to ${QZ_E2E_OUT} are copied to $QZ_BUILD/e2e/.
# Variables for the scripts: QZ_KEY (the product's settings key), QZ_E2E_OUT
# (a Windows folder for captures), QZ_TESTBIN_WIN (where the helper programs lie).
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/env.sh"
name=${1:?usage: run.sh <script name> [driver options]}
shift
script="$QZ_ROOT/tests/e2e/$name.qzs"
driver="$QZ_BUILD/qzdriver.exe"
[ -f "$script" ] || qz_die "no script $script"
# Not built or not installed: skipped (exit code 77), not failed.
[ -f "$driver" ] || { echo "skipped: the driver is not built (QZ_TARGETS=\"qzdriver bench_shaped qzurlcache\" ./test.sh -R e2e)"; exit 77; }
[ -f "$QZ_PROGDIR/QuenzalSuite2.exe" ] || { echo "skipped: the product is not installed in the sandbox (tools/sandbox.sh install)"; exit 77; }
if [ -f "$QZ_BUILD/QuenzalSuite2.exe" ] && ! cmp -s "$QZ_BUILD/QuenzalSuite2.exe" "$QZ_PROGDIR/QuenzalSuite2.exe"; then
  echo "warning: the installed product differs from the build (tools/sandbox.sh install)" >&2
fi

dir="$WINEPREFIX/drive_c/qztests/e2e"
out="$dir/out-$name"
rm -rf "$out"
mkdir -p "$out" "$QZ_TESTBIN"
cp -f "$script" "$dir/$name.qzs"
# A script's companion files (<name>.plant.reg, <name>.files.cmd ...) lie beside it.
for f in "$QZ_ROOT/tests/e2e/$name".*; do
  case "$f" in "$script"|*.check.sh) ;; *) cp -f "$f" "$dir/" ;; esac
done
# Helper programs the scripts start (the shaped-window floor, registry
# snapshots, the URL-cache tool).
for exe in bench_shaped.exe regsnap.exe qzurlcache.exe; do
  [ -f "$QZ_BUILD/$exe" ] && { rm -f "$QZ_TESTBIN/$exe"; ln "$QZ_BUILD/$exe" "$QZ_TESTBIN/$exe" 2>/dev/null || cp "$QZ_BUILD/$exe" "$QZ_TESTBIN/$exe"; }
done

"$QZ_ROOT/tools/wine-run" "$driver" \
  --define 'QZ_KEY=HKLM\Software\Brinvale\Brinvale Sysvantor Quenzal Suite 2' \
  --define "QZ_E2E_OUT=C:\\qztests\\e2e\\out-$name" \
  --define 'QZ_TESTBIN_WIN=C:\qztests\bin' \
  "$@" "C:\\qztests\\e2e\\$name.qzs" </dev/null
rc=$?
# A script's host-side check (<name>.check.sh) runs after the driver passed.
check="$QZ_ROOT/tests/e2e/$name.check.sh"
if [ $rc = 0 ] && [ -x "$check" ]; then "$check" || rc=1; fi
if compgen -G "$out/*" >/dev/null; then
  mkdir -p "$QZ_BUILD/e2e"
  cp -f "$out"/* "$QZ_BUILD/e2e/"
  echo "captures: $(cd "$out" && ls | sed "s|^|$QZ_BUILD/e2e/|" | tr '\n' ' ')"
fi
exit $rc
