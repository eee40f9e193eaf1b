#!/usr/bin/env bash
# File-type list benchmark under Wine: the engine's reading of 5,000 synthetic
# types (extension, class with a name, DefaultIcon, open command) into a tree
# model, against a plain loop that opens each needed key once and reads it
# with RegQueryValueExW (14 server calls per type), alternating in one
# process. Prints the medians and the ratio. Goal: engine <= 1.2 x the loop.
#   bench/file_types.sh [types] [runs]        (default 5000 types, 5 runs)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
qz_bench_prepare bench_file_types
qz_bench_server
tools/wine-run "$QZ_BUILD/tools/win/bench_file_types/bench_file_types.exe" "${1:-5000}" "${2:-5}"
