#!/bin/sh
# Builds Twilightomator twice (optimised, and with AddressSanitizer +
# UndefinedBehaviorSanitizer) and runs every test suite in both builds.
# Exits non-zero when any build step or test fails.
set -e
cd "$(dirname "$0")/.."
JOBS="${JOBS:-$(nproc)}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTWL_BENCH=ON
cmake --build build -j"$JOBS"
ctest --test-dir build --output-on-failure

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTWL_SANITIZE=ON
cmake --build build-asan -j"$JOBS"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure

if [ -x scripts/fuzz-smoke.sh ]; then
    scripts/fuzz-smoke.sh
fi
echo "All tests passed."
