#!/usr/bin/env bash
# Installs every Debian package the receiver, its tools and its tests need. Safe to run again:
# it only calls apt-get when something is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools
    libcurl4-gnutls-dev libmpg123-dev libebur128-dev libfaad-dev libsdl2-dev
    libogg-dev libvorbis-dev libopus-dev libflac-dev
    googletest libgtest-dev libbenchmark-dev
    clang clang-format libclang-rt-14-dev
    pulseaudio xvfb xauth
    fonts-dejavu-core poppler-utils
    appstream desktop-file-utils
    icecast2 ffmpeg mpg123 curl openbox xdotool x11-utils wmctrl xclip
    dbus-daemon dbus-bin
    dpkg-dev file lintian
    qt6-translations-l10n xdg-utils
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
"${as_root[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
