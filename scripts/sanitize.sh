#!/usr/bin/env bash
# Runs the tests under the sanitizers:
#   asan  a Debug build with AddressSanitizer and UndefinedBehaviorSanitizer
#         (no recovery: the first finding fails its test), every test;
#   tsan  a Debug build with ThreadSanitizer, the tests of the threaded code:
#         the shrink filter (shrink_core_tests), the dispatcher
#         (platform_tests), the calls with a deadline (platform_db_tests) and the data client
#         (dataclient_tests, dataservice_tests), the sign-in and password
#         change on their workers (app_login_tests), the upgrade's transfers
#         and worker threads (upgrade_tests, upgrader_tests). The filter's
#         comparisons with its step-by-step reference spend their time in
#         the reference, on one thread, and are left to the ASan pass.
# scripts/sanitize.sh [asan|tsan|all]   (default all); build folders
# build-asan and build-tsan. Fails when a build or a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
ROOT="$(pwd)"
WHAT="${1:-all}"

# -O1 keeps the sanitized tests quick; frames stay for the reports. The
# instrumented code makes g++ see "maybe uninitialized" and "clobbered by
# longjmp" in the standard library's inline code, where the Release build
# sees nothing: those two are no errors here.
configure() {
  local dir="$1" flags="$2 -O1 -fno-omit-frame-pointer"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSSQ_WERROR=ON -DSSQ_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$flags -Wno-maybe-uninitialized -Wno-clobbered" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
}

run_asan() {
  echo "== sanitize: ASan + UBSan, every test"
  configure build-asan "-fsanitize=address,undefined -fno-sanitize-recover=all"
  cmake --build build-asan -- -k 0
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1" \
  LSAN_OPTIONS="suppressions=$ROOT/scripts/sanitize-leaks.supp:print_suppressions=0" \
  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
    ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --timeout 900
}

run_tsan() {
  local programs=(shrink_core_tests platform_tests platform_db_tests dataclient_tests dataservice_tests
    app_login_tests upgrade_tests upgrader_tests)
  echo "== sanitize: TSan, ${programs[*]}"
  configure build-tsan "-fsanitize=thread"
  cmake --build build-tsan --target "${programs[@]}" -- -k 0
  local labels
  labels="^($(IFS='|'; echo "${programs[*]}"))\$"
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$ROOT/scripts/sanitize-threads.supp" \
    ctest --test-dir build-tsan --output-on-failure -j "$(nproc)" --timeout 900 -L "$labels" \
      -E '^(ShrinkEquivalence\.|ShrinkCount\.(Each|Without|Mixed))'

}

case "$WHAT" in
  asan) run_asan ;;
  tsan) run_tsan ;;
  all) run_asan; run_tsan ;;
  *) echo "usage: scripts/sanitize.sh [asan|tsan|all]" >&2; exit 2 ;;
esac
