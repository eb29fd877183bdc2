#!/usr/bin/env bash
# Robustness checks (docs/RELIABILITY.md): the native unit tests, and those of the Linux system
# half, built with AddressSanitizer and UndefinedBehaviorSanitizer, then each libFuzzer target in
# fuzz/ for a bounded time, starting from its seed corpus. Fails on the first finding and says where the input that shows it is.
#
#   FUZZ_SECONDS        seconds per fuzz target (default 20); a long run, an hour per target:
#                         FUZZ_SECONDS=3600 bash scripts/check-robustness.sh
#   TOCKMETER_SANITIZE_BUILD, TOCKMETER_FUZZ_BUILD
#                       build folders (default build/sanitize and build/fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds="${FUZZ_SECONDS:-20}"
sanitize_build="${TOCKMETER_SANITIZE_BUILD:-build/sanitize}"
fuzz_build="${TOCKMETER_FUZZ_BUILD:-build/fuzz}"
export UBSAN_OPTIONS="print_stacktrace=1"

echo "== Unit tests with AddressSanitizer and UndefinedBehaviorSanitizer"
# With clang, as the fuzz targets: it builds this about three times faster than g++.
cmake -S . -B "$sanitize_build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTOCKMETER_SANITIZE=ON
cmake --build "$sanitize_build" --target unit_tests linux_system_test
ctest --test-dir "$sanitize_build" --output-on-failure -L unit -j "$(nproc)"

echo "== Fuzz targets, ${fuzz_seconds} s each"
cmake -S . -B "$fuzz_build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTOCKMETER_FUZZ=ON \
  -DBUILD_TESTING=OFF
# A target for each seed corpus.
targets=()
for seeds in fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
cmake --build "$fuzz_build" --target "${targets[@]}"

for target in "${targets[@]}"; do
  seeds="fuzz/corpus/$target"
  # New inputs go to the build folder; the seeds in the repository are only read.
  corpus="$fuzz_build/corpus/$target"
  findings="$fuzz_build/findings/$target"
  log="$fuzz_build/$target.log"
  rm -rf "$findings"
  mkdir -p "$corpus" "$findings"
  if ! "$fuzz_build/fuzz/$target" -max_total_time="$fuzz_seconds" -timeout=10 \
      -artifact_prefix="$findings/" "$corpus" "$seeds" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "FINDING in $target; full log: $log" >&2
    for input in "$findings"/*; do
      [ -e "$input" ] || continue
      echo "  input: $input  (reproduce: $fuzz_build/fuzz/$target $input)" >&2
    done
    exit 1
  fi
  echo "$target: $(grep -E '^Done [0-9]+ runs' "$log")  $(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -n 1)"
done
echo "Robustness checks passed: no sanitizer or fuzzer finding."
echo "fuzz: ${#targets[@]} passed, 0 failed"
