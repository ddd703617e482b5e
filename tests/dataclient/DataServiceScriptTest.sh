#!/usr/bin/env bash
# scripts/dataservice.sh on a data service that cannot be set up: the start
# fails, leaves no server running, and a second start fails again rather
# than printing the connection string of a half-seeded service.
#
#   DataServiceScriptTest.sh PROJECT_DIR
set -euo pipefail
SRC="$1"
work="$(mktemp -d /tmp/ssq-ds-script.XXXXXX)"
chmod 755 "$work"  # the cluster's owner keeps its folder in here
proj="$work/proj"
ds="$work/ds"
cleanup() {
  bash "$proj/scripts/dataservice.sh" destroy "$ds" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$proj/data"
cp -r "$SRC/scripts" "$SRC/dataservice" "$proj/"
# The last row breaks the draws table's check, so seeding stops half-way.
{ cat "$SRC/data/ssq-history.csv"; echo "2025075,1,2,3,4,5,6,17"; } >"$proj/data/ssq-history.csv"

fail() { echo "FAILED: $*"; exit 1; }
for attempt in 1 2; do
  if bash "$proj/scripts/dataservice.sh" start "$ds" auto >"$work/out" 2>"$work/err" </dev/null; then
    fail "start $attempt reported success: $(cat "$work/out")"
  fi
  grep -q 'violates check constraint' "$work/err" || fail "start $attempt: $(cat "$work/err")"
  if ps -eo args | grep -F -- "$ds/" | grep -qv grep; then
    fail "start $attempt left a server running"
  fi
done
echo "1 passed, 0 failed"
