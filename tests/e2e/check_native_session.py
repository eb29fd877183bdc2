"""The native scenarios' fixture: a desktop session on a private display answers through AT-SPI.

Fails with what is missing (pyatspi, the bus launcher, xdotool), so that the scenarios are not
run when the machine cannot drive a GTK window at all.
"""

import os
import shutil
import sys
import tempfile
from pathlib import Path

from display import VirtualDisplay
from native import BUS_LAUNCHER, DesktopSession


def check():
    missing = [tool for tool in ("xdotool", "dbus-daemon", BUS_LAUNCHER)
               if shutil.which(tool) is None]
    if missing:
        sys.exit(f"missing for the native scenarios: {', '.join(missing)} "
                 "(scripts/setup-machine.sh installs them)")
    with tempfile.TemporaryDirectory() as logs, VirtualDisplay(Path(logs) / "xvfb.log") as display:
        with DesktopSession(display.name, Path(logs)) as session:
            os.environ.update(session.environment)
            # Imported only now: pyatspi connects to the session's accessibility bus at import.
            import pyatspi
            desktop = pyatspi.Registry.getDesktop(0)
            print(f"AT-SPI desktop on {display.name}: {desktop.name!r}, "
                  f"{desktop.childCount} applications")


if __name__ == "__main__":
    check()
