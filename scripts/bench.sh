#!/usr/bin/env bash
# Builds (Release) and runs every benchmark program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh Release build
for b in build/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $b"
  "$b" "$@"
done
