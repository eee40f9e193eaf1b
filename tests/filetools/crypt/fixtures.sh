#!/usr/bin/env bash
# Host-side fixture of the encrypter tests: plain files and the ".crypted"
# files an independent implementation (reference.py: OpenSSL's Blowfish,
# Python's hashlib) makes of them, in C:\qztests\fixtures\crypt\.
# ./test.sh runs "create" before the tests and "remove" after them.
set -euo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
source "$here/../../../tools/env.sh"
root="$WINEPREFIX/drive_c/qztests/fixtures/crypt"

case "${1:-}" in
  create) rm -rf "$root"; python3 "$here/reference.py" "$root" ;;
  remove) rm -rf "$root" ;;
  *) echo "usage: $0 create|remove" >&2; exit 2 ;;
esac
