#!/usr/bin/env bash
# Installs what Tockmeter needs on Debian or Ubuntu, for one of three uses:
#
#   bash scripts/setup-machine.sh           building and testing everything (the test command)
#   bash scripts/setup-machine.sh native    the run command: the native program and the
#                                            simulated Micromite (and a virtual display when
#                                            there is no $DISPLAY)
#   bash scripts/setup-machine.sh wine      the run command with --wine: the native set and what
#                                            the Windows program needs (MinGW-w64, Wine)
#
# Only missing packages are installed. As root it runs apt-get itself; otherwise it prints the
# one line to run and fails.
set -euo pipefail

use="${1:-tests}"

# The native program and the simulated Micromite's server; the session bus and accessibility bus
# the run command gives the program when it runs outside a desktop session.
native=(cmake ninja-build g++ pkg-config libgtk-3-dev python3 dbus-daemon at-spi2-core)
# A private display for the program when there is none, its screenshot, and the wait for the
# window.
virtual_display=(xvfb imagemagick xdotool)
# tockmeter.exe and the driver the run command waits for its window with, under Wine.
windows=(g++-mingw-w64-x86-64 wine wine64 fonts-liberation)
# The tests beyond those: unit tests, the e2e sessions through AT-SPI, the sanitizers and fuzz
# targets, a locale with a decimal comma, and the check of the Debian package.
tests=(libgtest-dev e2fsprogs clang libclang-rt-dev python3-pyatspi python3-gi locales
       desktop-file-utils dpkg-dev)

case "$use" in
  native) packages=("${native[@]}") ;;
  wine) packages=("${native[@]}" "${windows[@]}") ;;
  tests) packages=("${native[@]}" "${virtual_display[@]}" "${windows[@]}" "${tests[@]}") ;;
  *) echo "usage: $0 [native|wine]" >&2; exit 2 ;;
esac
if [ "$use" != tests ] && [ -z "${DISPLAY:-}" ]; then
  packages+=("${virtual_display[@]}")
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done

# The test of the fixed-point conversion under a locale that writes a decimal comma.
comma_locale=de_DE.UTF-8
needs_locale=false
if [ "$use" = tests ] && ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  needs_locale=true
fi
[ ${#missing[@]} -eq 0 ] && ! $needs_locale && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Tockmeter needs these packages; install them and run again:" >&2
  [ ${#missing[@]} -eq 0 ] ||
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  $needs_locale && echo "  sudo localedef -i de_DE -f UTF-8 $comma_locale" >&2
  exit 1
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
if $needs_locale; then
  echo "Generating the locale $comma_locale"
  localedef -i de_DE -f UTF-8 "$comma_locale"
fi
