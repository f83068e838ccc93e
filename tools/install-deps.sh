#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running need;
# with --hardening also those of the sanitizer, fuzzing, install and
# packaging checks.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-private-dev qt6-svg-dev libqt6svg6 libgl-dev
  fonts-liberation2
  xvfb xauth xdotool
  # The private buses of the session-event, notification and Wayland
  # tests; a compositor with a headless backend and Qt's Wayland platform
  # plugin for the last.
  dbus-daemon weston qt6-wayland
)

# The hardening runs (sanitizers, fuzzing, install checks, Debian packages
# and their lintian run) need a little more.
if [ "${1:-}" = "--hardening" ]; then
  packages+=(clang libclang-rt-14-dev desktop-file-utils appstream dpkg-dev lintian man-db python3-debian)
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
else
  as_root=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
