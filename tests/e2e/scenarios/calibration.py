"""Clock calibration against the simulated Micromite on port 7 (COM7 under Wine): the tick
program upload with a CLOCKTRIM value chosen in the list, a timing run whose logged figures are
checked against the controller's own record of its tick lines, Stop, the window closed during a
run, a run whose last line is wider than the log's view (its newest line must stay above the
horizontal scroll bar that the line brings), and a longer interval chosen during a run, which
changes nothing the controller does: the program still wakes before each line and stamps it on
time."""

import re
import time

import harness
from checks import Failure, check, check_equal
from micromite import Micromite

UPLOAD_BUTTON = 5
PORT_LIST = 18
CLOCKTRIM_LIST = 21
INTERVAL_LIST = 28
START_BUTTON = 25
STOP_BUTTON = 26
LINK_PORT = 7

CONTROL_C = b"\x03"
CONTROL_Z = b"\x1a"

# An interval the list does not offer, so that a run shows many ticks in little time.
INTERVAL_SECONDS = 2
SETTINGS = f"[micromite]\r\nTime interval = {INTERVAL_SECONDS}\r\n".encode("ascii")

TRIM = "-10"
# A coarse trim step: the chosen trim lengthens every interval by far more than the tolerance
# below (by 11 %), so the figures show whether the controller took it.
TRIM_STEP_PPM = 10000

TICK_PROGRAM = [f"interval = {INTERVAL_SECONDS}", "SETTICK 1000, ticker", "DO:LOOP", "END",
                "SUB ticker", "n = n + 1", "IF n MOD interval = 1 THEN", "PRINT n", "END IF",
                "END SUB"]
UPLOAD_BYTES = (CONTROL_C
                + b"".join(f"{command}\r".encode("ascii")
                           for command in [f"OPTION CLOCKTRIM {TRIM}", "NEW", "AUTOSAVE",
                                           *TICK_PROGRAM])
                + CONTROL_Z)
RUN_BYTES = b"RUN\r"

UPLOAD_COMPLETED = "Program uM completed"
RUN_STOPPED = "Time check stopped."
# Any line that says a tick's stamp is not trusted, and the other notes a tick line may have
# beside it: lines that were not tick lines, and tick lines lost.
UNTRUSTED_STAMP = re.compile(r"Late stamp: this interval reads .*")
TICK_NOTE = re.compile(r"Late stamp: .*|Not a tick line: .*"
                       r"|\d+ tick lines? lost: this interval spans \d+ ticks\.")
HEADER_LINE = re.compile(r"\d\d:\d\d:\d\d,  Interval,  Average")
TICK_LINE = re.compile(r"\d\d:\d\d:\d\d,  (\d+\.\d{6}),  (\d+\.\d{6})")
# A run that measured something ends with the lines that turn its stamps into advice, after the
# count of its lines that were not tick lines when the log did not show each.
RATE_REPORT_LINE = re.compile(r"(Rate at CLOCKTRIM |Rate: |Step |Advice: CLOCKTRIM "
                              r"|To keep it, start your program with OPTION CLOCKTRIM "
                              r"|Lines in this run that were not tick lines: ).*")
# Those lines follow the run's last line in the same handler, moments later.
RATE_REPORT_SECONDS = 1

# Enough logged ticks that a drifting stamp or a miscounted average shows.
LOGGED_TICKS = 6
# The program's stamps against the controller's print times. On a busy machine the polling
# program is sometimes scheduled out when a line comes (stamps some 40 ms late have been seen),
# so this is generous; a wrong formula, a stamp of the wrong line, or a missed or extra tick line
# are each off by far more.
TOLERANCE_SECONDS = 0.100
NANOSECONDS = 1e9

# Bounds against hangs only: the upload pauses 53 line delays of 150 ms.
UPLOAD_TIMEOUT_SECONDS = 90
RUN_TIMEOUT_SECONDS = 120
# Stop pressed while a tick line is awaited is carried out once the line is logged; it is pressed
# again only if the program has not acted on it by then.
STOP_ANSWER_SECONDS = 3 * INTERVAL_SECONDS


def wait_until_ready(driver):
    """Waits for the window and for the port scan to fill its list: until then the start-up's
    drains discard what the user does, as they discard a click on a button."""
    driver.window(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS)
    harness.wait_until(lambda: driver.combo_items(PORT_LIST), "the port list filled by the scan")


def start_with_controller(run: harness.Scenario, device: Micromite):
    """The program with the controller on port 7 (COM7 under Wine) and the short interval;
    (folder, program, driver) once its window is ready."""
    run.pin_com_ports({LINK_PORT: device.terminal})
    # The link's port as the port list names it: under Wine that is the default port already,
    # the native program knows no COM names.
    folder = run.program_folder(
        settings=SETTINGS + f"uM comport = {run.port_name(LINK_PORT)}\r\n".encode("utf-8"))
    program = run.start_program(folder)
    driver = run.driver()
    wait_until_ready(driver)
    return folder, program, driver


def wait_for_log(driver, condition, what, timeout_seconds) -> list:
    """The log's lines once condition(lines) holds."""
    def log_if_done():
        log = driver.log_lines()
        return log if condition(log) else None
    return harness.wait_until(log_if_done, what, timeout_seconds)


def upload_with_trim(driver) -> list:
    """Chooses TRIM in the CLOCKTRIM list and presses the upload button; the log once the upload
    has completed."""
    driver.choose(CLOCKTRIM_LIST, driver.combo_items(CLOCKTRIM_LIST).index(TRIM))
    driver.press(UPLOAD_BUTTON)
    return wait_for_log(driver, lambda log: UPLOAD_COMPLETED in log, "the end of the upload",
                        UPLOAD_TIMEOUT_SECONDS)


def without_rate_report(log) -> list:
    """The log without the lines that end a run with its rate and advice."""
    return [line for line in log if not RATE_REPORT_LINE.fullmatch(line)]


def wait_for_run_end(driver, timeout_seconds) -> list:
    """The log once the run has logged its last line and the report after it."""
    wait_for_log(driver, lambda log: without_rate_report(log)[-1] == RUN_STOPPED,
                 "the end of the run", timeout_seconds)
    time.sleep(RATE_REPORT_SECONDS)
    return driver.log_lines()


def run_lines(log) -> list:
    """The lines logged after the run's header line."""
    headers = [index for index, line in enumerate(log) if HEADER_LINE.fullmatch(line)]
    return log[headers[-1] + 1:] if headers else []


def wait_for_tick_lines(driver, count) -> list:
    """The log once the run has logged count tick lines."""
    return wait_for_log(driver, lambda log: len(run_lines(log)) >= count, f"{count} tick lines",
                        RUN_TIMEOUT_SECONDS)


def stop_run(driver) -> list:
    """Presses Stop until the run says it stopped; the log then."""
    for _ in range(RUN_TIMEOUT_SECONDS // STOP_ANSWER_SECONDS):
        driver.press(STOP_BUTTON)
        try:
            return wait_for_run_end(driver, STOP_ANSWER_SECONDS)
        except Failure:
            pass
    raise Failure("the run did not stop")


# WM_VSCROLL codes: the log scrolled to its top, as the user does, and to its bottom.
SB_TOP = 6
SB_BOTTOM = 7
# Reads of the view are repeated when a line came between them.
VIEW_READS = 3
# A bound only: the view follows a new line within a frame or two.
VIEW_SETTLE_SECONDS = 5


def newest_line_in_view(driver, view) -> bool:
    """Whether the view shows the log's newest line wholly (not under a horizontal scroll bar),
    its first visible line lying within the control's own last page, which scrolling to the
    bottom shows (and leaves in view). False when a line came meanwhile and the reads do not
    agree."""
    last_page = driver.scroll_log(SB_BOTTOM)
    if last_page["lineCount"] != view["lineCount"]:
        return False
    check(last_page["firstVisibleLine"] > 0, f"the log does not fill its view: {last_page}")
    check(last_page["firstVisibleLine"] <= view["firstVisibleLine"] < view["lineCount"]
          and view["newestLineWhole"],
          f"the newest line is not wholly in view: {view}, the last page begins at line "
          f"{last_page['firstVisibleLine']}")
    return True


def settled_view(driver) -> dict:
    """The log's view once its newest line is wholly in view, else as it stays: GTK scrolls to
    a new line once it has laid the line out, just after adding it (the Windows control at
    once), and again once a horizontal scroll bar that the line brings has taken its room."""
    try:
        return harness.wait_until(
            lambda: (lambda now: now if now["newestLineWhole"] else None)(driver.log_view()),
            "the newest line wholly in view", VIEW_SETTLE_SECONDS)
    except Failure:
        return driver.log_view()  # the check tells where the view stayed


def check_next_line_comes_into_view(driver):
    """The user scrolls the log to its top during a run; the run's next line brings the newest
    line into view again."""
    for _ in range(VIEW_READS):
        top = driver.scroll_log(SB_TOP)
        if top["firstVisibleLine"] != 0:
            continue  # a line came between the scroll and the read
        check(not top["newestLineWhole"],
              f"the newest line reads as in view with the log scrolled to its top: {top}")
        view = harness.wait_until(
            lambda: (lambda now: now if now["lineCount"] > top["lineCount"] else None)(
                driver.log_view()),
            "the run's next line", RUN_TIMEOUT_SECONDS)
        view = settled_view(driver)
        if newest_line_in_view(driver, view):
            return
    raise Failure("lines kept coming while the log's view was read")


def check_upload(log, record):
    check_equal(record.received_bytes(), UPLOAD_BYTES, "bytes received by the controller")
    check_equal(log[-1], UPLOAD_COMPLETED, "last log line of the upload")
    # Each program line's echo is logged as a line of its own, its line end taken off.
    check(any(log[first:first + len(TICK_PROGRAM)] == TICK_PROGRAM for first in range(len(log))),
          f"the program lines are not logged one a line: {log}")


def check_figures(logged, tick_times):
    """Tick line k of the log (from 1) against the controller's lines 0..k of the run."""
    check(len(tick_times) > len(logged),
          f"{len(logged)} tick lines logged, the controller printed {len(tick_times)}")
    for k, line in enumerate(logged, start=1):
        match = TICK_LINE.fullmatch(line)
        check(match, f"tick line {k} is not a tick line: {line!r}")
        interval, average = map(float, match.groups())
        expected_interval = (tick_times[k] - tick_times[k - 1]) / NANOSECONDS
        expected_average = (tick_times[k] - tick_times[0]) / NANOSECONDS / k
        check(abs(interval - expected_interval) <= TOLERANCE_SECONDS
              and abs(average - expected_average) <= TOLERANCE_SECONDS,
              f"tick line {k} {line!r}: the controller's lines give the interval "
              f"{expected_interval:.6f} and the average {expected_average:.6f}")


def upload_then_run_then_stop(run: harness.Scenario):
    with Micromite(run.run_folder / "logs", "com7", trim_step_ppm=TRIM_STEP_PPM) as device:
        _, program, driver = start_with_controller(run, device)
        check_upload(upload_with_trim(driver), device.record())

        driver.press(START_BUTTON)
        wait_for_tick_lines(driver, LOGGED_TICKS)
        check_next_line_comes_into_view(driver)
        run.screenshot("run")
        log = stop_run(driver)
        check(newest_line_in_view(driver, settled_view(driver)),
              "lines came into the log after the run had stopped")
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")

    record = device.record()
    # The run sent RUN, and Stop a Ctrl-C after it; no line feed was ever sent.
    check_equal(record.received_bytes(), UPLOAD_BYTES + RUN_BYTES + CONTROL_C,
                "bytes received by the controller")
    tick_times = [tick.at for tick in record.ticks]
    # The controller's clock runs at the chosen trim.
    trimmed_interval = INTERVAL_SECONDS / (1 + int(TRIM) * TRIM_STEP_PPM * 1e-6)
    for earlier, later in zip(tick_times, tick_times[1:]):
        check(abs((later - earlier) / NANOSECONDS - trimmed_interval) < 1e-6,
              f"the controller's ticks are not {trimmed_interval:.6f} s apart: {tick_times}")

    # The run's start: RUN's echo as it came (its line end makes an empty line), then the header;
    # the controller's first tick line is not logged.
    check(RATE_REPORT_LINE.fullmatch(log[-1]), f"the run ends without its rate: {log[-1]!r}")
    run_log = without_rate_report(log[log.index(UPLOAD_COMPLETED) + 1:])
    check_equal(run_log[:4], ["Time check started.", "Connected to Master at 38400", "RUN", ""],
                "log of the run's start")
    check(HEADER_LINE.fullmatch(run_log[4]), f"not the run's header line: {run_log[4]!r}")
    check_figures(run_log[5:-1], tick_times)
    check_equal(run_log[-1], RUN_STOPPED, "last log line")


def closing_during_a_run_saves_the_settings_then_stops_the_run(run: harness.Scenario):
    with Micromite(run.run_folder / "logs", "com7") as device:
        folder, program, driver = start_with_controller(run, device)
        upload_with_trim(driver)
        driver.press(START_BUTTON)
        wait_for_tick_lines(driver, 1)
        close_asked_at = time.monotonic_ns()
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")
        settings_file = folder / harness.SETTINGS_FILE
        # The file's time is the wall clock's, the record's the monotonic clock's: the offset
        # between them is taken now. The kernel stamps a file with a coarse clock that may lag by
        # a few milliseconds, never lead.
        saved_at = settings_file.stat().st_mtime_ns - (time.time_ns() - time.monotonic_ns())
        settings = settings_file.read_bytes()

    record = device.record()
    check_equal(record.received_bytes(), UPLOAD_BYTES + RUN_BYTES + CONTROL_C,
                "bytes received by the controller")
    stop = record.received[-1]
    check(stop.at > close_asked_at, "the run's Ctrl-C came before the window was closed")
    # The list's choice is kept only by the save at exit.
    check(f"CLOCKTRIM = {TRIM}\r\n".encode("ascii") in settings,
          f"the settings file does not hold the chosen trim: {settings!r}")
    # Stop pauses two line delays after its Ctrl-C: a save after it would be stamped that much
    # later.
    check(saved_at < stop.at,
          f"the settings were saved {(saved_at - stop.at) / 1e6:.3f} ms after the run's Ctrl-C")


# A run in a session without an upload ends on a rate line that names no CLOCKTRIM, wider than
# the log's view; every line before it fits.
UNCREDITED_RATE_LINE = re.compile(r"Rate: .* \(\d+ intervals\), "
                                  r"CLOCKTRIM unknown: no upload in this session\.")
# Enough tick lines that the log's lines fill its view.
VIEW_FILLING_TICKS = 16


def header_count(log) -> int:
    return sum(1 for line in log if HEADER_LINE.fullmatch(line))


def check_newest_line_above_the_bar(driver, what):
    """The log's last line wholly in view above a horizontal scroll bar."""
    view = settled_view(driver)
    check(view["horizontalScrollBar"], f"{what}: the log shows no horizontal scroll bar: {view}")
    check(newest_line_in_view(driver, view), f"{what}: lines came after the run had stopped")


def wide_lines_leave_the_newest_line_above_the_scroll_bar(run: harness.Scenario):
    with Micromite(run.run_folder / "logs", "com7") as device:
        _, program, driver = start_with_controller(run, device)
        upload_with_trim(driver)
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code of the session with the upload")

        # The controller keeps its program: the next session runs it without an upload.
        _, program, driver = start_with_controller(run, device)
        driver.press(START_BUTTON)
        wait_for_tick_lines(driver, VIEW_FILLING_TICKS)
        check(not driver.log_view()["horizontalScrollBar"],
              f"a horizontal scroll bar before any wide line: {driver.log_lines()}")
        # The bar appears with the run's last line.
        log = stop_run(driver)
        check(UNCREDITED_RATE_LINE.fullmatch(log[-1]), f"not the run's rate line: {log[-1]!r}")
        run.screenshot("wide-rate-line")
        check_newest_line_above_the_bar(driver, "the wide line that ends the run")

        # The bar is there from the start: each line of the next run, and its end.
        driver.press(START_BUTTON)
        wait_for_log(driver, lambda log: header_count(log) == 2 and len(run_lines(log)) >= 2,
                     "the second run's tick lines", RUN_TIMEOUT_SECONDS)
        check_next_line_comes_into_view(driver)
        log = stop_run(driver)
        check(UNCREDITED_RATE_LINE.fullmatch(log[-1]), f"not the run's rate line: {log[-1]!r}")
        check_newest_line_above_the_bar(driver, "the second run's end")
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")


# Longer than the uploaded interval: a timer armed for it would wake the program after the line.
LONGER_INTERVAL = "5"
# Lines logged after the choice, at the controller's interval: enough that a wake at the chosen
# one (2.5 times as long) would show as late stamps.
TICKS_AFTER_THE_CHOICE = 4


def tick_interval(line) -> float:
    match = TICK_LINE.fullmatch(line)
    check(match, f"not a tick line: {line!r}")
    return float(match.group(1))


def a_longer_interval_chosen_during_a_run_leaves_the_stamps_on_time(run: harness.Scenario):
    with Micromite(run.run_folder / "logs", "com7") as device:
        _, program, driver = start_with_controller(run, device)
        upload_with_trim(driver)
        driver.press(START_BUTTON)
        wait_for_tick_lines(driver, 2)
        in_time = len(run_lines(driver.log_lines()))
        driver.choose(INTERVAL_LIST, driver.combo_items(INTERVAL_LIST).index(LONGER_INTERVAL))
        wait_for_tick_lines(driver, in_time + TICKS_AFTER_THE_CHOICE)
        run.screenshot("longer-interval")
        log = stop_run(driver)
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")

    # The controller prints at the uploaded interval; every line, before the choice and after,
    # came while the program polled for it, and the rate is known.
    lines = run_lines(without_rate_report(log))
    check(not any(map(UNTRUSTED_STAMP.fullmatch, lines)), f"a late stamp: {lines}")
    check_equal(lines[-1], RUN_STOPPED, "last log line")
    logged = [line for line in lines if TICK_LINE.fullmatch(line)]
    check(len(logged) >= in_time + TICKS_AFTER_THE_CHOICE,
          f"{len(logged)} tick lines logged: {lines}")
    check_figures(logged, [tick.at for tick in device.record().ticks])
    rate_lines = [line for line in log if line.startswith("Rate")]
    check(rate_lines and "not known yet" not in rate_lines[-1], f"no rate: {rate_lines}")


if __name__ == "__main__":
    harness.main([upload_then_run_then_stop,
                  closing_during_a_run_saves_the_settings_then_stops_the_run,
                  wide_lines_leave_the_newest_line_above_the_scroll_bar,
                  a_longer_interval_chosen_during_a_run_leaves_the_stamps_on_time])
