#!/usr/bin/env bash
# The build step shared by the test, run and benchmark commands:
#
#   bash scripts/build.sh           everything the tests need: tockmeter.exe (and the e2e driver)
#                                   with MinGW-w64 and the Windows download made of it (cpack:
#                                   tockmeter-<version>-win64.zip), then the native build (the
#                                   Linux program, unit tests, the simulated Micromite's server),
#                                   which finds the Windows build through
#                                   TOCKMETER_WINDOWS_BUILD_DIR
#   bash scripts/build.sh native    the run command: the Linux program and the server alone
#   bash scripts/build.sh wine      the run command with --wine: the Windows build and the server
#
# The folders default to build/windows and build/native; TOCKMETER_WINDOWS_BUILD and
# TOCKMETER_NATIVE_BUILD choose others. The run command's builds leave the tests out of the
# native configuration, and the full build puts them back in.
set -euo pipefail
cd "$(dirname "$0")/.."

use="${1:-tests}"
windows_build="${TOCKMETER_WINDOWS_BUILD:-build/windows}"
native_build="${TOCKMETER_NATIVE_BUILD:-build/native}"

build_windows() {
  cmake -S . -B "$windows_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release
  cmake --build "$windows_build"
}

case "$use" in
  native)
    cmake -S . -B "$native_build" -G Ninja -DBUILD_TESTING=OFF
    cmake --build "$native_build" --target tockmeter tockmeter-micromite
    ;;
  wine)
    build_windows
    cmake -S . -B "$native_build" -G Ninja -DBUILD_TESTING=OFF
    cmake --build "$native_build" --target tockmeter-micromite
    ;;
  tests)
    build_windows
    # The zip is made anew from the program just built; an e2e scenario unpacks it.
    cmake --build "$windows_build" --target package
    cmake -S . -B "$native_build" -G Ninja -DBUILD_TESTING=ON \
      -DTOCKMETER_WINDOWS_BUILD_DIR="$(realpath "$windows_build")"
    cmake --build "$native_build"
    ;;
  *) echo "usage: $0 [native|wine]" >&2; exit 2 ;;
esac
