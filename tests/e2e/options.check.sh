#!/usr/bin/env bash
# Host-side check after the Options scenario: the news library was handed,
# at the start, the product, its version, the live language id (1031), a
# valid main window and the settings key, and its channels were started:
# exactly these calls, in this order.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/env.sh"
log="$WINEPREFIX/drive_c/qztests/e2e/out-options/news.log"
[ -f "$log" ] || { echo "options: the news library wrote no log" >&2; exit 1; }
expected='binet_Init
binet_InfoCheckCreate -> 1
binet_InfoCheckSetProduct 1 "1106"
binet_InfoCheckSetProductVersion 1 "2.00"
binet_InfoCheckSetProductLangLCID 1 1031
binet_InfoCheckSetParentWindow 1 valid
binet_InfoCheckSetRegistryKey 1 HKEY_LOCAL_MACHINE "SOFTWARE\Brinvale\Brinvale Sysvantor Quenzal Suite 2\infochannels"
binet_InfoCheckStartAllAuto 1'
actual=$(tr -d '\r' <"$log")
if [ "$actual" != "$expected" ]; then
  echo "options: the news library's calls differ:" >&2
  diff <(echo "$expected") <(echo "$actual") >&2
  exit 1
fi
echo "options: the news library was handed the start-up sequence (language 1031, a valid main window)"
