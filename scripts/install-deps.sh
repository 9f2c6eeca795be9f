#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test quenlo.
set -euo pipefail
# Building and running need the first list; the test command adds the test
# frameworks, clang for the sanitizer and fuzz tree, the tools that check the
# package, Xvfb and a D-Bus daemon (the tray test runs a desktop of its own),
# ccache (a second run recompiles only what changed), microsocks (a real
# SOCKS5 proxy for the proxy tests) and gnome-keyring (the keyring test runs
# a keyring daemon of its own). Running adds fonts for every script
# (Japanese, emoji), the desktop's sound theme and a keyring. libxss-dev
# gives the desktop session's idle time on X11.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev qtkeychain-qt6-dev libcanberra-dev libxss-dev)
if [ "${1:-}" = "--run" ]; then
  packages+=(fonts-dejavu-core fonts-noto-cjk fonts-noto-color-emoji sound-theme-freedesktop gnome-keyring)
else
  packages+=(libgtest-dev libgmock-dev clang libclang-rt-14-dev desktop-file-utils appstream dpkg-dev file lintian ccache dbus-daemon xvfb microsocks gnome-keyring)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
