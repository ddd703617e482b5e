#!/usr/bin/env bash
# A long run of the skinned windows under random input
# (tests/skinlib/adapters/WindowsFuzz.cpp), under AddressSanitizer and
# UndefinedBehaviorSanitizer:
#   scripts/fuzz-windows.sh SEEDS EVENTS [--x11 | --window-manager] [--first=N] [--jobs=J]
# runs seeds N (default 1000) to N + SEEDS - 1, EVENTS events each, J at a
# time (default: half the processors), each seed in a process of its own;
# offscreen, or on X servers of their own (xvfb-run, with openbox for
# --window-manager), J of them. Builds build-asan first, configured as
# scripts/sanitize.sh configures it. A failing seed prints its events and
# the line that replays it; the figures (seeds, events, time, failures)
# close each run. Fails when a seed fails.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT="$(pwd)"

[ $# -ge 2 ] || { sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
SEEDS="$1"
EVENTS="$2"
shift 2
FIRST=1000
JOBS=$(( $(nproc) / 2 > 0 ? $(nproc) / 2 : 1 ))
X=""
for arg in "$@"; do
  case "$arg" in
    --x11 | --window-manager) X="$arg" ;;
    --first=*) FIRST="${arg#--first=}" ;;
    --jobs=*) JOBS="${arg#--jobs=}" ;;
    *) echo "fuzz-windows: unknown option $arg" >&2; exit 2 ;;
  esac
done

bash scripts/setup.sh >/dev/null
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -O1 -fno-omit-frame-pointer"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSSQ_WERROR=ON -DSSQ_BUILD_BENCH=OFF "${launcher[@]}" \
  -DCMAKE_CXX_FLAGS="$flags -Wno-maybe-uninitialized -Wno-clobbered" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build build-asan --target skinlib_windows_fuzz

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$ROOT/scripts/sanitize-leaks.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
PROGRAM="$ROOT/build-asan/tests/skinlib/adapters/skinlib_windows_fuzz"
LAST=$((FIRST + SEEDS - 1))
if [ -z "$X" ]; then
  exec "$PROGRAM" --seeds="$FIRST:$LAST" --events="$EVENTS" --jobs="$JOBS"
fi

# On X each job has a server of its own and a share of the seeds.
# (The X keyboard library's names are duplicated bounded: no overflow.)
export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
command -v xvfb-run >/dev/null || { echo "fuzz-windows: xvfb-run is missing" >&2; exit 2; }
share=$(((SEEDS + JOBS - 1) / JOBS))
pids=()
for ((job = 0; job < JOBS; ++job)); do
  from=$((FIRST + job * share))
  to=$((from + share - 1 < LAST ? from + share - 1 : LAST))
  [ "$from" -le "$to" ] || break
  xvfb-run -a -n $((240 + job)) -s "-screen 0 1024x768x24" \
    "$PROGRAM" --seeds="$from:$to" --events="$EVENTS" --jobs=1 "$X" &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
exit $status
