#!/usr/bin/env bash
# Builds the table store's fuzz targets with clang's libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, in a build folder of their own that holds only the store and the
# targets (default build-fuzz), and runs each target for FUZZ_SECONDS (default 60) from the
# seed corpus in fuzz/corpus/. Prints the executions each target reached; exits non-zero when
# a target finds a fault (the input is kept in the build folder's findings/).
# Usage: scripts/fuzz.sh [TARGET...]    (targets: open_file filter; default both)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(open_file filter)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# -O1 with line tables: quick to build on CI's two cores, and what the sanitizers' reports need.
cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE= \
    -DCMAKE_C_FLAGS="-O1 -gline-tables-only" -DCMAKE_CXX_FLAGS="-O1 -gline-tables-only" \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCHIMDB_LIBFUZZER=ON \
    "${launcher[@]}" >/dev/null
cmake --build "$build" -j"${JOBS:-$(nproc)}" --target "${targets[@]/#/chimdb_fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/findings"
status=0
for target in "${targets[@]}"; do
    # New inputs go to a working corpus in the build folder; the seeds stay as committed.
    work="$build/corpus/$target"
    mkdir -p "$work"
    log="$build/$target.log"
    set +e
    "$build/bin/chimdb_fuzz_$target" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -malloc_limit_mb=1024 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" "$work" "$root/fuzz/corpus/$target" \
        >"$log" 2>&1
    result=$?
    set -e
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "fuzz $target: ${runs:-?} executions in $seconds s (exit $result; log $log)"
    if [ $result -ne 0 ]; then
        tail -40 "$log" >&2
        status=1
    fi
done
exit $status
