#!/usr/bin/env bash
# Installs what is needed, builds and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh Release build
# The local data service the program signs in to (README: "The data service").
bash scripts/dataservice.sh start "${SSQ_DATA_DIR:-$HOME/.local/share/ssqanalyzer/dataservice}"
# Until the windows exist the program is its engine: run the engine's
# start-up checks.
exec build/tests/engine/engine_tests
