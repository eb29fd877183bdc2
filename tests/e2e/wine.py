"""Wine for the scenarios: the prefix they share, the processes run in it, its COM ports, and
tockmeter.exe run in it as the scenarios' target."""

import os
import shutil
import subprocess
import tempfile
from pathlib import Path

from driver import Driver
from machine_devices import devices_to_hide, hiding
from program_folder import fresh_folder

# The highest COM port the program probes by default; the scan goes from COM1 up to it.
COM_PORT_COUNT = 32
# Wine makes the COM ports of its port key below COM256 and lists them in SERIALCOMM, which
# the scan also probes.
HIGHEST_WINE_COM_PORT = 255

# A path below /dev/null can never exist: a COM port linked to it opens but is no serial device.
ABSENT_PORT = "/dev/null/absent-port"

# Written into the prefix once it is complete: the Wine version and the settings that made it.
READY_MARK = "tockmeter-ready"

SESSION_END_TIMEOUT_SECONDS = 60


def windows_path(path: Path) -> str:
    """The path as Windows programs under Wine see it (drive Z: is the Unix root)."""
    return "Z:" + str(path).replace("/", "\\")


class Wine:
    """Runs Windows programs in one prefix, on one X display.

    Output of Wine processes always goes to files, never to pipes: the wineserver and Wine's
    helper processes that a program starts inherit its output handles and outlive it, and a
    pipe held by them would never reach its end. Each Wine process sees the hidden devices
    covered, and so does the wineserver and every helper that one of them starts.
    """

    def __init__(self, prefix: Path, display: str, logs: Path, hidden_devices=()):
        self.prefix = prefix
        self.logs = logs
        self.hidden_devices = list(hidden_devices)
        self.env = dict(os.environ, WINEPREFIX=str(prefix), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY=display)

    def start(self, program, arguments=()) -> subprocess.Popen:
        """Starts a Windows program; its output goes to a log file named after it."""
        with open(self.logs / f"{Path(program).stem}.log", "ab") as log:
            return subprocess.Popen(self._command(program, arguments), env=self.env,
                                    stdin=subprocess.DEVNULL, stdout=log, stderr=log)

    def run(self, program, arguments=(), timeout=60):
        """Runs a Windows program to its end; returns (exit code, stdout text, stderr text).

        Raises subprocess.TimeoutExpired, with the program killed, when it outlives timeout.
        """
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            code = subprocess.run(self._command(program, arguments), env=self.env,
                                  stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                  timeout=timeout).returncode
            out.seek(0)
            err.seek(0)
            return (code, out.read().decode("utf-8", "replace"),
                    err.read().decode("utf-8", "replace"))

    def _command(self, program, arguments) -> list:
        return hiding(self.hidden_devices, ["wine", str(program), *map(str, arguments)])

    def end_session(self):
        """Ends every process of the prefix at once; the wineserver saves the registry first."""
        subprocess.run(["wineserver", "-k"], env=self.env, stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=SESSION_END_TIMEOUT_SECONDS)

    def wait_for_session_end(self):
        """Waits until the prefix's processes have finished on their own (the wineserver leaves
        a few seconds after the last one), ending them if they take too long."""
        try:
            subprocess.run(["wineserver", "-w"], env=self.env, stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=SESSION_END_TIMEOUT_SECONDS)
        except subprocess.TimeoutExpired:
            self.end_session()


PORTS_KEY = "HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports"
X11_DRIVER_KEY = "HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver"
FONT_REPLACEMENTS_KEY = "HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements"

# Windows that no X window manager manages: there is none on Xvfb, and Wine, waiting for one to
# confirm that a window has been hidden, would pause 2 s whenever a window (a message box, the
# main window at exit) goes away. Wine then draws the frames itself, so screenshots show them.
# The log's "Courier New" is no Linux font: without a replacement of the same metrics Wine falls
# back to a proportional face, and the log's columns no longer line up.
PREFIX_SETTINGS = {X11_DRIVER_KEY: {"Managed": "N"},
                   FONT_REPLACEMENTS_KEY: {"Courier New": "Liberation Mono"}}

# Wine's own fonts (Marlett for the frame's buttons, Tahoma for the dialog font), as Debian
# installs them. This Wine does not find them there by itself, and then draws the minimize,
# maximize and close boxes as the letters "0", "1" and "r".
WINE_FONTS = Path("/usr/share/wine/fonts")


def import_registry(wine: Wine, name, keys: dict, anew=False):
    """Sets string values ({key: {value name: text}}) with regedit and ends the session, so
    that the next program starts with them; anew, each key loses the values it had. The .reg
    file stays in the logs as name.reg."""
    lines = ["Windows Registry Editor Version 5.00"]
    for key, values in keys.items():
        if anew:
            lines += ["", f"[-{key}]"]
        lines += ["", f"[{key}]"]
        for value_name, text in values.items():
            if '"' in text or "\\" in text:
                raise ValueError(f"no quoting for .reg files here: {text}")
            lines.append(f'"{value_name}"="{text}"')
    registry_file = wine.logs / f"{name}.reg"
    registry_file.write_text("\r\n".join(lines) + "\r\n", encoding="ascii")
    code, _, err = wine.run("regedit", ["/S", windows_path(registry_file)])
    if code != 0:
        raise RuntimeError(f"regedit failed with exit code {code}: {err}")
    wine.end_session()


def com_port_values(ports: dict) -> dict:
    """COMn linked to ports[n] (a device path such as a pty), every other COM port up to COM32
    to no device."""
    for number in ports:
        if not 1 <= number <= HIGHEST_WINE_COM_PORT:
            raise ValueError(f"COM{number} is outside COM1..COM{HIGHEST_WINE_COM_PORT}")
    return {f"COM{number}": str(ports.get(number, ABSENT_PORT))
            for number in sorted(set(range(1, COM_PORT_COUNT + 1)) | set(ports))}


def pin_com_ports(wine: Wine, ports: dict):
    """Links COMn to ports[n] and every other COM port up to COM32 to no device.

    At every session start Wine links the machine's own serial devices to the lowest COM
    numbers that the registry key Software\\Wine\\Ports leaves free, here above COM32, and lists
    them in SERIALCOMM, which the program probes too: the target's Wine sees those devices
    covered (machine_devices.py), so that they open as no serial port. A port above COM32
    pinned before is unpinned, as Wine lists every port of the key to the program, and its
    link in dosdevices goes too: Wine leaves it there, and the port would still open by name.
    """
    values = com_port_values(ports)
    import_registry(wine, "com-ports", {PORTS_KEY: values}, anew=True)
    pinned = {name.lower() for name in values}
    for link in (wine.prefix / "dosdevices").glob("com*"):
        if link.name not in pinned:
            link.unlink()


def wine_version() -> str:
    return subprocess.run(["wine", "--version"], stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, timeout=60, check=True).stdout.strip()


def install_wine_fonts(wine: Wine):
    """Copies Wine's own fonts into the prefix's font folder, where Wine looks at every start."""
    if not WINE_FONTS.is_dir():
        return
    fonts = wine.prefix / "drive_c" / "windows" / "Fonts"
    for font in WINE_FONTS.iterdir():
        shutil.copy2(font, fonts / font.name)


def make_prefix(wine: Wine) -> bool:
    """Makes the prefix with its settings and every COM port absent, unless a complete one made
    the same way by this Wine version is there already. Returns whether it was made."""
    mark = wine.prefix / READY_MARK
    recipe = f"{wine_version()}\n{PREFIX_SETTINGS!r}\n{WINE_FONTS}\n"
    if mark.is_file() and mark.read_text() == recipe:
        return False
    wine.end_session()
    shutil.rmtree(wine.prefix, ignore_errors=True)
    code, _, err = wine.run("wineboot", ["-i"], timeout=600)
    if code != 0:
        raise RuntimeError(f"wineboot failed with exit code {code}: {err}")
    wine.wait_for_session_end()
    install_wine_fonts(wine)
    import_registry(wine, "prefix-settings", {**PREFIX_SETTINGS, PORTS_KEY: com_port_values({})})
    mark.write_text(recipe)
    return True


class WineTarget:
    """Runs tockmeter.exe under Wine in the shared prefix: the program's folder holds a copy of
    it and its settings file, the COM ports are pinned in the prefix's registry, and the
    machine's own serial devices are hidden from every process of the prefix's session."""

    name = "wine"

    def __init__(self, program: Path, driver_program: Path, prefix: Path, display: str,
                 logs: Path):
        self.program = program
        self.driver_program = driver_program
        # Files that the program keeps beside its settings file: itself.
        self.program_files = [program.name]
        self.wine = Wine(prefix, display, logs, hidden_devices=devices_to_hide())
        # A scenario killed earlier may have left processes in the shared prefix.
        self.wine.end_session()
        self._ports_pinned = False

    def end(self):
        self.wine.end_session()

    def settings_folder(self, run_folder: Path) -> Path:
        return fresh_folder(run_folder, self.program)

    def pin_ports(self, ports: dict):
        """COMn is the device ports[n] (a pty path), every other COM port up to COM32 absent."""
        pin_com_ports(self.wine, ports)
        self._ports_pinned = True

    def port_name(self, number) -> str:
        return f"COM{number}"

    def start(self, folder: Path) -> subprocess.Popen:
        if not self._ports_pinned:
            self.pin_ports({})
        return self.wine.start(folder / self.program.name)

    def driver(self, process, wait_seconds):
        return Driver(self.wine, self.driver_program, wait_seconds)
