#!/usr/bin/env bash
# scripts/dataservice.sh keeps the cluster inside the folder it is given,
# where a reboot keeps it: also below a folder closed to others (run as
# root, the cluster's owner postgres is let through) and on a path too long
# for a socket address. A cluster that an older version left under /tmp
# moves in, data and all. Its status says whether it runs, and on which
# port, in words and in its exit status.
#
#   DataServicePlaceTest.sh PROJECT_DIR
set -euo pipefail
SRC="$1"
DS="$SRC/scripts/dataservice.sh"
work="$(mktemp -d /tmp/ssq-ds-place.XXXXXX)"  # mode 700: closed to others
ds="$work/home-with-a-long-name-$(printf 'x%.0s' {1..40})/share/ssqanalyzer/dataservice"
old=""
cleanup() {
  bash "$DS" destroy "$ds" >/dev/null 2>&1 || true
  [ -n "$old" ] && rm -rf "$old"
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }
sql() { bash "$DS" psql "$ds" -tAc "$1"; }
# status_is EXIT TEXT: what status prints and its exit status.
status_is() {
  local out rc=0
  out="$(bash "$DS" status "$ds" 2>&1)" || rc=$?
  [ "$rc" = "$1" ] && [ "$out" = "$2" ] || fail "status printed '$out' and gave $rc, not '$2' and $1"
}

status_is 1 "no data service in $ds"

bash "$DS" start "$ds" auto >/dev/null || fail "start"
[ "$(cat "$ds/cluster")" = "$ds/pgdata" ] || fail "the cluster lives in $(cat "$ds/cluster")"
sql "INSERT INTO users VALUES ('kept', md5('x'))" >/dev/null
port="$(sed -n 's/.*;Port=\([0-9]*\);.*/\1/p' "$ds/connection")"
status_is 0 "the data service in $ds runs on port $port"

# As a reboot leaves it: stopped, the short-lived socket folder gone.
sockets="$(sed -n "s/^unix_socket_directories = '\(.*\)'.*/\1/p" "$ds/pgdata/postgresql.conf" | tail -n 1)"
bash "$DS" stop "$ds"
status_is 1 "the data service in $ds does not run"
# A pid file a crashed server left behind: pg_ctl status's answer, 3.
sleep 0 &
dead=$!
wait
printf '%s\n' "$dead" "$ds/pgdata" >"$ds/pgdata/postmaster.pid"
status_is 3 "the data service in $ds does not run"
rm "$ds/pgdata/postmaster.pid"
[ "$sockets" != "$ds/pgdata" ] && rm -rf "$sockets"
bash "$DS" start "$ds" auto >/dev/null || fail "start after the reboot"
[ "$(sql "SELECT count(*) FROM users WHERE user_name = 'kept'")" = 1 ] || fail "the data was lost"

# An older run's cluster under /tmp.
bash "$DS" stop "$ds"
old="$(mktemp -d /tmp/ssq-dataservice.XXXXXX)"
rmdir "$old"
mv "$ds/pgdata" "$old"
echo "$old" >"$ds/cluster"
bash "$DS" start "$ds" auto >/dev/null || fail "start of the moved cluster"
[ "$(cat "$ds/cluster")" = "$ds/pgdata" ] && [ ! -e "$old" ] || fail "the cluster stays in $(cat "$ds/cluster")"
[ "$(sql "SELECT count(*) FROM users WHERE user_name = 'kept'")" = 1 ] || fail "the data was lost in the move"
echo "1 passed, 0 failed"
