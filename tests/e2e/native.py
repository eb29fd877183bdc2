"""The native Linux program for the scenarios: its private desktop session (a D-Bus session bus
and the accessibility bus on the scenario's X display), its settings folder and its serial ports.

What GTK 3 needs to show itself through AT-SPI, as found on Debian 12 (GTK 3.24, at-spi2-core
2.46): nothing in GTK_MODULES, since GTK 3 links the ATK bridge itself ("gail:atk-bridge" is
GTK 2's); NO_AT_BRIDGE must not be 1; and a session bus on which the bridge finds org.a11y.Bus.
The bridge and pyatspi ask that bus (or the display's AT_SPI_BUS property, which the launcher
sets) for the accessibility bus's address. The launcher is started here rather than by the bus's
service activation, so that it is a child of the scenario and ends with it: an activated one
outlives its session bus and keeps a socket named after the display number. The registry daemon
is activated on the accessibility bus and ends with it.
"""

import os
import subprocess
from pathlib import Path

from checks import Failure
from display import die_with_parent
from machine_devices import devices_to_hide, hiding
from program_folder import remove_folder

SETTINGS_FOLDER_NAME = "tockmeter"
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
# The user's own serial ports that the program lists besides the devices it finds in /dev.
PORTS_VARIABLE = "TOCKMETER_PORTS"
STOP_TIMEOUT_SECONDS = 10


def _stop(process: subprocess.Popen):
    if process.poll() is None:
        process.terminate()
    try:
        process.wait(timeout=STOP_TIMEOUT_SECONDS)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


class DesktopSession:
    """A session bus and the accessibility bus for the display, for the life of a `with` block.
    `environment` is what a program of the session needs."""

    def __init__(self, display: str, logs: Path):
        self.display = display
        self.logs = logs
        self.environment = None
        self._processes = []

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _start(self):
        environment = {name: value for name, value in os.environ.items()
                       if name not in ("NO_AT_BRIDGE", "AT_SPI_BUS_ADDRESS",
                                       "DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY")}
        environment["DISPLAY"] = self.display
        with open(self.logs / "session-bus.log", "wb") as log:
            bus = subprocess.Popen(
                ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"],
                env=environment, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=log,
                preexec_fn=die_with_parent)
        self._processes.append(bus)
        address = bus.stdout.readline().decode().strip()
        bus.stdout.close()
        if not address:
            raise Failure(f"the session bus did not start; see {self.logs / 'session-bus.log'}")
        environment["DBUS_SESSION_BUS_ADDRESS"] = address
        with open(self.logs / "at-spi-bus-launcher.log", "wb") as log:
            self._processes.append(subprocess.Popen(
                [BUS_LAUNCHER, "--launch-immediately"], env=environment,
                stdin=subprocess.DEVNULL, stdout=log, stderr=log, preexec_fn=die_with_parent))
        self.environment = environment

    def __exit__(self, *exception):
        # The launcher first: it ends the accessibility bus it started.
        for process in reversed(self._processes):
            _stop(process)
        self._processes = []


class NativeTarget:
    """Runs the native program: its settings folder is $XDG_CONFIG_HOME/tockmeter, and the
    serial ports the scenario serves are named to it in TOCKMETER_PORTS."""

    name = "native"
    # Files that the program keeps beside its settings file: none.
    program_files = []

    def __init__(self, program: Path, display: str, logs: Path):
        self.program = program
        self.logs = logs
        # As under Wine every COM port but the served ones is absent, the program here sees none
        # of the machine's own serial devices.
        self._hidden = devices_to_hide()
        self.session = DesktopSession(display, logs).__enter__()
        # pyatspi, in this process, reaches the program's session through the environment.
        os.environ.update(self.session.environment)
        self._ports = {}

    def end(self):
        self.session.__exit__(None, None, None)

    def settings_folder(self, config_home: Path) -> Path:
        """A fresh settings folder, also when the scenario starts the program more than once."""
        folder = config_home / SETTINGS_FOLDER_NAME
        remove_folder(folder)
        folder.mkdir(parents=True)
        return folder

    def pin_ports(self, ports: dict):
        """The program is told of the devices (pty paths), in the order of their numbers."""
        self._ports = dict(ports)

    def port_name(self, number) -> str:
        """The port's item in the program's port list: the file name of the path it was told
        of, or the whole path when a port told of before has that file name."""
        path = Path(self._ports[number])
        earlier = [Path(self._ports[n]).name for n in sorted(self._ports) if n < number]
        return str(path) if path.name in earlier else path.name

    def start(self, settings_folder: Path) -> subprocess.Popen:
        environment = dict(self.session.environment,
                           XDG_CONFIG_HOME=str(settings_folder.parent),
                           **{PORTS_VARIABLE: ":".join(str(self._ports[number])
                                                       for number in sorted(self._ports))})
        with open(self.logs / f"{self.program.name}.log", "ab") as log:
            return subprocess.Popen(hiding(self._hidden, [str(self.program)]), env=environment,
                                    stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                    preexec_fn=die_with_parent)

    def driver(self, process: subprocess.Popen, wait_seconds):
        from native_driver import NativeDriver
        return NativeDriver(process.pid, self.session.display, wait_seconds)
