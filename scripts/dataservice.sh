#!/usr/bin/env bash
# The local draw data service: a private PostgreSQL cluster holding the real
# draw history, a demo user and the procedures the program calls.
#
#   scripts/dataservice.sh start DIR [PORT|auto] [--fresh]
#       Starts the service kept in DIR (creating and seeding it the first
#       time) and prints the ODBC connection string. PORT defaults to 55432,
#       the port of the program's built-in connection string; "auto" takes a
#       free one. --fresh throws away what DIR held and seeds anew. The server
#       listens on 127.0.0.1 and on a socket inside its own folder only.
#   scripts/dataservice.sh stop DIR      stops it; nothing keeps running.
#   scripts/dataservice.sh destroy DIR   stops it and removes its data.
#   scripts/dataservice.sh connection DIR   prints the connection string.
#   scripts/dataservice.sh status DIR
#       Prints whether the service kept in DIR runs, and on which port;
#       succeeds only while it runs.
#   scripts/dataservice.sh psql DIR [ARGS...]
#       psql as the cluster's superuser on the database "ssq" (maintenance).
#
# Run as root, the cluster belongs to the user postgres (initdb and pg_ctl
# refuse root); run as anyone else, it belongs to that user.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
DEFAULT_PORT=55432
DB=ssq
CLIENT_ROLE=ssq_client
CLIENT_PWD='ssq-demo-client'
DEMO_USER=demo
DEMO_PWD=demo123

die() { echo "dataservice: $*" >&2; exit 1; }

# The opening comment, up to the first line of code.
usage() {
  sed -n '2,/^[^#]/{/^#/s/^# \{0,1\}//p}' "$0" >&2
  exit 2
}

PGBIN="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)"
[ -n "$PGBIN" ] && [ -x "$PGBIN/initdb" ] || PGBIN="$(dirname "$(command -v initdb 2>/dev/null || echo /none/initdb)")"

is_root() { [ "$(id -u)" -eq 0 ]; }

# Runs a command as the owner of the cluster.
as_owner() {
  if is_root; then runuser -u postgres -- "$@"; else "$@"; fi
}

require_server() {
  [ -x "$PGBIN/initdb" ] && [ -x "$PGBIN/pg_ctl" ] \
    || die "PostgreSQL server programs not found; run scripts/setup.sh (package postgresql)"
  is_root && ! id postgres >/dev/null 2>&1 && die "user postgres missing; run scripts/setup.sh"
  return 0
}

# The ODBC driver: by its registered name when the driver package registered
# it, else by the path of its library.
odbc_driver() {
  if grep -qs '^\[PostgreSQL Unicode\]' /etc/odbcinst.ini; then
    echo '{PostgreSQL Unicode}'
    return
  fi
  local lib
  lib="$(ls /usr/lib/*/odbc/psqlodbcw.so 2>/dev/null | head -n 1 || true)"
  [ -n "$lib" ] || die "the PostgreSQL ODBC driver is missing; run scripts/setup.sh (package odbc-postgresql)"
  echo "$lib"
}

port_in_use() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

free_port() {
  local p i
  for i in $(seq 1 200); do
    p=$(( 20000 + (RANDOM * 32768 + RANDOM) % 40000 ))
    port_in_use "$p" || { echo "$p"; return; }
  done
  die "no free port found"
}

# Run as root, the cluster's owner postgres must pass every folder above
# DIR (a home folder is closed to others): each one it cannot pass gets an
# access entry for that user alone, to pass through, not to list or write.
let_owner_pass() {
  local d="" part
  is_root || return 0
  IFS=/ read -ra parts <<<"${1#/}"
  for part in "${parts[@]}"; do
    d="$d/$part"
    runuser -u postgres -- test -x "$d" 2>/dev/null && continue
    setfacl -m u:postgres:x "$d" 2>/dev/null || return 1
  done
}

# A new folder for the cluster that its owner can write: DIR/pgdata, so
# that it lives where the user asked and survives a reboot. Where the
# owner cannot be let in (no access entries on that file system), a
# folder of its own under /var/lib, kept as well.
new_cluster_dir() {
  local dir="$1" c="$1/pgdata"
  mkdir -p "$c"
  chmod 700 "$c"
  is_root && chown postgres: "$c"
  if let_owner_pass "$dir" && as_owner test -w "$c" 2>/dev/null; then
    echo "$c"
    return
  fi
  rmdir "$c"
  c="/var/lib/ssqanalyzer/dataservice-$(printf '%s' "$dir" | cksum | cut -d' ' -f1)"
  mkdir -p "$c"
  chmod 700 "$c"
  is_root && chown postgres: "$c"
  echo "dataservice: user postgres cannot reach $dir; the data lives in $c" >&2
  echo "$c"
}

# The folder of the server's socket: the cluster's own when its path is
# short enough for a socket address, else a short one made at each start.
socket_dir() {
  local c="$1" s
  if [ ${#c} -lt 80 ]; then
    echo "$c"
    return
  fi
  s="/tmp/ssq-ds-$(id -u)-$(printf '%s' "$c" | cksum | cut -d' ' -f1)"
  mkdir -p "$s"
  chmod 700 "$s"
  is_root && chown postgres: "$s"
  echo "$s"
}

configured_socket_dir() { sed -n "s/^unix_socket_directories = '\(.*\)'.*/\1/p" "$1/postgresql.conf" | tail -n 1; }

cluster_of() { [ -f "$1/cluster" ] && cat "$1/cluster" || true; }

running() { [ -n "$1" ] && [ -f "$1/postmaster.pid" ] && as_owner "$PGBIN/pg_ctl" status -D "$1" >/dev/null 2>&1; }

configured_port() { sed -n "s/^port = \([0-9]*\).*/\1/p" "$1/postgresql.conf" | tail -n 1; }

superuser_psql() {
  local c="$1" port="$2"
  shift 2
  psql -X -q -v ON_ERROR_STOP=1 -h "$(configured_socket_dir "$c")" -p "$port" -U postgres "$@"
}

connection_string() {
  echo "Driver=$(odbc_driver);Servername=127.0.0.1;Port=$1;Database=$DB;Uid=$CLIENT_ROLE;Pwd=$CLIENT_PWD;"
}

# Starts the cluster on the given port ("auto": a free one), retrying another
# free port when "auto" loses a race for it.
start_cluster() {
  local c="$1" want="$2" port tries=0 sockets
  sockets="$(socket_dir "$c")"
  while :; do
    if [ "$want" = auto ]; then port="$(free_port)"; else port="$want"; fi
    port_in_use "$port" && die "port $port is in use; give another port (or auto) and point the program at the printed connection string"
    cat >>"$c/postgresql.conf" <<EOF
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$sockets'
unix_socket_permissions = 0700
EOF
    if as_owner "$PGBIN/pg_ctl" start -w -t 60 -D "$c" -l "$c/server.log" >/dev/null; then
      echo "$port"
      return
    fi
    tries=$((tries + 1))
    [ "$want" = auto ] && [ $tries -lt 5 ] || { tail -n 20 "$c/server.log" >&2 || true; die "the server did not start"; }
  done
}

seed() {
  local c="$1" port="$2"
  superuser_psql "$c" "$port" -d postgres \
    -c "CREATE ROLE $CLIENT_ROLE LOGIN PASSWORD '$CLIENT_PWD'" \
    -c "CREATE DATABASE $DB"
  superuser_psql "$c" "$port" -d "$DB" -f "$ROOT/dataservice/schema.sql"
  superuser_psql "$c" "$port" -d "$DB" -f "$ROOT/dataservice/rsa_keys.sql"
  superuser_psql "$c" "$port" -d "$DB" \
    -c "\\copy draws(date_no, r1, r2, r3, r4, r5, r6, b1) FROM STDIN WITH (FORMAT csv, HEADER true)" \
    <"$ROOT/data/ssq-history.csv"
  superuser_psql "$c" "$port" -d "$DB" \
    -c "INSERT INTO users(user_name, pwd_digest) VALUES ('$DEMO_USER', md5('$DEMO_PWD'))"
}

cmd_start() {
  local dir="$1" want="${2:-$DEFAULT_PORT}" fresh="${3:-}"
  require_server
  [ "$fresh" = --fresh ] && cmd_destroy "$dir"
  dir="$(realpath -m "$dir")"
  mkdir -p "$dir"
  local c port
  c="$(cluster_of "$dir")"
  # Earlier versions of this script could put the cluster under /tmp,
  # where a reboot loses it: it moves into DIR.
  if [[ "$c" == /tmp/ssq-dataservice.* ]] && [ -f "$c/PG_VERSION" ]; then
    cmd_stop "$dir"
    local moved
    moved="$(new_cluster_dir "$dir")"
    rmdir "$moved"
    mv "$c" "$moved"
    c="$moved"
    echo "$c" >"$dir/cluster"
  fi
  if [ -n "$c" ] && [ -f "$c/PG_VERSION" ]; then
    if running "$c"; then
      port="$(configured_port "$c")"
    else
      port="$(start_cluster "$c" "$want")"
    fi
  else
    [ "$want" != auto ] && port_in_use "$want" \
      && die "port $want is in use; give another port (or auto) and point the program at the printed connection string"
    c="$(new_cluster_dir "$dir")"
    echo "$c" >"$dir/cluster"
    # A half-made cluster is removed again, so nothing is left running and
    # the next start does not take it for a working one. On EXIT, as a
    # failure inside a function does not run an ERR trap.
    trap "cmd_destroy $(printf '%q' "$dir") >/dev/null 2>&1 || true" EXIT
    as_owner "$PGBIN/initdb" -D "$c" -U postgres -E UTF8 --locale=C.UTF-8 \
      --auth-local=trust --auth-host=scram-sha-256 --no-sync >"$dir/initdb.log" 2>&1 \
      || { cat "$dir/initdb.log" >&2; false; }
    port="$(start_cluster "$c" "$want")"
    seed "$c" "$port"
    trap - EXIT
  fi
  connection_string "$port" >"$dir/connection"
  cat "$dir/connection"
}

cmd_stop() {
  local c
  c="$(cluster_of "$1")"
  [ -n "$c" ] && [ -f "$c/postmaster.pid" ] || return 0
  as_owner "$PGBIN/pg_ctl" stop -w -t 60 -m fast -D "$c" >/dev/null 2>&1 \
    || as_owner "$PGBIN/pg_ctl" stop -w -t 30 -m immediate -D "$c" >/dev/null 2>&1 || true
  ! running "$c" || die "the server in $c did not stop"
}

cmd_destroy() {
  local dir="$1" c
  [ -d "$dir" ] || return 0
  cmd_stop "$dir"
  c="$(cluster_of "$dir")"
  if [ -n "$c" ]; then
    local sockets
    sockets="$( [ -f "$c/postgresql.conf" ] && configured_socket_dir "$c" || true)"
    [[ "$sockets" == /tmp/ssq-ds-* ]] && rm -rf "$sockets"
    rm -rf "$c"
  fi
  rm -f "$dir/cluster" "$dir/connection" "$dir/initdb.log"
}

# The exit status is that of the check whether it runs: 0 while it runs,
# else 1, or pg_ctl status's when a server left its pid file behind.
cmd_status() {
  local dir="$1" c rc=0
  c="$(cluster_of "$dir")"
  running "$c" || rc=$?
  if [ $rc -eq 0 ]; then
    echo "the data service in $dir runs on port $(configured_port "$c")"
  elif [ -n "$c" ] && [ -f "$c/PG_VERSION" ]; then
    echo "the data service in $dir does not run"
  else
    echo "no data service in $dir"
  fi
  return $rc
}

cmd_psql() {
  local dir="$1" c
  shift
  c="$(cluster_of "$dir")"
  running "$c" || die "no data service running in $dir"
  superuser_psql "$c" "$(configured_port "$c")" -d "$DB" "$@"
}

[ $# -ge 2 ] || usage
cmd="$1"
dir="$2"
shift 2
case "$cmd" in
  start)
    port="$DEFAULT_PORT"
    fresh=""
    for a in "$@"; do
      case "$a" in
        --fresh) fresh=--fresh ;;
        auto | [0-9]*) port="$a" ;;
        *) usage ;;
      esac
    done
    cmd_start "$dir" "$port" "$fresh"
    ;;
  stop) cmd_stop "$dir" ;;
  destroy) cmd_destroy "$dir" ;;
  connection) [ -f "$dir/connection" ] && cat "$dir/connection" || die "no data service in $dir" ;;
  status) cmd_status "$dir" ;;
  psql) cmd_psql "$dir" "$@" ;;
  *) usage ;;
esac
