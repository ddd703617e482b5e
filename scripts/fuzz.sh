#!/usr/bin/env bash
# Fuzzes one target of tests/fuzz for real:
#   scripts/fuzz.sh TARGET SECONDS     (e.g. scripts/fuzz.sh fuzz_ini 600)
#   scripts/fuzz.sh list               the targets
# Builds the target with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/, fuzzes it for SECONDS starting
# from its corpus (tests/fuzz/corpus/TARGET), then merges the inputs that
# reached new code into that corpus (commit them: every test run replays
# them). An input that breaks the target is copied into the corpus as
# crash-* as well, so that the replay fails until the fault is mended; the
# script then fails. The figures (executions, coverage) are printed at the
# end. Installs clang and the libFuzzer runtime when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT="$(pwd)"

if [ "${1:-}" = list ]; then
  sed -n 's/^ssq_add_fuzz(\([a-z0-9_]*\).*/\1/p' tests/fuzz/CMakeLists.txt
  exit 0
fi
[ $# -eq 2 ] || { sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
TARGET="$1"
TIME="$2"
grep -q "^ssq_add_fuzz($TARGET " tests/fuzz/CMakeLists.txt || { echo "fuzz: no target $TARGET (scripts/fuzz.sh list)" >&2; exit 2; }

# The fuzzing tools are not needed to build or test the project, so
# scripts/setup.sh leaves them out.
fuzzer_runtime() { ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null | head -n 1; }
if ! command -v clang++ >/dev/null || [ -z "$(fuzzer_runtime)" ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev
fi
bash scripts/setup.sh >/dev/null

BUILD=build-fuzz
FLAGS="-g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=all"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DSSQ_FUZZ=ON \
  -DSSQ_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="$FLAGS" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$BUILD" --target "$TARGET"

CORPUS="$ROOT/tests/fuzz/corpus/$TARGET"
WORK="$ROOT/$BUILD/work/$TARGET"
FINDINGS="$ROOT/$BUILD/findings/$TARGET"
mkdir -p "$CORPUS" "$WORK" "$FINDINGS"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
set +e
"$BUILD/tests/fuzz/$TARGET" -max_total_time="$TIME" -print_final_stats=1 -rss_limit_mb=4096 \
  -artifact_prefix="$FINDINGS/" "$WORK" "$CORPUS" 2>&1 | tee "$BUILD/$TARGET.log" | grep -v '^#[0-9]*.*\(NEW\|REDUCE\|pulse\)'
status=${PIPESTATUS[0]}
set -e
# Inputs that reached new code join the corpus (only as many as are needed).
"$BUILD/tests/fuzz/$TARGET" -merge=1 "$CORPUS" "$WORK" >/dev/null 2>&1 || true
found=0
for f in "$FINDINGS"/crash-* "$FINDINGS"/leak-* "$FINDINGS"/timeout-* "$FINDINGS"/oom-*; do
  [ -e "$f" ] || continue
  cp "$f" "$CORPUS/"
  echo "fuzz: FINDING $(basename "$f") (copied into $CORPUS)"
  found=1
done
echo "fuzz: $TARGET: $(grep -a -o 'number_of_executed_units: [0-9]*' "$BUILD/$TARGET.log" | tail -n 1), corpus $(ls "$CORPUS" | wc -l) files"
[ "$status" -eq 0 ] && [ "$found" -eq 0 ]
