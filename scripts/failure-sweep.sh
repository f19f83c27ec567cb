#!/bin/sh
# The full failure sweeps: every allocation (through the memory services, of
# operator new, of libjpeg) and every file operation of a filter run, a
# layered document export and a gallery page failing in turn (CI runs about
# 16 points of each kind; the preset save and the host's image files are
# always swept whole). Runs in the sanitizer build
# (build-asan), so that LeakSanitizer checks every point for leaks.
set -e
cd "$(dirname "$0")/.."
JOBS="${JOBS:-$(nproc)}"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTWL_SANITIZE=ON
cmake --build build-asan --target test_plugin test_settings twilightomator_plugin twilightomator -j"$JOBS"
TWL_FULL_SWEEP=1 ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -R '^(plugin|settings)$'
echo "Full failure sweep passed."
