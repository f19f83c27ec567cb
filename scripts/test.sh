#!/bin/sh
# Builds Twilightomator twice (optimised, and with AddressSanitizer +
# UndefinedBehaviorSanitizer) and runs every test suite in both builds, then
# the Windows build under Wine against the Linux one.
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

# The Windows build, run under Wine beside the Linux build, wherever Wine is
# installed or can be (as root) (TWL_WINDOWS=0 skips it).
if [ "${TWL_WINDOWS:-1}" != 0 ]; then
    if command -v wine > /dev/null 2>&1 ||
        { [ "$(id -u)" = 0 ] && apt-cache show wine64 > /dev/null 2>&1; }; then
        JOBS="$JOBS" scripts/build-windows.sh
        TWL_LINUX_BUILD=build scripts/test-windows.sh
    else
        echo "Wine cannot be installed here: the Windows build is not tested."
    fi
fi

if [ -x scripts/fuzz-smoke.sh ]; then
    scripts/fuzz-smoke.sh
fi
echo "All tests passed."
