#!/usr/bin/env bash
# The run command: builds Tockmeter (scripts/build.sh) and starts tockmeter.exe under Wine with a
# simulated Micromite on COM7, or with a real serial device there:
#
#   bash scripts/run.sh [--device /dev/ttyUSB0]
#
# Without $DISPLAY it runs on a private virtual display and prints where its screenshot is.
# Everything of the run (Wine prefix, program folder with its Tockmeter.inf, logs) stays in
# build/run, or in TOCKMETER_RUN_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-machine.sh
bash scripts/build.sh
source scripts/wine_env.sh

# The launcher and all it starts get a session of their own, out of reach of this terminal's
# Ctrl-C, which would otherwise stop the display under the running program. Told with SIGTERM
# instead, the launcher closes the window as a user does, so the settings are saved.
setsid python3 scripts/run_under_wine.py --folder "${TOCKMETER_RUN_DIR:-build/run}" "$@" &
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
