"""Starts the native Linux Tockmeter for a user: the second half of the run command (scripts/run.sh
builds first and passes the built programs' paths in the environment).

A simulated Micromite, whose clock runs 345 ppm fast at CLOCKTRIM 0 and changes by 115 ppm per
CLOCKTRIM step (CLOCKTRIM -3 puts it right), serves a pseudo-terminal that the program lists as
ttyMicromite beside the machine's own serial devices; --device offers a real serial device
instead. Without $DISPLAY the program runs on a private Xvfb display, and a screenshot shows its
window.

The run folder keeps the program's settings (its XDG_CONFIG_HOME, so that a try leaves the user's
own configuration alone) and the logs. SIGTERM or Ctrl-C closes the window as a user does, so
that the settings are saved; then the Micromite and the display are stopped.
"""

import argparse
import contextlib
import os
import signal
import subprocess
import time
from pathlib import Path

import harness
from display import VirtualDisplay
from micromite import Micromite

ERROR_PPM = 345
TRIM_STEP_PPM = 115
WINDOW_TITLE = "Tockmeter!"
# The port scan probes each serial device with a short pause after it.
PORT_SCAN_SECONDS = 2


class CloseRequested(Exception):
    """The user asked the run to end (Ctrl-C or SIGTERM)."""


def request_close(*_):
    raise CloseRequested()


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--folder", required=True, type=Path,
                        help="run folder: settings, logs")
    parser.add_argument("--device", help="a real serial device, e.g. /dev/ttyUSB0, instead of "
                                         "the simulated Micromite")
    return parser.parse_args()


@contextlib.contextmanager
def serial_device(device, folder: Path):
    """The device the program is to offer: the given one, or a simulated Micromite's terminal
    (linked as ttyMicromite in the run folder) for the life of the block."""
    if device:
        yield device
        return
    with Micromite(folder / "logs", error_ppm=ERROR_PPM, trim_step_ppm=TRIM_STEP_PPM,
                   link=folder / "ttyMicromite") as micromite:
        print(f"Simulated Micromite on {micromite.terminal}: {ERROR_PPM} ppm fast, "
              f"{TRIM_STEP_PPM} ppm per CLOCKTRIM step (CLOCKTRIM {-ERROR_PPM // TRIM_STEP_PPM}"
              f" puts it right); record in {micromite.record_path}")
        yield micromite.terminal


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
    device = stack.enter_context(serial_device(arguments.device, folder))
    environment = {**os.environ, "DISPLAY": display_name, "TOCKMETER_PORTS": device,
                   "XDG_CONFIG_HOME": str(folder / "config")}
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
    arguments = parse_arguments()
    signal.signal(signal.SIGINT, request_close)
    signal.signal(signal.SIGTERM, request_close)
    with contextlib.ExitStack() as stack:
        run(arguments, stack)


if __name__ == "__main__":
    main()
