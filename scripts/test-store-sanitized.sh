#!/usr/bin/env bash
# Builds the table store, its tool and the store's tests alone with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/, no Qt) and runs those tests and the fuzz targets'
# replay programs over their seed corpus. Any report fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-asan}
"$root/scripts/install-deps.sh"
BUILD_DIR=$build "$root/scripts/configure.sh" -DCHIMORA_STORE_ONLY=ON -DCHIMORA_SANITIZE=ON \
    -DCHIMORA_BUILD_BENCH=OFF "$@"
cmake --build "$build" -j"$(nproc)" --target chimdb_tests chimdb_tool \
    chimdb_fuzz_open_file_replay chimdb_fuzz_filter_replay
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
"$build/bin/chimdb_tests"
# The fuzz targets over their seed corpus (the damaged files found so far among them).
"$build/bin/chimdb_fuzz_open_file_replay" "$root/fuzz/corpus/open_file" >/dev/null
"$build/bin/chimdb_fuzz_filter_replay" "$root/fuzz/corpus/filter" >/dev/null
