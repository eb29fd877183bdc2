"""Starts tockmeter.exe under Wine for a user: the second half of the run command (scripts/run.sh
builds first and passes the built programs' paths as CTest does for the end-to-end scenarios,
whose Wine, display and Micromite modules this reuses).

COM7 is a simulated Micromite whose clock runs 345 ppm fast at CLOCKTRIM 0 and changes by
115 ppm per CLOCKTRIM step, so that CLOCKTRIM -3 puts it right; --device makes COM7 a real serial
device instead. Every other COM port is absent. Without $DISPLAY the program runs on a private
Xvfb display, and a screenshot shows its window.

The run folder keeps the Wine prefix, the program folder (whose Tockmeter.inf persists between
runs) and the logs. SIGTERM or Ctrl-C closes the window as a user does, so that the settings are
saved; then the Micromite and the display are stopped.
"""

import contextlib
import os
import shutil
from pathlib import Path

import harness
import wine as wine_module
from display import VirtualDisplay
from driver import Driver
from run_common import CloseRequested, parse_arguments, run_until_closed, serial_device

COM_PORT = 7
PORT_LIST = 18


def refresh_program_folder(folder: Path, exe: Path) -> Path:
    """The program's own folder: tockmeter.exe fresh from the build, Tockmeter.inf kept."""
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy2(exe, folder / exe.name)
    return folder


def configure_session(wine: wine_module.Wine, device, window_manager: bool):
    """COM7 linked to the device, every other port absent; Wine's windows left to the desktop's
    window manager when there is one."""
    wine_module.import_registry(wine, "run-settings", {
        wine_module.X11_DRIVER_KEY: {"Managed": "Y" if window_manager else "N"},
        wine_module.PORTS_KEY: wine_module.com_port_values({COM_PORT: device}),
    })


def show_on_virtual_display(display: VirtualDisplay, driver: Driver, screenshot: Path):
    # The port list is filled once the port scan is done (or its message box is up).
    harness.wait_until(lambda: driver.combo(PORT_LIST)["items"] or driver.message_box(0),
                       "the end of the port scan", harness.WINDOW_TIMEOUT_SECONDS)
    display.screenshot(screenshot)
    print(f"Screenshot of the window: {screenshot}")
    print(f"tockmeter.exe runs on the virtual display {display.name} "
          f"(e.g. DISPLAY={display.name} xdotool); Ctrl-C closes it.")


def run(arguments, stack: contextlib.ExitStack):
    folder = arguments.folder.resolve()
    logs = folder / "logs"
    logs.mkdir(parents=True, exist_ok=True)
    exe = harness.path_from_environment("TOCKMETER_EXE")
    display = None
    display_name = os.environ.get("DISPLAY")
    if not display_name:
        display = stack.enter_context(VirtualDisplay(logs / "xvfb.log"))
        display_name = display.name
    wine = wine_module.Wine(folder / "wine-prefix", display_name, logs)
    if wine_module.make_prefix(wine):
        print(f"Made the Wine prefix {wine.prefix}")
    device = stack.enter_context(serial_device(arguments.device, logs))
    configure_session(wine, device, window_manager=display is None)

    program_folder = refresh_program_folder(folder / "program", exe)
    print(f"Starting {program_folder / exe.name} (COM{COM_PORT}: {device})")
    process = wine.start(program_folder / exe.name)
    program = harness.Program(process)
    driver = Driver(wine, harness.path_from_environment("TOCKMETER_E2E_DRIVER"))
    try:
        driver.window(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS)
        if display:
            show_on_virtual_display(display, driver, folder / "screenshot.png")
        else:
            print("Close the window to end.")
        process.wait()
    except CloseRequested:
        print("Closing tockmeter.exe")
        harness.close_until_ended(program, driver)
    finally:
        wine.end_session()
    print(f"Settings kept in {program_folder / harness.SETTINGS_FILE}")


def main():
    arguments = parse_arguments(__doc__.split("\n\n")[0],
                                "run folder: Wine prefix, program folder, logs",
                                f"serial device for COM{COM_PORT}, e.g. /dev/ttyUSB0, instead of "
                                "the simulated Micromite")
    run_until_closed(run, arguments)


if __name__ == "__main__":
    main()
