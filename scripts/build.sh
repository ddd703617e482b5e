#!/usr/bin/env bash
# Configures and builds the project:
#   scripts/build.sh [Release|Debug] [build-dir] [target...]
# Without targets everything is built (the program, the tools, every test
# and benchmark); with them only those targets and what they need.
set -euo pipefail
cd "$(dirname "$0")/.."
TYPE="${1:-Release}"
DIR="${2:-build}"
shift $(($# < 2 ? $# : 2))
cmake -S . -B "$DIR" -G Ninja -DCMAKE_BUILD_TYPE="$TYPE" -DSSQ_WERROR=ON >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$DIR" "${targets[@]}" -- -k 0
