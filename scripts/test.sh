#!/usr/bin/env bash
# The test command: builds Tockmeter natively and for Windows, then runs the unit tests (native,
# in virtual time) and the end-to-end scenarios (the real tockmeter.exe under Wine). The build
# folders are those of scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-machine.sh
bash scripts/build.sh

ctest --test-dir "${TOCKMETER_NATIVE_BUILD:-build/native}" --output-on-failure "$@"

# Sanitizer build of the unit tests and the fuzz targets, each for a bounded time.
bash scripts/check-robustness.sh
