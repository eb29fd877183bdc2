"""A private X display (Xvfb) for the Windows programs, and screenshots of it."""

import ctypes
import os
import select
import signal
import subprocess
import time
from pathlib import Path

START_TIMEOUT_SECONDS = 30


def die_with_parent():
    # Runs in a child process before exec (Xvfb, the simulated controller): a harness that is
    # killed outright takes its helpers with it instead of leaving them running.
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def _read_line(fd) -> str:
    """Reads up to a line end: Xvfb, once it accepts connections, writes the display number it
    took and then, separately, the line end, and it fails if the pipe is closed in between."""
    text = b""
    deadline = time.monotonic() + START_TIMEOUT_SECONDS
    while not text.endswith(b"\n"):
        readable, _, _ = select.select([fd], [], [], max(0, deadline - time.monotonic()))
        chunk = os.read(fd, 16) if readable else b""
        if not chunk:
            break
        text += chunk
    return text.decode().strip()


# The one screen of the display, in pixels; with no task bar on it, also its work area.
SCREEN_WIDTH, SCREEN_HEIGHT = 1280, 1024


class VirtualDisplay:
    """Xvfb on the first free display number, for the life of a `with` block.

    A private display rather than the caller's DISPLAY: without a window manager, windows
    appear exactly where they are created, and nothing the user does interferes.
    """

    def __init__(self, log: Path):
        self.log = log
        self.name = None
        self._server = None

    def __enter__(self):
        ready_read, ready_write = os.pipe()
        with open(self.log, "wb") as log:
            self._server = subprocess.Popen(
                ["Xvfb", "-displayfd", str(ready_write), "-screen", "0",
                 f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24",
                 "-nolisten", "tcp"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log, pass_fds=(ready_write,),
                preexec_fn=die_with_parent)
        os.close(ready_write)
        try:
            number = _read_line(ready_read)
        finally:
            os.close(ready_read)
        if not number.isdigit():
            self._stop()
            raise RuntimeError(f"Xvfb did not start; see {self.log}")
        self.name = f":{number}"
        return self

    def __exit__(self, *exception):
        self._stop()

    def _stop(self):
        self._server.terminate()
        try:
            self._server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._server.kill()
            self._server.wait()

    def screenshot(self, path: Path):
        """Saves the whole screen as a PNG file."""
        path.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-display", self.name, "-window", "root", str(path)],
                       stdin=subprocess.DEVNULL, capture_output=True, timeout=60, check=True)
