#!/usr/bin/env bash
# Host-side fixture of the Windows tools' tests: the fake tool
# (tools/win/fake_tool) in C:\qztests\fake_tool, where the tests start it from.
#   tests/tuning/wintools/fixtures.sh create|check|remove
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../tools/env.sh"

dir="$WINEPREFIX/drive_c/qztests/fake_tool"
case "${1:-}" in
  create)
    mkdir -p "$dir"
    if [ -f "$QZ_BUILD/fake_tool.exe" ]; then cp -f "$QZ_BUILD/fake_tool.exe" "$dir/fake_tool.exe"; fi ;;
  check) ;;
  remove) rm -rf -- "$dir" ;;
  *) echo "usage: $0 create|check|remove" >&2; exit 2 ;;
esac
