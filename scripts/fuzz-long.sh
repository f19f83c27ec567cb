#!/bin/sh
# Long fuzzing run of one target, resumable: scripts/fuzz-long.sh TARGET SECONDS
# Builds the target (clang, into build-fuzz) and runs it at the lowest
# priority on one job for SECONDS over its working corpus, kept outside the
# repository in $FUZZ_CORPUS_ROOT/TARGET (default /work/fuzz-corpus/TARGET)
# so that the next run starts where this one stopped; the seed corpus
# fuzz/corpus/TARGET is read too. A finding stops the run and is left in
# $FUZZ_CORPUS_ROOT/TARGET-findings/ with libFuzzer's report in the log.
# The run's statistics go to $FUZZ_CORPUS_ROOT/TARGET.log.
set -e
cd "$(dirname "$0")/.."
if [ $# -ne 2 ]; then
    echo "usage: $0 TARGET SECONDS" >&2
    exit 2
fi
target="$1"
seconds="$2"
root="${FUZZ_CORPUS_ROOT:-/work/fuzz-corpus}"
corpus="$root/$target"
findings="$root/$target-findings"
mkdir -p "$corpus" "$findings"

if [ ! -f build-fuzz/CMakeCache.txt ]; then
    cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DTWL_FUZZ=ON -DTWL_TESTS=OFF -DTWL_BENCH=OFF
fi
nice -n 19 cmake --build build-fuzz --target "$target" -j"${JOBS:-1}"

seeds="fuzz/corpus/$target"
[ -d "$seeds" ] || seeds=""
echo "== $target for ${seconds}s; corpus $corpus" >> "$root/$target.log"
status=0
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    nice -n 19 "build-fuzz/bin/$target" -max_total_time="$seconds" -max_len=8192 \
    -rss_limit_mb=2048 -timeout=60 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" $seeds >> "$root/$target.log" 2>&1 || status=$?
tail -n 25 "$root/$target.log"
exit "$status"
