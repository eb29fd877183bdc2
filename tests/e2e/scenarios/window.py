"""The main window of the real tockmeter.exe: its geometry, its lists and their settings, the log
view following the window's size, and the Tab order."""

import contextlib
import os
import re

import harness
from checks import check, check_equal
from display import SCREEN_HEIGHT, SCREEN_WIDTH
from settings_file import DEFAULT_FILE

LOG_VIEW = 1
UPLOAD_BUTTON, START_BUTTON, STOP_BUTTON = 5, 25, 26
PORT_LIST, SPEED_LIST, CLOCKTRIM_LIST, INTERVAL_LIST = 18, 20, 21, 28

SPEED_ITEMS = ["4800", "9600", "19200", "38400", "57600", "115200", "230400"]
CLOCKTRIM_ITEMS = [str(trim) for trim in range(32, -32, -1)]
INTERVAL_ITEMS = ["5", "10", "15", "30", "60", "120", "300"]

# The row along the top: (identifier, left, width, caption or None for a list); all at top 10,
# 20 high.
TOP_ROW = [
    (PORT_LIST, 10, 90, None),
    (SPEED_LIST, 110, 60, None),
    (CLOCKTRIM_LIST, 180, 40, None),
    (INTERVAL_LIST, 230, 40, None),
    (UPLOAD_BUTTON, 280, 60, "Prog"),
    (START_BUTTON, 350, 60, "Start"),
    (STOP_BUTTON, 420, 60, "Stop"),
]
# The order of creation, which Tab follows.
TAB_ORDER = [control_id for control_id, *_ in TOP_ROW] + [LOG_VIEW]

LOG_LEFT, LOG_TOP = 10, 35


def settings_with(values: dict) -> bytes:
    """The default settings file with the given keys' values replaced."""
    text = DEFAULT_FILE
    for key, value in values.items():
        line = re.compile(rb"^" + re.escape(key.encode()) + rb" = .*?\r$", re.MULTILINE)
        if not line.search(text):
            raise ValueError(f"no key {key} in the default settings file")
        text = line.sub(f"{key} = {value}\r".encode("utf-8"), text)
    return text


@contextlib.contextmanager
def serial_device():
    """A pseudo-terminal that a COM port can be linked to: it opens as a serial device, and
    nothing answers on it."""
    controller, device = os.openpty()
    try:
        yield os.ttyname(device)
    finally:
        os.close(device)
        os.close(controller)


def start(run: harness.Scenario, folder):
    """Starts the program and waits for its window; returns (program, driver)."""
    program = run.start_program(folder)
    driver = run.driver()
    driver.window(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS)
    return program, driver


def answer_no_ports_box(driver):
    """The port scan finds no port and says so; the build goes on once the box is closed."""
    check_equal(driver.message_box(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS),
                {"title": "OOPS!", "text": "No com ports found", "ownedByWindow": True},
                "message box at start")
    driver.press_message_box_ok()


def close(program: harness.Program, driver):
    harness.close_until_ended(program, driver)
    check_equal(program.wait(), 0, "exit code")


def check_log_fits(driver, window, what):
    """The log view fills the window below the row, with a margin of 10 around it."""
    log = driver.control(LOG_VIEW)
    check_equal((log["left"], log["top"], log["width"], log["height"]),
                (LOG_LEFT, LOG_TOP, max(0, window["clientWidth"] - 20),
                 max(0, window["clientHeight"] - 45)), f"log view place and size {what}")


def normal_geometry(window) -> dict:
    return {"MainX": window["left"], "MainY": window["top"], "MainW": window["clientWidth"],
            "MainH": window["clientHeight"]}


def first_start_shows_the_default_window(run: harness.Scenario):
    folder = run.program_folder()
    program, driver = start(run, folder)
    answer_no_ports_box(driver)

    window = driver.window()
    check_equal({key: window[key] for key in
                 ("title", "left", "top", "clientWidth", "clientHeight", "minimized",
                  "maximized", "visible")},
                {"title": "Tockmeter!", "left": 200, "top": 200, "clientWidth": 468,
                 "clientHeight": 287, "minimized": False, "maximized": False, "visible": True},
                "window")
    log = driver.control(LOG_VIEW)
    check_equal((log["left"], log["top"], log["width"], log["height"]), (10, 35, 448, 242),
                "log view place and size")
    for control_id, left, width, caption in TOP_ROW:
        control = driver.control(control_id)
        check_equal((control["left"], control["top"], control["width"], control["height"]),
                    (left, 10, width, 20), f"place and size of control {control_id}")
        if caption is not None:
            check_equal(control["text"], caption, f"caption of button {control_id}")

    for list_id, items, selected in [(PORT_LIST, [], ""),
                                     (SPEED_LIST, SPEED_ITEMS, "38400"),
                                     (CLOCKTRIM_LIST, CLOCKTRIM_ITEMS, "0"),
                                     (INTERVAL_LIST, INTERVAL_ITEMS, "10")]:
        combo = driver.combo(list_id)
        check_equal(combo["items"], items, f"items of list {list_id}")
        check_equal(combo["text"], selected, f"selection of list {list_id}")

    print(f"first start: {run.screenshot('first-start')}")
    close(program, driver)
    check_equal(harness.read_settings(folder), DEFAULT_FILE, harness.SETTINGS_FILE)


def stored_texts_select_items_and_are_kept(run: harness.Scenario):
    # The port name differs from the found port's only in letter case; the speed is no item.
    stored = {"uM comport": "com3", "uM SerialSpeed": "300", "CLOCKTRIM": "-7",
              "Time interval": "30"}
    folder = run.program_folder(settings=settings_with(stored))
    with serial_device() as device:
        run.pin_com_ports({3: device})
        program, driver = start(run, folder)
        # The port list is filled last, after the port scan.
        harness.wait_until(lambda: driver.combo(PORT_LIST)["items"], "the port list's items")

        for list_id, selected in [(PORT_LIST, "COM3"), (SPEED_LIST, ""), (CLOCKTRIM_LIST, "-7"),
                                  (INTERVAL_LIST, "30")]:
            check_equal(driver.combo_selection(list_id)[1], selected,
                        f"selection of list {list_id}")
        check_equal(driver.combo_items(PORT_LIST), ["COM3"], "items of the port list")

        # A choice replaces the stored text; the stored texts the user left alone are saved as
        # they were, in their own letters.
        driver.choose(INTERVAL_LIST, INTERVAL_ITEMS.index("120"))
        close(program, driver)
    check_equal(harness.read_settings(folder), settings_with({**stored, "Time interval": "120"}),
                harness.SETTINGS_FILE)


def log_view_follows_the_window_size(run: harness.Scenario):
    folder = run.program_folder()
    program, driver = start(run, folder)
    answer_no_ports_box(driver)

    resized = driver.resize(600, 420)
    harness.wait_until(lambda: driver.control(LOG_VIEW)["width"] != 448,
                       "the log view's new size")
    check_log_fits(driver, resized, "after a resize")
    minimized = driver.minimize()
    check(minimized["minimized"], f"window not minimized: {minimized}")
    check_log_fits(driver, resized, "while minimized")

    # Closed while minimized, the window stores its normal place and size.
    close(program, driver)
    normal = normal_geometry(resized)
    check_equal(harness.read_settings(folder), settings_with(normal),
                f"{harness.SETTINGS_FILE} after closing the minimized window")

    # So the next start opens it as it was, and a maximized window stores it again.
    program, driver = start(run, folder)
    answer_no_ports_box(driver)
    reopened = driver.window()
    check_equal(normal_geometry(reopened), normal, "window at the next start")
    check(not reopened["minimized"], f"window minimized at the next start: {reopened}")
    check_log_fits(driver, reopened, "at the next start")
    maximized = driver.maximize()
    check(maximized["maximized"], f"window not maximized: {maximized}")
    harness.wait_until(lambda: driver.control(LOG_VIEW)["width"] > resized["clientWidth"] - 20,
                       "the log view's maximized size")
    check_log_fits(driver, maximized, "when maximized")
    close(program, driver)
    check_equal(harness.read_settings(folder), settings_with(normal),
                f"{harness.SETTINGS_FILE} after closing the maximized window")


def tab_walks_the_controls_in_creation_order(run: harness.Scenario):
    program, driver = start(run, run.program_folder())
    answer_no_ports_box(driver)

    check_equal(driver.set_focus(TAB_ORDER[0]), TAB_ORDER[0], "focus")
    walked = [driver.tab() for _ in TAB_ORDER[1:]]
    check_equal(walked, TAB_ORDER[1:], "controls reached by Tab")
    # A Tab in the log view is typed into it.
    check_equal(driver.tab(), LOG_VIEW, "focus after Tab in the log view")
    check_equal(driver.log_text(), "\t", "log text after Tab in the log view")

    # Shift+Tab walks back and goes on from the first control to the last.
    walked_back = [driver.shift_tab() for _ in TAB_ORDER]
    check_equal(walked_back, TAB_ORDER[-2::-1] + [LOG_VIEW], "controls reached by Shift+Tab")
    close(program, driver)


# A size other than the default one, so that a window opened in the default size shows.
STORED_SIZE = {"MainW": 520, "MainH": 330}


def place_on_no_monitor_opens_on_the_screen_and_is_kept_until_the_save(run: harness.Scenario):
    # (stored left, top; the expected left, top of the frame, from its width and height): the
    # window moves onto the work area of the one screen, at the nearest place there.
    cases = [((5000, 4000), lambda w, h: (SCREEN_WIDTH - w, SCREEN_HEIGHT - h)),
             ((-5000, 300), lambda w, h: (0, 300))]
    for (stored_x, stored_y), expected_place in cases:
        stored = settings_with({"MainX": stored_x, "MainY": stored_y, **STORED_SIZE})
        folder = run.program_folder(settings=stored)
        program, driver = start(run, folder)
        answer_no_ports_box(driver)

        window = driver.window()
        what = f"window stored at {stored_x}, {stored_y}"
        check_equal((window["left"], window["top"]),
                    expected_place(window["width"], window["height"]), f"place of the {what}")
        check_equal((window["clientWidth"], window["clientHeight"]),
                    (STORED_SIZE["MainW"], STORED_SIZE["MainH"]), f"size of the {what}")
        check(window["visible"] and not window["minimized"], f"{what} not shown: {window}")
        check_log_fits(driver, window, f"in the {what}")
        check_equal(harness.read_settings(folder), stored,
                    f"{harness.SETTINGS_FILE} while the {what} is open")

        # Closing saves, and the save stores where the window is now.
        close(program, driver)
        check_equal(harness.read_settings(folder), settings_with(normal_geometry(window)),
                    f"{harness.SETTINGS_FILE} after closing the {what}")


if __name__ == "__main__":
    harness.main([first_start_shows_the_default_window, stored_texts_select_items_and_are_kept,
                  log_view_follows_the_window_size, tab_walks_the_controls_in_creation_order,
                  place_on_no_monitor_opens_on_the_screen_and_is_kept_until_the_save])
