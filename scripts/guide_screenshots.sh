#!/usr/bin/env bash
# Re-makes the user guide's pictures (docs/images/*.png) from the real programs, tockmeter.exe
# under Wine and the native GTK program, against the simulated Micromite; see
# scripts/guide_screenshots.py. Builds first, as the test command does. Takes some twenty minutes;
# look at every picture before committing it.
#
#   bash scripts/guide_screenshots.sh [--programs windows|linux]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-machine.sh
bash scripts/build.sh
source scripts/wine_env.sh
# The system's Python: it has the accessibility bindings that drive the native program
# (python3-pyatspi), which another python3 on the PATH may lack.
exec /usr/bin/python3 scripts/guide_screenshots.py "$@"
