#!/usr/bin/env bash
# The build step shared by the test and run commands: tockmeter.exe (and the e2e driver) with
# MinGW-w64 and the Windows download made of it (cpack: tockmeter-<version>-win64.zip), then the
# native build (unit tests, the simulated Micromite server), which finds the Windows build
# through TOCKMETER_WINDOWS_BUILD_DIR. The folders default to build/windows and
# build/native; TOCKMETER_WINDOWS_BUILD and TOCKMETER_NATIVE_BUILD choose others.
set -euo pipefail
cd "$(dirname "$0")/.."

windows_build="${TOCKMETER_WINDOWS_BUILD:-build/windows}"
native_build="${TOCKMETER_NATIVE_BUILD:-build/native}"

cmake -S . -B "$windows_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release
cmake --build "$windows_build"
# The zip is made anew from the program just built; an e2e scenario unpacks it.
cmake --build "$windows_build" --target package

cmake -S . -B "$native_build" -G Ninja -DTOCKMETER_WINDOWS_BUILD_DIR="$(realpath "$windows_build")"
cmake --build "$native_build"
