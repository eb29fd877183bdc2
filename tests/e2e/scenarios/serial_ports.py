"""Serial ports: the port scan at start-up over ports served by the simulated Micromite on
pseudo-terminals (COM ports under Wine, the ports named to the native program), and under Wine
the link to the controller when its port is missing, the link over a port whose driver
another program left with flow control on, and a port that an earlier pin served and this one
does not."""

import contextlib
import json

import harness
from calibration import (LINK_PORT, SETTINGS, UPLOAD_COMPLETED, UPLOAD_TIMEOUT_SECONDS,
                         check_upload, start_with_controller, upload_with_trim, wait_for_log)
from checks import check, check_equal
from micromite import Micromite

PORT_LIST = 18
UPLOAD_BUTTON = 5
START_BUTTON = 25


def settings(com_port, serial_speed="38400", max_port_no=32) -> bytes:
    return ("[micromite]\r\n"
            f"uM comport = {com_port}\r\n"
            f"uM SerialSpeed = {serial_speed}\r\n"
            f"Max port no = {max_port_no}\r\n").encode("ascii")


@contextlib.contextmanager
def served_ports(run: harness.Scenario, numbers):
    """A simulated Micromite on each of the COM ports; every other port is absent. Gives the
    controllers by port number."""
    with contextlib.ExitStack() as stack:
        devices = {number: stack.enter_context(Micromite(run.run_folder / "logs", f"com{number}"))
                   for number in numbers}
        run.pin_com_ports({number: device.terminal for number, device in devices.items()})
        yield devices


def port_list_after_scan(driver) -> dict:
    """The port list once the scan has filled it: its items are added at once after the scan."""
    def filled():
        combo = driver.combo(PORT_LIST)
        return combo if combo["items"] else None
    return harness.wait_until(filled, "the port list filled by the scan")


def scan_offers_the_served_ports_also_beyond_the_bound(run: harness.Scenario):
    # Under Wine the scan goes up to the bound and adds the ports Wine lists in the SERIALCOMM
    # device map, COM45 among them, and the stored name in lower case selects the scan's
    # upper-case item. The native program is told of its ports, whatever their number.
    native = run.target_name == "native"
    offered = [2, 5, 45]
    with served_ports(run, offered) as devices:
        stored = run.port_name(5) if native else "com5"
        folder = run.program_folder(settings=settings(stored, max_port_no=6))
        program = run.start_program(folder)
        driver = run.driver()
        driver.window(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS)
        check_equal(port_list_after_scan(driver),
                    {"items": [run.port_name(number) for number in offered], "selected": 1,
                     "text": run.port_name(5)}, "port list")
        check_equal(driver.message_box(wait_seconds=0), None, "message box")
        run.screenshot("port-list")
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")
    # A probe only opens and closes the port.
    for number, device in devices.items():
        check_equal(device.record().received_bytes(), b"", f"bytes received on COM{number}")


def scan_without_ports_says_so_and_the_window_opens(run: harness.Scenario):
    folder = run.program_folder(settings=settings("com7", max_port_no=0))
    # No port is served: the COM ports Wine lists lead to no device, and the native program is
    # told of none.
    with served_ports(run, []):
        program = run.start_program(folder)
        driver = run.driver()
        box = driver.message_box(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS)
        # Owned by the main window, so that it never hides behind it.
        check_equal(box, {"title": "OOPS!", "text": "No com ports found", "ownedByWindow": True},
                    "message box")
        run.screenshot("no-ports")
        driver.press_message_box_ok()
        window = driver.window()
        check(window["visible"], f"the window is not visible: {window}")
        check_equal(driver.combo(PORT_LIST), {"items": [], "selected": -1, "text": ""},
                    "port list")
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")


def first_start_chooses_the_lone_simulated_micromite_and_uploads_over_it(run: harness.Scenario):
    # Natively only: no settings file, so the stored port is the default com7, which names none
    # of the ports; the run command's simulated Micromite is the one port worth choosing.
    with Micromite(run.run_folder / "logs", "micromite",
                   link=run.link_path("ttyMicromite")) as device:
        run.pin_com_ports({LINK_PORT: device.terminal})
        folder = run.program_folder()
        program = run.start_program(folder)
        driver = run.driver()
        driver.window(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS)
        check_equal(port_list_after_scan(driver),
                    {"items": ["ttyMicromite"], "selected": 0, "text": "ttyMicromite"},
                    "port list")
        check(not (folder / harness.SETTINGS_FILE).exists(),
              "the settings file was written before the program saved")
        # The link takes the chosen port, not the stored one.
        driver.press(UPLOAD_BUTTON)
        wait_for_log(driver, lambda log: UPLOAD_COMPLETED in log, "the end of the upload",
                     UPLOAD_TIMEOUT_SECONDS)
        check(device.record().received_bytes(), "the simulated Micromite received no upload")
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")
    check("uM comport = ttyMicromite\r\n" in harness.read_settings(folder).decode("utf-8-sig"),
          f"the saved port: {harness.read_settings(folder)!r}")


# Each button opens the link first; its first log line comes before the link's failure. Start is
# pressed while another program's window is in front, so that the program is not in the
# foreground when it shows its box.
LINK_BUTTONS = [(UPLOAD_BUTTON, "Program stage 1 started", False),
                (START_BUTTON, "Time check started.", True)]


def missing_link_port_is_reported_as_configured(run: harness.Scenario):
    # The scan finds COM2, but the link uses the port named in the settings, as written there.
    folder = run.program_folder(settings=settings("com9", serial_speed="9600", max_port_no=2))
    with served_ports(run, [2]) as devices:
        program = run.start_program(folder)
        driver = run.driver()
        driver.window(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS)
        check_equal(port_list_after_scan(driver)["items"], ["COM2"], "port list")
        log = []
        for button, first_line, from_behind in LINK_BUTTONS:
            if from_behind:
                box = driver.press_from_behind(button)
            else:
                driver.press(button)
                box = driver.message_box(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS)
            # Owned by the main window even when the program is not in front.
            check_equal(box, {"title": "OOPS!", "text": "Master not found! com9:9600",
                              "ownedByWindow": True},
                        f"message box after pressing button {button}")
            # The failure is in the log before the box is answered.
            log += [first_line, "Master not found!"]
            check_equal(driver.log_lines(), log, f"log after pressing button {button}")
            run.screenshot(f"button-{button}")
            driver.press_message_box_ok()
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")
    check_equal(devices[2].record().received_bytes(), b"", "bytes received on COM2")


def comm_state(run: harness.Scenario, *arguments) -> dict:
    """Runs the earlier program's stand-in (driver/comm_state.cpp); the port's state it prints."""
    code, out, err = run.wine.run(harness.path_from_environment("TOCKMETER_E2E_COMM_STATE"),
                                  arguments)
    command = " ".join(map(str, arguments))
    check_equal(code, 0, f"exit code of comm_state {command} ({err.strip()})")
    return json.loads(out)


# The controller's prompt: left as the stop character of XON/XOFF, the controller's first prompt
# stops the program's output for good.
STOP_CHARACTER = ord(">")
# Of the flow control that the earlier program leaves on (see driver/comm_state.cpp), the
# terminal's settings keep XON/XOFF only: Wine keeps no DSR flow, DSR sensitivity, DTR handshake
# or abort-on-error.
XON_XOFF_OFF = {"outX": False, "inX": False}


def flow_control_left_by_another_program_is_cleared_for_the_upload(run: harness.Scenario):
    port = f"COM{LINK_PORT}"
    with Micromite(run.run_folder / "logs", "com7") as device:
        run.pin_com_ports({LINK_PORT: device.terminal})
        left = comm_state(run, "leave-flow", port, STOP_CHARACTER)
        # The driver keeps XON/XOFF between opens (Wine keeps it in the terminal's settings);
        # without that, this scenario would show nothing.
        kept = comm_state(run, "get", port)
        print(f"left on {port}: {left}; found at the next open: {kept}")
        check(kept["outX"] and kept["inX"] and kept["xoffChar"] == STOP_CHARACTER,
              f"XON/XOFF not kept between opens: {kept}")

        _, program, driver = start_with_controller(run, device)
        check_upload(upload_with_trim(driver), device.record())
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")

        cleared = comm_state(run, "get", port)
        check_equal({field: cleared[field] for field in XON_XOFF_OFF}, XON_XOFF_OFF,
                    f"XON/XOFF of {port} after the program's use")


def a_port_served_before_is_absent_once_no_longer_served(run: harness.Scenario):
    # A scenario's ports are the ones it serves, also when an earlier one served a port above
    # the bound over a pty that now serves another port. comm_state fails with 2 when the port
    # does not open.
    with Micromite(run.run_folder / "logs", "com7") as device:
        run.pin_com_ports({45: device.terminal})
        comm_state(run, "get", "COM45")
        run.pin_com_ports({LINK_PORT: device.terminal})
        comm_state(run, "get", f"COM{LINK_PORT}")
        code, _, err = run.wine.run(harness.path_from_environment("TOCKMETER_E2E_COMM_STATE"),
                                    ["get", "COM45"])
        check_equal(code, 2, f"exit code of comm_state get COM45 once unpinned ({err.strip()})")


if __name__ == "__main__":
    harness.main([scan_offers_the_served_ports_also_beyond_the_bound,
                  scan_without_ports_says_so_and_the_window_opens,
                  first_start_chooses_the_lone_simulated_micromite_and_uploads_over_it,
                  missing_link_port_is_reported_as_configured,
                  flow_control_left_by_another_program_is_cleared_for_the_upload,
                  a_port_served_before_is_absent_once_no_longer_served])
