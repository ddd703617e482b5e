#!/usr/bin/env bash
# scripts/setup.sh waits while another package manager holds the lock and
# then installs; other failures, and a lock held beyond the wait, end it.
# apt-get, dpkg-query and sudo are stand-ins that log their calls.
#
#   SetupLockTest.sh PROJECT_DIR
set -euo pipefail
SRC="$1"
work="$(mktemp -d /tmp/ssq-setup-lock.XXXXXX)"
trap 'rm -rf "$work"' EXIT
bin="$work/bin"
mkdir -p "$bin"
printf '#!/bin/sh\nexit 1\n' >"$bin/dpkg-query"  # every package missing
printf '#!/bin/sh\nexec "$@"\n' >"$bin/sudo"
# Fails with $APT_ERROR for the first $APT_FAILS calls.
cat >"$bin/apt-get" <<'STUB'
#!/bin/sh
echo "$*" >>"$APT_LOG"
if [ "$(wc -l <"$APT_LOG")" -le "$APT_FAILS" ]; then echo "$APT_ERROR" >&2; exit 100; fi
STUB
chmod +x "$bin"/*

lock='E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4242 (unattended-upgr)'
failed=0
check() {  # name fails error wait expected-rc expected-calls
  local log="$work/$1.log" rc=0
  APT_LOG="$log" APT_FAILS="$2" APT_ERROR="$3" SSQ_APT_LOCK_WAIT="$4" SSQ_APT_LOCK_POLL=1 \
    PATH="$bin:$PATH" bash "$SRC/scripts/setup.sh" >/dev/null 2>"$work/$1.err" || rc=$?
  local calls
  calls="$(wc -l <"$log")"
  if [ "$rc" -ne "$5" ] || [ "$calls" -ne "$6" ]; then
    echo "FAILED $1: exit $rc after $calls calls of apt-get, expected $5 after $6"
    failed=$((failed + 1))
  fi
}
check waits-for-the-lock 2 "$lock" 60 0 4              # update twice refused, then update, install
check other-errors-end-it 1 "E: Unable to locate package x" 60 100 1
check the-wait-is-bounded 99 "$lock" 2 100 3
[ $failed -eq 0 ] || exit 1
echo "3 passed, 0 failed"
