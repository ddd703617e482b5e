#!/usr/bin/env bash
# Configures and builds the project: scripts/build.sh [Release|Debug] [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
TYPE="${1:-Release}"
DIR="${2:-build}"
cmake -S . -B "$DIR" -G Ninja -DCMAKE_BUILD_TYPE="$TYPE" -DSSQ_WERROR=ON >/dev/null
cmake --build "$DIR" -- -k 0
