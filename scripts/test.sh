#!/usr/bin/env bash
# The test command: builds Tockmeter natively and for Windows, then runs the unit tests (native,
# in virtual time) and the end-to-end scenarios (the real tockmeter.exe under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-machine.sh

cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release
cmake --build build/windows

cmake -S . -B build/native -G Ninja -DTOCKMETER_WINDOWS_BUILD_DIR="$PWD/build/windows"
cmake --build build/native

ctest --test-dir build/native --output-on-failure "$@"
