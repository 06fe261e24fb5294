#!/usr/bin/env bash
# The reliability checks CI runs after the default build and tests:
#   1. the whole suite under AddressSanitizer with UndefinedBehaviorSanitizer
#      (halting on the first report; LeakSanitizer checks every test binary);
#   2. the concurrency test under ThreadSanitizer;
#   3. the whole suite built with clang, warnings as errors;
#   4. every libFuzzer target for FUZZ_SECONDS (default 60) each.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

step() { echo; echo "==== $* ($(date -u +%H:%M:%S))"; }

step "AddressSanitizer + UndefinedBehaviorSanitizer: whole suite"
cmake --preset asan >/dev/null
cmake --build --preset asan -j 2
ctest --preset asan -j 2

step "ThreadSanitizer: concurrency test"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j 2 --target concurrency_tests
build/tsan/tests/concurrency_tests

step "clang, warnings as errors: whole suite"
cmake --preset clang >/dev/null
cmake --build --preset clang -j 2
ctest --preset clang -j 2

step "libFuzzer targets, ${FUZZ_SECONDS:-60} s each"
scripts/fuzz.sh "${FUZZ_SECONDS:-60}"
step "reliability checks passed"
