#!/usr/bin/env bash
# Result-tree benchmark under Wine: our tree and comctl32's TreeView with the
# same million nodes (10 categories x 100,000 entries of a 32-byte record).
# Our part takes about a minute; the TreeView part about ten (it is slow with
# that many items under Wine); --no-comctl leaves it out. Other arguments:
# --categories N --entries N --reps N --comctl-reps N.
#   export QZ_BUILD=...; bench/vtree.sh [--reps 5]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
source tools/env.sh
tools/build.sh --target bench_vtree
[ -d "$QZ_BUILD/sandbox/prefix" ] || tools/sandbox.sh make test
exec tools/wine-run "$QZ_BUILD/tools/win/bench_vtree/bench_vtree.exe" "$@"
