#!/usr/bin/env bash
# The benchmark command: builds Tockmeter as the test command does (scripts/build.sh) and the
# floor pollers (with cc for Linux, with MinGW-w64 for Wine), then measures the real programs,
# tockmeter.exe under Wine and the native Linux program, against the simulated Micromite
# (bench/bench.py; `bash bench/run.sh --help` lists its options, `--targets native` measures
# the native program alone) and prints the table. Every figure, interval by interval, stays in
# build/bench/results.json (or TOCKMETER_BENCH_DIR). Both programs take about fifteen minutes;
# run it on a quiet machine, since other work moves the figures.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-machine.sh
bash scripts/build.sh
source scripts/wine_env.sh

work="${TOCKMETER_BENCH_DIR:-build/bench}"
mkdir -p "$work"
work="$(realpath "$work")"
cc -O2 -Wall -Wextra -o "$work/floor_poller" bench/floor_poller.c
x86_64-w64-mingw32-gcc -O2 -Wall -Wextra -municode -o "$work/wine_floor_poller.exe" \
  platform/win32/wine_floor_poller.c

export TOCKMETER_E2E_WORK="$work"
# The system's Python, as for the end-to-end scenarios: it has the AT-SPI bindings that drive
# the native program (python3-pyatspi), which another python3 on the PATH may lack.
/usr/bin/python3 bench/bench.py --poller "$work/floor_poller" \
  --wine-poller "$work/wine_floor_poller.exe" "$@"
