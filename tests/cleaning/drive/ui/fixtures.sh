#!/usr/bin/env bash
# Host-side check of the Drive Cleaner window tests and of the end-to-end
# scenario tests/e2e/drive_cleaner.qzs: every file they recycled (listed in
# C:\qztests\expect-trash-dcui.txt) must have its entry in the sandbox's trash.
# ./test.sh runs "create" before the tests and "remove" after them; "remove"
# checks (non-zero exit when a file is missing from the trash), then takes the
# tests' own items (below D:\qzdcui\ and C:\QzJunk\, and the scenario's
# qz-e2e-junk files) out of the trash.
#   tests/cleaning/drive/ui/fixtures.sh create|check|remove
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../../../tools/env.sh"
source "$QZ_ROOT/tests/support/trash.sh"

expect="$WINEPREFIX/drive_c/qztests/expect-trash-dcui.txt"


tidy_trash() {
  qz_tidy_trash '*/dosdevices/d:/qzdcui/*' "${QZ_DRIVES,,}/d/qzdcui/*" '*/qzjunk/*' '*/qz-e2e-junk*'
}

check() { qz_check_expected_trash "$expect" "host-fixture (drive ui)"; }

case "${1:-}" in
  create) rm -f -- "$expect" ;;
  check) check ;;
  remove) rc=0; check || rc=1; tidy_trash; exit $rc ;;
  *) echo "usage: $0 create|check|remove" >&2; exit 2 ;;
esac
