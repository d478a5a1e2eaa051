#!/usr/bin/env bash
# Resident memory of the idle bell program a few seconds after start, next to an empty
# Qt Widgets window (bench/peer_window.cpp) measured the same way. Goal: under 60 MB.
#
# Usage: bench/idle_memory.sh [build folder] [seconds to wait]
# The program runs offscreen in a copy of the program folder with its own HOME, so that
# neither the built db.dll, its log nor the user's settings are touched.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
wait_seconds=${2:-3}
bin=$build/bin

work=$(mktemp -d "${TMPDIR:-/tmp}/chimora-idle-XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

export QT_QPA_PLATFORM=offscreen
export SDL_AUDIODRIVER=dummy
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Starts a program, waits, and prints its VmRSS in kB; "-" when it is not there or died.
measure() {
    local label=$1
    shift
    if [[ ! -x $1 ]]; then
        printf '%-12s not built (%s)\n' "$label" "$1"
        return
    fi
    "$@" >"$work/$label.out" 2>&1 &
    local pid=$!
    pids+=("$pid")
    sleep "$wait_seconds"
    local rss
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
    if [[ -z $rss ]]; then
        printf '%-12s exited before it could be measured; its output:\n' "$label"
        sed 's/^/    /' "$work/$label.out" | tail -20
        return
    fi
    awk -v label="$label" -v kb="$rss" 'BEGIN { printf "%-12s VmRSS %6d kB  (%.1f MB)\n", label, kb, kb / 1024 }'
}

if [[ -x $bin/chimora ]]; then
    mkdir -p "$work/program"
    cp "$bin/chimora" "$work/program/"
    [[ -e $bin/db.dll ]] && cp "$bin/db.dll" "$work/program/"
    [[ -d $bin/music ]] && cp -r "$bin/music" "$work/program/"
fi
measure chimora "$work/program/chimora"
measure peer_window "$bin/peer_window"
echo "goal: chimora under 60 MB after ${wait_seconds} s"
