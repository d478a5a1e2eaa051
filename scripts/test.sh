#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite. On CI
# (CI=true), or with CHIMORA_PACKAGE_TEST=1, it also builds the Debian package from this
# build and runs the installed-package smoke test, which installs the package into /usr
# and purges it again: not something to do unasked on a developer's machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
BUILD_DIR=$build "$root/scripts/configure.sh" "$@"
cmake --build "$build" -j"$(nproc)"
if [ "${CI:-}" = true ] || [ "${CHIMORA_PACKAGE_TEST:-0}" = 1 ]; then
    BUILD_DIR=$build "$root/tests/package/installed_smoke.sh"
fi
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
(cd "$build" && ctest --output-on-failure -j"$(nproc)")
# The store's fuzz targets, each for a bounded time, in a clang build folder of their own.
FUZZ_BUILD_DIR=${FUZZ_BUILD_DIR:-$root/build-fuzz} "$root/scripts/fuzz.sh"
