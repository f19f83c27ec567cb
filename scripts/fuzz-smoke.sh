#!/bin/sh
# Builds the libFuzzer targets with clang into build-fuzz and runs each for a
# few seconds (FUZZ_SECONDS, 10 by default) over its seed corpus. New inputs
# go to fuzz/corpus-work/<target>/; a crash stops the script with its input.
# Long, resumable runs of one target: scripts/fuzz-long.sh.
set -e
cd "$(dirname "$0")/.."
JOBS="${JOBS:-$(nproc)}"
SECONDS_PER_TARGET="${FUZZ_SECONDS:-10}"
TARGETS="fuzz_preset_reader fuzz_preset_thumbnail fuzz_stored_picture fuzz_host_parsers fuzz_png_file fuzz_tiff_file fuzz_jpeg_file fuzz_hostile_host fuzz_gallery_names fuzz_store_files fuzz_psd_writer fuzz_action_files"

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DTWL_FUZZ=ON -DTWL_TESTS=OFF -DTWL_BENCH=OFF
for target in $TARGETS; do
    cmake --build build-fuzz --target "$target" -j"$JOBS"
done

for target in $TARGETS; do
    work="fuzz/corpus-work/$target"
    mkdir -p "$work"
    echo "== $target: ${SECONDS_PER_TARGET}s"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "build-fuzz/bin/$target" -max_total_time="$SECONDS_PER_TARGET" -max_len=131072 \
        -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/" "$work" "fuzz/corpus/$target"
done
echo "Fuzz smoke run passed."
