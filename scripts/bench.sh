#!/usr/bin/env bash
# Builds (Release) and runs every benchmark program; the arguments go to
# each program (e.g. --benchmark_filter=..., --benchmark_min_time=0.01).
# A benchmark that skips with an error measured nothing (its scene no
# longer holds, a service is missing): the run goes on through every
# program, then names each such benchmark, and each program that failed,
# and exits 1. The figures of each program stay in
# build/bench-results/<program>.json.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh Release build
results=build/bench-results
mkdir -p "$results"
failures=()
for b in build/bench/bench_*; do
  [ -x "$b" ] || continue
  name="$(basename "$b")"
  json="$results/$name.json"
  rm -f "$json"
  echo "== $b"
  # Our output file comes last, so that it is the one the program writes.
  status=0
  "$b" "$@" --benchmark_out="$json" --benchmark_out_format=json || status=$?
  if [ "$status" -ne 0 ]; then
    failures+=("$name: the program exited with status $status")
    continue
  fi
  # A program that ran no benchmark (a filter that matches none, a listing)
  # leaves the file empty: nothing failed.
  [ -s "$json" ] || continue
  if ! report="$(python3 - "$json" <<'EOF'
import json, sys

with open(sys.argv[1], encoding="utf-8") as f:
    runs = json.load(f).get("benchmarks", [])
seen = set()
for run in runs:
    if run.get("error_occurred") or run.get("skipped"):
        line = f"{run.get('name', '?')}: {run.get('error_message') or run.get('skip_message') or 'skipped'}"
        if line not in seen:
            seen.add(line)
            print(line)
EOF
  )"; then
    failures+=("$name: its results in $json cannot be read")
    continue
  fi
  [ -n "$report" ] || continue
  while IFS= read -r line; do failures+=("$name: $line"); done <<<"$report"
done
if [ "${#failures[@]}" -gt 0 ]; then
  echo
  echo "== ${#failures[@]} benchmark(s) or program(s) failed:"
  printf '  %s\n' "${failures[@]}"
  exit 1
fi
