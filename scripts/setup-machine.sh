#!/usr/bin/env bash
# Installs what building and testing Tockmeter needs on Debian or Ubuntu. As root it runs
# apt-get itself; otherwise it prints the one line to run and fails.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev python3 g++-mingw-w64-x86-64 wine wine64 xvfb imagemagick
          xdotool e2fsprogs fonts-liberation clang libclang-rt-dev libgtk-3-dev pkg-config
          dbus-daemon at-spi2-core python3-pyatspi python3-gi)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Tockmeter needs these packages; install them and run again:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
