#!/usr/bin/env bash
# Installs what is needed, builds the program, starts the local data
# service when it is not running yet and starts the program. On a machine
# without a display the program runs on a virtual X server (Xvfb). When the
# program ends, the data service this command started is stopped again
# (its data stays).
#
# With SSQ_DATA_SERVICE set, the program signs in there and no local data
# service is started. SSQ_DATA_DIR is the local data service's folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Only what the program needs: the program, its upgrade helper and its skin
# (scripts/test.sh builds the tests and benchmarks).
bash scripts/build.sh Release build ssqanalyzer

DATA_DIR="${SSQ_DATA_DIR:-$HOME/.local/share/ssqanalyzer/dataservice}"
started=""
stop_service() {
  if [ -n "$started" ]; then
    echo "run: stopping the data service in $DATA_DIR (its data stays)"
    bash scripts/dataservice.sh stop "$DATA_DIR" || true
    started=""
  fi
}
trap stop_service EXIT
trap 'exit 130' INT TERM

if [ -z "${SSQ_DATA_SERVICE:-}" ]; then
  if bash scripts/dataservice.sh status "$DATA_DIR" >/dev/null; then
    echo "run: the data service in $DATA_DIR runs already"
  else
    echo "run: starting the data service in $DATA_DIR"
    started=1
    bash scripts/dataservice.sh start "$DATA_DIR" >/dev/null
  fi
  # Whatever port it listens on, the program signs in there.
  SSQ_DATA_SERVICE="$(bash scripts/dataservice.sh connection "$DATA_DIR")"
  export SSQ_DATA_SERVICE
  echo "run: sign in as demo, password demo123"
fi

if [ -n "${DISPLAY:-}" ]; then
  build/app/ssqanalyzer "$@"
else
  echo "run: no display here: the program runs headless on a virtual X server (Xvfb);"
  echo "run: nobody can see or use its windows. Ctrl-C ends it."
  xvfb-run -a -s "-screen 0 1280x800x24" build/app/ssqanalyzer "$@"
fi
