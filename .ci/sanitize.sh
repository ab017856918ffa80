#!/usr/bin/env bash
# Builds library, programs and tests with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test against that build. Any
# sanitizer finding ends the process that meets it, which fails its test.
#   .ci/sanitize.sh             KOLVI_SANITIZE_BUILD picks the build folder
set -euo pipefail
cd "$(dirname "$0")/.."

build=${KOLVI_SANITIZE_BUILD:-build-sanitize}

# Debug: without optimisation the sanitized build takes a quarter of the
# time; the checks of the sanitizers do not depend on it.
cmake -S . -B "$build" -DKOLVI_SANITIZE=ON -DKOLVI_WERROR=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build "$build" -j2
# halt_on_error: a report always ends the process; the programs under test
# inherit these settings from the test runner.
export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=0:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
ctest --test-dir "$build" --output-on-failure -j2
