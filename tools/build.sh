#!/usr/bin/env bash
# Configures (first time) and builds everything into $QZ_BUILD.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
if [ ! -f "$QZ_BUILD/CMakeCache.txt" ]; then
  cmake -S "$QZ_ROOT" -B "$QZ_BUILD" -DCMAKE_TOOLCHAIN_FILE="$QZ_ROOT/cmake/toolchain-mingw64.cmake" >/dev/null
fi
cmake --build "$QZ_BUILD" -j"$(nproc)" "$@"
