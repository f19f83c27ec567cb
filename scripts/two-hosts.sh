#!/bin/sh
# Two hosts on one settings store for a minute (TWL_SECONDS, 60 by default): two
# store_stress programs storing memory dots, undo files, cached settings and
# memdot map changes and reading back what either wrote, beside two
# twilightomator programs filtering images (each run reads the cached
# settings and the map and writes the map) in one shared $TMPDIR. Fails on a
# torn or mixed file, a file set aside as damaged, or a failed run. Uses the
# optimised build (build/); TWL_BUILD names another (build-asan, build-tsan).
set -e
cd "$(dirname "$0")/.."
BUILD="${TWL_BUILD:-build}"
SECONDS_TO_RUN="${TWL_SECONDS:-60}"
cmake --build "$BUILD" --target twl_store_stress twilightomator twilightomator_plugin -j"${JOBS:-$(nproc)}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/store"
export TMPDIR="$work/store"
cd "$work"
"$OLDPWD/$BUILD/bin/twilightomator" demo > /dev/null
filter_loop() {
    end=$(( $(date +%s) + SECONDS_TO_RUN ))
    n=0
    while [ "$(date +%s)" -lt "$end" ]; do
        # Every other run repeats the cached settings, as an editor's Repeat does.
        settings=""
        [ $((n % 2)) = 0 ] && settings="--focus $(( (n * 7 + $1) % 101 ))"
        "$OLDPWD/$BUILD/bin/twilightomator" apply twilightomator-sample.png -o "out-$1.png" --force --quiet \
            $settings || { echo "filter run $n of host $1 failed"; return 1; }
        n=$((n + 1))
    done
    echo "host $1: $n filter runs"
}
"$OLDPWD/$BUILD/bin/twl_store_stress" "$SECONDS_TO_RUN" 1 & s1=$!
"$OLDPWD/$BUILD/bin/twl_store_stress" "$SECONDS_TO_RUN" 2 & s2=$!
filter_loop 1 & f1=$!
filter_loop 2 & f2=$!
status=0
for pid in $s1 $s2 $f1 $f2; do wait "$pid" || status=1; done
if ls "$TMPDIR" | grep -q "damaged"; then
    echo "a store file was set aside as damaged"
    status=1
fi
[ "$status" = 0 ] && echo "Two hosts on one store: no fault in ${SECONDS_TO_RUN}s."
exit "$status"
