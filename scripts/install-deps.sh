#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the desktop host need. Safe to run again.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config googletest libgtest-dev libgmock-dev nlohmann-json3-dev
  libcairo2-dev libpango1.0-dev libgtk-3-dev fonts-liberation xvfb xauth xdotool x11-utils trayer imagemagick
  clang-format pulseaudio pulseaudio-utils libpulse-dev dpkg-dev desktop-file-utils appstream groff-base
  clang libfuzzer-14-dev ccache)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
