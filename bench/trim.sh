#!/usr/bin/env bash
# The trimming benchmark: builds bench/trim_bench.cpp with the program's core and the simulated
# platform (an optimised native build of its own in build/trim-bench, or TOCKMETER_TRIM_BENCH_BUILD)
# and runs the whole program in virtual time against random simulated controllers. Options go to
# the program: --controllers N (default 200), --seed S (default 11), --seeds K (part 1 over the K
# seeds from S, each apart and then all together), --failures FILE (the log of every controller
# not trimmed to its best value or whose truth lies outside the final bound, and of every nearly
# trimmed run whose truth lies outside its bound), --population clean|messy|both (default both:
# the automatic trim on a clean line and on a messy one; the timing runs of parts 2 and 3 come
# with the clean line). Needs no Wine; takes some minutes.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${TOCKMETER_TRIM_BENCH_BUILD:-build/trim-bench}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOCKMETER_TRIM_BENCH=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target trim_bench
"$build/trim_bench" "$@"
