"""What the two launchers of the run command share (scripts/run_native.py for the Linux program,
scripts/run_under_wine.py for tockmeter.exe): the simulated Micromite or the user's device, and
the user's Ctrl-C or SIGTERM as a request to close the window."""

import argparse
import contextlib
import signal
from pathlib import Path

from micromite import Micromite

# The simulated controller's clock: this fast at CLOCKTRIM 0, changed this much by each step, so
# that CLOCKTRIM -3 puts it right.
ERROR_PPM = 345
TRIM_STEP_PPM = 115


class CloseRequested(Exception):
    """The user asked the run to end (Ctrl-C or SIGTERM)."""


def _request_close(*_):
    raise CloseRequested()


def parse_arguments(description: str, folder_help: str, device_help: str):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--folder", required=True, type=Path, help=folder_help)
    parser.add_argument("--device", help=device_help)
    return parser.parse_args()


@contextlib.contextmanager
def serial_device(device, logs: Path, link=None):
    """The device to offer the program: the given one, or a simulated Micromite's terminal (at
    the link's path when one is given) for the life of the block."""
    if device:
        yield device
        return
    with Micromite(logs, error_ppm=ERROR_PPM, trim_step_ppm=TRIM_STEP_PPM,
                   link=link) as micromite:
        print(f"Simulated Micromite on {micromite.terminal}: {ERROR_PPM} ppm fast, "
              f"{TRIM_STEP_PPM} ppm per CLOCKTRIM step (CLOCKTRIM {-ERROR_PPM // TRIM_STEP_PPM}"
              f" puts it right); record in {micromite.record_path}")
        yield micromite.terminal


def run_until_closed(run, arguments):
    """Runs run(arguments, stack) with Ctrl-C and SIGTERM raising CloseRequested inside it; what
    it put on the stack ends afterwards."""
    signal.signal(signal.SIGINT, _request_close)
    signal.signal(signal.SIGTERM, _request_close)
    with contextlib.ExitStack() as stack:
        run(arguments, stack)
