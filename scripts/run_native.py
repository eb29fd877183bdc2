"""Starts the native Linux Tockmeter for a user: the second half of the run command (scripts/run.sh
builds first and passes the built programs' paths in the environment).

A simulated Micromite, whose clock runs 345 ppm fast at CLOCKTRIM 0 and changes by 115 ppm per
CLOCKTRIM step (CLOCKTRIM -3 puts it right), serves a pseudo-terminal that the program lists as
ttyMicromite beside the machine's own serial devices, and chooses it when the stored port is none
of them and no USB serial adapter is plugged in; --device offers a real serial device
instead. Without $DISPLAY the program runs on a private Xvfb display, and a screenshot shows its
window. Without a session bus (no $DBUS_SESSION_BUS_ADDRESS) the program gets a desktop session
of its own, a session bus and the accessibility bus, as a desktop would give it: GTK's dialogs
keep their settings through the bus, and GTK finds the accessibility bus, instead of warning on
the terminal that neither is there.

The run folder keeps the program's settings (its XDG_CONFIG_HOME, so that a try leaves the user's
own configuration alone) and the logs. SIGTERM or Ctrl-C closes the window as a user does, so
that the settings are saved; then the Micromite and the display are stopped.
"""

import contextlib
import os
import signal
import subprocess
import time

import harness
from display import VirtualDisplay
from native import DesktopSession
from run_common import CloseRequested, parse_arguments, run_until_closed, serial_device

WINDOW_TITLE = "Tockmeter!"
# The port scan probes each serial device with a short pause after it.
PORT_SCAN_SECONDS = 2


def wait_for_window(display_name: str):
    harness.wait_until(
        lambda: subprocess.run(["xdotool", "search", "--name", WINDOW_TITLE],
                               env={**os.environ, "DISPLAY": display_name},
                               stdout=subprocess.DEVNULL).returncode == 0,
        "the program's window", harness.WINDOW_TIMEOUT_SECONDS)


def run(arguments, stack: contextlib.ExitStack):
    folder = arguments.folder.resolve()
    (folder / "logs").mkdir(parents=True, exist_ok=True)
    program = harness.path_from_environment("TOCKMETER_NATIVE_EXE")
    display = None
    display_name = os.environ.get("DISPLAY")
    if not display_name:
        display = stack.enter_context(VirtualDisplay(folder / "logs" / "xvfb.log"))
        display_name = display.name
    # The program chooses a port of this name at its first start (serial/lone_port.cpp).
    device = stack.enter_context(serial_device(arguments.device, folder / "logs",
                                               link=folder / "ttyMicromite"))
    # Set before the session's bus starts, so that what it starts for the program (dconf, which
    # keeps the Save As dialog's settings) also writes in the run folder.
    os.environ["XDG_CONFIG_HOME"] = str(folder / "config")
    environment = dict(os.environ)
    if not environment.get("DBUS_SESSION_BUS_ADDRESS"):
        environment = stack.enter_context(DesktopSession(display_name, folder / "logs")).environment
    environment.update({"DISPLAY": display_name, "TOCKMETER_PORTS": device})
    print(f"Starting {program} (serial device: {device})")
    process = subprocess.Popen([str(program)], env=environment)
    try:
        if display:
            wait_for_window(display_name)
            time.sleep(PORT_SCAN_SECONDS)
            display.screenshot(folder / "screenshot.png")
            print(f"Screenshot of the window: {folder / 'screenshot.png'}")
            print(f"Tockmeter runs on the virtual display {display.name} "
                  f"(e.g. DISPLAY={display.name} xdotool); Ctrl-C closes it.")
        else:
            print("Close the window to end.")
        process.wait()
    except CloseRequested:
        print("Closing Tockmeter")
        process.send_signal(signal.SIGINT)  # the program closes its window as a user does
        process.wait(timeout=harness.PROGRAM_TIMEOUT_SECONDS)
    print(f"Settings kept in {folder / 'config' / 'tockmeter' / harness.SETTINGS_FILE}")


def main():
    arguments = parse_arguments(__doc__.split("\n\n")[0], "run folder: settings, logs",
                                "a real serial device, e.g. /dev/ttyUSB0, instead of the "
                                "simulated Micromite")
    run_until_closed(run, arguments)


if __name__ == "__main__":
    main()
