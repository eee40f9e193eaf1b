#!/usr/bin/env bash
# Host-side fixtures of the end-to-end scenarios: runs
# tests/e2e/<scenario>.fixture.sh create|remove for every scenario that has
# one. ./test.sh runs "create" before the tests and "remove" after them.
set -uo pipefail
here="$(dirname "${BASH_SOURCE[0]}")"
rc=0
for f in "$here"/*.fixture.sh; do
  [ -f "$f" ] || continue
  bash "$f" "${1:-}" || rc=1
done
exit $rc
