#!/usr/bin/env bash
# The graph's redraw benchmark: builds bench/graph_bench.cpp in both builds (configured as
# scripts/build.sh configures them) and runs it natively (cairo) and under Wine (GDI, in a
# prefix of its own in build/graph-bench/prefix, made on the first run). Options go to both
# programs: --redraws N (default 20) and --png FOLDER (the pictures of the last redraws; under
# Wine a Windows path, such as Z:\tmp). Needs no display.
set -euo pipefail
cd "$(dirname "$0")/.."

windows_build="${TOCKMETER_WINDOWS_BUILD:-build/windows}"
native_build="${TOCKMETER_NATIVE_BUILD:-build/native}"

cmake -S . -B "$windows_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$windows_build" --target graph_bench
cmake -S . -B "$native_build" -G Ninja \
  -DTOCKMETER_WINDOWS_BUILD_DIR="$(realpath "$windows_build")" >/dev/null
cmake --build "$native_build" --target graph_bench

echo "native (cairo):"
"$native_build/platform/linux/graph_bench" "$@"
echo "Wine (GDI):"
mkdir -p build/graph-bench
WINEPREFIX="$PWD/build/graph-bench/prefix" WINEDEBUG=-all \
  wine "$windows_build/platform/win32/graph_bench.exe" "$@"
