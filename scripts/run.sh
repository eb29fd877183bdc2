#!/usr/bin/env bash
# The run command: installs and builds only what it starts (scripts/setup-machine.sh and
# scripts/build.sh, "native") and starts the native Linux program with a simulated Micromite on a
# pseudo-terminal, or with a real serial device; with --wine (which adds MinGW-w64 and Wine, and
# builds the Windows program instead of the Linux one), tockmeter.exe under Wine, with the
# Micromite or the device on COM7:
#
#   bash scripts/run.sh [--wine] [--device /dev/ttyUSB0]
#
# Without $DISPLAY it runs on a private virtual display and prints where its screenshot is.
# Everything of the run (settings, logs, for Wine its prefix and program folder) stays in
# build/run, or in TOCKMETER_RUN_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."

use=native
run_program=scripts/run_native.py
if [ "${1:-}" = "--wine" ]; then
  shift
  use=wine
  run_program=scripts/run_under_wine.py
fi

bash scripts/setup-machine.sh "$use"
bash scripts/build.sh "$use"
source scripts/wine_env.sh

# The launcher and all it starts get a session of their own, out of reach of this terminal's
# Ctrl-C, which would otherwise stop the display under the running program. Told with SIGTERM
# instead, the launcher closes the window as a user does, so the settings are saved.
setsid python3 "$run_program" --folder "${TOCKMETER_RUN_DIR:-build/run}" "$@" &
launcher=$!
trap 'kill -TERM "$launcher" 2>/dev/null || true' INT TERM
status=0
wait "$launcher" || status=$?
# A trapped signal ends the wait early: wait again until the launcher has finished.
while kill -0 "$launcher" 2>/dev/null; do
  status=0
  wait "$launcher" || status=$?
done
exit "$status"
