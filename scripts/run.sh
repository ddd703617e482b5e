#!/usr/bin/env bash
# Installs what is needed, builds and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh Release build
# Until the windows exist the program is its engine: run the engine's
# start-up checks.
exec build/tests/engine/engine_tests
