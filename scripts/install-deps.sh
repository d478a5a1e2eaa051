#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Chimora need.
# Idempotent and quiet: does nothing when everything is present already.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    zlib1g-dev libcrypto++-dev libicu-dev nlohmann-json3-dev
    qt6-base-dev libsdl2-mixer-dev libsqlite3-dev libxcb1-dev libx11-dev libical-dev
    fonts-noto-cjk xvfb xauth dbus-daemon
    pulseaudio pulseaudio-utils
    dpkg-dev lintian appstream desktop-file-utils librsvg2-bin qt6-qpa-plugins
    clang-format git
    clang libfuzzer-14-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
