"""The end-to-end harness: runs the real program on a private X display, either tockmeter.exe
under Wine or the native Linux program.

A scenario is a function taking a Scenario; a scenario file ends with
`harness.main([scenario, ...])` and runs the one named on its command line. CTest passes the
paths below in the environment (see CMakeLists.txt here):

    TOCKMETER_E2E_TARGET  wine (the default) or native
    TOCKMETER_EXE         tockmeter.exe, under Wine
    TOCKMETER_E2E_DRIVER  the UI driver (driver/), under Wine
    TOCKMETER_NATIVE_EXE  the native program (driven through AT-SPI, native_driver.py)
    TOCKMETER_E2E_WORK    build folder for the Wine prefix, the runs and the artifacts

Exit codes: 0 passed, 1 failed, 77 skipped (with the reason printed).
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback
from pathlib import Path

import program_folder
import wine as wine_module
from checks import Failure, Skip
from display import VirtualDisplay
from native import NativeTarget

SKIPPED = 77
SETTINGS_FILE = "Tockmeter.inf"

# Bounds only against hangs; durations are never asserted.
PROGRAM_TIMEOUT_SECONDS = 120
WINDOW_TIMEOUT_SECONDS = 60


def path_from_environment(name) -> Path:
    value = os.environ.get(name)
    if not value:
        raise RuntimeError(f"{name} is not set; run the scenarios through ctest")
    return Path(value)


def work_folder() -> Path:
    return path_from_environment("TOCKMETER_E2E_WORK")


def prefix_folder() -> Path:
    return work_folder() / "wine-prefix"


def wait_until(condition, what, timeout_seconds=30, poll_seconds=0.2):
    """Polls condition until it gives a true value, and returns that; fails after the timeout,
    which only keeps a broken program from hanging the run."""
    end = time.monotonic() + timeout_seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise Failure(f"{what}: not seen within {timeout_seconds} s")
        time.sleep(poll_seconds)


def read_settings(folder: Path) -> bytes:
    return (folder / SETTINGS_FILE).read_bytes()


class Program:
    """A running program. Whatever still runs at the end of the scenario is stopped
    there, after the failure screenshot."""

    def __init__(self, process: subprocess.Popen):
        self._process = process

    @property
    def pid(self) -> int:
        return self._process.pid

    def has_ended(self) -> bool:
        return self._process.poll() is not None

    def kill(self):
        """Ends it at once, as the system ends a program at log-off."""
        self._process.kill()
        self._process.wait(timeout=PROGRAM_TIMEOUT_SECONDS)

    def resident_kilobytes(self) -> int:
        """Its resident memory (VmRSS): Wine, too, runs the program in the process it was
        started as."""
        with open(f"/proc/{self._process.pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        raise Failure("the program has no resident memory figure; has it ended?")

    def wait(self, timeout_seconds=PROGRAM_TIMEOUT_SECONDS) -> int:
        """Its exit code once it has ended; the scenario fails when it does not end in time."""
        try:
            return self._process.wait(timeout=timeout_seconds)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program did not end within {timeout_seconds} s") from None


def close_until_ended(program: Program, driver):
    """Ends the program the way a user does: answers a message box with OK, else closes the
    window, and closes it again while the program still runs, since a close request made
    while the program is still starting may be discarded."""
    def ended():
        if program.has_ended():
            return True
        if driver.message_box(wait_seconds=0):
            driver.press_message_box_ok()
        else:
            driver.close(wait_seconds=0)
        return False
    wait_until(ended, "the program's end after closing its window",
               PROGRAM_TIMEOUT_SECONDS)


class Scenario:
    """One scenario's world: its display, the program's session there (Wine in the shared
    prefix, or the native program's desktop session), its folders.

    The target, "wine" or "native", is target_name when given, else TOCKMETER_E2E_TARGET
    (default wine). Used as a `with` block, which ends the session's processes and the display
    at its end and keeps a screenshot when the scenario failed.
    """

    def __init__(self, name, target_name=None):
        self.name = name
        self.target_name = target_name or os.environ.get("TOCKMETER_E2E_TARGET", "wine")
        self.run_folder = work_folder() / "runs" / name
        self.artifacts = work_folder() / "artifacts"
        self.display = None
        self.target = None
        self._process = None
        self._links = None

    def __enter__(self):
        program_folder.remove_folder(self.run_folder)
        logs = self.run_folder / "logs"
        logs.mkdir(parents=True)
        self.display = VirtualDisplay(logs / "xvfb.log").__enter__()
        try:
            if self.target_name == "native":
                self.target = NativeTarget(path_from_environment("TOCKMETER_NATIVE_EXE"),
                                           self.display.name, logs)
            else:
                self.target = wine_module.WineTarget(
                    path_from_environment("TOCKMETER_EXE"),
                    path_from_environment("TOCKMETER_E2E_DRIVER"), prefix_folder(),
                    self.display.name, logs)
        except BaseException:
            self.display.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, exception_type, exception, trace):
        try:
            if exception_type is not None and not issubclass(exception_type, Skip):
                self._keep_failure_screen()
            if self._process is not None and self._process.poll() is None:
                self._process.kill()
                self._process.wait()
            self.target.end()
        finally:
            self.display.__exit__(None, None, None)
            program_folder.remove_folder(self.run_folder / "program")
            if self._links is not None:
                shutil.rmtree(self._links, ignore_errors=True)

    @property
    def wine(self):
        """The Wine of a Wine scenario."""
        return self.target.wine

    # The program's folder and settings file.

    def program_folder(self, settings: bytes = None) -> Path:
        """A fresh folder for the program's settings file, holding it when given: under Wine
        the program's own folder with a copy of tockmeter.exe, natively the tockmeter folder of
        the program's XDG_CONFIG_HOME."""
        folder = self.target.settings_folder(self.run_folder / "program")
        if settings is not None:
            (folder / SETTINGS_FILE).write_bytes(settings)
        return folder

    # Serial ports.

    def pin_com_ports(self, ports: dict):
        """Port number n is the device ports[n] (a pty path), and no other port is served: under
        Wine COMn, every other COM port up to COM32 absent; natively the devices are named to
        the program besides the machine's own. Call before starting the program."""
        self.target.pin_ports(ports)

    def link_path(self, name) -> Path:
        """A path for a link to a served port, in a folder of the scenario's own that is short:
        the program takes port names of up to 59 characters, and natively a port's name is its
        path, while the run folder lies deep in the build folder."""
        if self._links is None:
            self._links = Path(tempfile.mkdtemp(prefix="tockmeter-e2e-"))
        return self._links / name

    def port_name(self, number) -> str:
        """The item of the program's port list for port number n."""
        return self.target.port_name(number)

    # The program.

    def start_program(self, folder: Path) -> Program:
        self._process = self.target.start(folder)
        return Program(self._process)

    def run_program(self, folder: Path) -> int:
        """Runs the program with the settings folder for one session: waits for its window,
        then closes it (see close_until_ended); returns the exit code."""
        program = self.start_program(folder)
        driver = self.driver()
        driver.window(wait_seconds=WINDOW_TIMEOUT_SECONDS)
        close_until_ended(program, driver)
        return program.wait()

    def driver(self, wait_seconds=10):
        """The driver of the program started last (driver.Driver or native_driver's)."""
        return self.target.driver(self._process, wait_seconds)

    def screenshot(self, label) -> Path:
        """Keeps a picture of the screen as artifacts/<scenario>-<label>.png."""
        path = self.artifacts / f"{self.name}-{label}.png"
        self.display.screenshot(path)
        return path

    def _keep_failure_screen(self):
        # The screen is evidence only: failing to take it must not hide the scenario's failure.
        try:
            print(f"screen at the failure: {self.screenshot('failure')}")
        except (OSError, subprocess.SubprocessError) as error:
            print(f"no screenshot of the failure: {error}")


def main(scenarios):
    """Runs the scenario named by the command line and exits with its outcome."""
    # An interrupted run still undoes its immutable folders and ends its processes.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    by_name = {scenario.__name__: scenario for scenario in scenarios}
    if len(sys.argv) != 2 or sys.argv[1] not in by_name:
        sys.exit(f"usage: {sys.argv[0]} SCENARIO, one of: {', '.join(by_name)}")
    name = sys.argv[1]
    try:
        with Scenario(name) as scenario:
            by_name[name](scenario)
    except Skip as reason:
        print(f"SKIPPED: {reason}")
        sys.exit(SKIPPED)
    except Failure as failure:
        traceback.print_exc()
        print(f"FAILED: {failure}")
        sys.exit(1)
    print("PASSED")
