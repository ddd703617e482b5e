#!/usr/bin/env bash
# Installs what is needed, builds (Release) and runs every test; prints
# ctest's summary and fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh Release build
cd build
ctest --output-on-failure -j "$(nproc)" --timeout 600
