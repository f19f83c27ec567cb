#!/bin/sh
# The threaded parts under ThreadSanitizer: the job runner and the kernels
# that run on it, the resampler's and the layered document's band jobs
# (whose writing overlaps the encoding), the filter's passes and exports at
# several thread counts, and the two hosts on one store (scripts/two-hosts.sh)
# with the filtering programs of this build. Builds into build-tsan; fails on
# any data race reported.
set -e
cd "$(dirname "$0")/.."
JOBS="${JOBS:-$(nproc)}"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DTWL_THREAD_SANITIZE=ON
cmake --build build-tsan --target test_kernels test_effect test_export test_plugin twilightomator twilightomator_plugin twl_store_stress -j"$JOBS"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
ctest --test-dir build-tsan --output-on-failure -R '^(kernels|effect|export|plugin)$'
TWL_BUILD=build-tsan TWL_SECONDS="${TWL_SECONDS:-60}" scripts/two-hosts.sh
echo "No data race reported."
