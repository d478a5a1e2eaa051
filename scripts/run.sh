#!/usr/bin/env bash
# Installs what is missing, builds the program with its database file and bell sounds, and
# starts it from the build folder (which is laid out as the installed program).
# Without a display it starts the program under a virtual X server (xvfb-run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
if [ ! -f "$build/build.ninja" ]; then
    BUILD_DIR="$build" "$root/scripts/configure.sh"
fi
cmake --build "$build" -j"${JOBS:-2}" --target chimora chimora_installed_db chimora_music

program="$build/bin/chimora"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display (\$DISPLAY and \$WAYLAND_DISPLAY are empty): starting Chimora under a" >&2
    echo "virtual X server, as 'xvfb-run -a scripts/run.sh' would. The window is not visible" >&2
    echo "there; the bells still ring and $build/bin/chimora.log tells what happens." >&2
    exec xvfb-run -a "$program" "$@"
fi
exec "$program" "$@"
