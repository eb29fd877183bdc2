"""Faults of the controller, against the simulated Micromite on port 7 (COM7 under Wine): it
vanishes (its server killed outright, so that the pseudo-terminal's master side closes) during
an upload, between two tick lines and while a tick line is awaited; and it floods the line with
garbage, zero bytes among it, during an upload and during a run. Port 7 is a link that each new
server takes over, so that one session of the program meets several controllers in turn.

A line speed that does not match the controller's (framing errors) cannot be made on a
pseudo-terminal, which has no line speed; the native fault tests cover it."""

import time

import harness
from calibration import (CLOCKTRIM_LIST, HEADER_LINE, INTERVAL_SECONDS, TICK_NOTE,
                         RUN_STOPPED, START_BUTTON, TRIM, UPLOAD_BUTTON, UPLOAD_BYTES,
                         UPLOAD_COMPLETED, UPLOAD_TIMEOUT_SECONDS, run_lines,
                         start_with_controller, stop_run, tick_interval, wait_for_log,
                         wait_for_run_end, without_rate_report)
from checks import check, check_equal
from micromite import Micromite

INTERVAL_LIST = 28

UPLOAD_ABANDONED = "Upload abandoned: the Micromite's port no longer answers."
PORT_GONE = "No tick line came from the Micromite: its port no longer answers."

# The tick program is uploaded for a 60 s interval and the run timed at 10 s: the run's timer
# then wakes the program 9.7 s after the first tick line, and its wait for the second lasts until
# the controller prints it, 60 s after the first. The program idles for 8 s and then polls for
# 50 s: wide windows for the controller to vanish in, whatever the machine's load.
UPLOADED_INTERVAL = "60"
RUN_INTERVAL = "10"
# When the controller vanishes, in seconds after its first tick line of the run.
VANISH_AFTER_FIRST_LINE = {"between-lines": 5, "awaiting-a-line": 25}

# Bounds against hangs only: a wait that no vanished port ended would last 65 s.
RUN_TIMEOUT_SECONDS = 150
FLOOD_TIMEOUT_SECONDS = 300

# The program takes a flood in only as fast as it reads, a few KiB per tick line, so the run's
# flood is kept to what some tens of intervals take in, to see the run measure again after it.
RUN_FLOOD_BYTES = 96 * 1024
FLOOD_FROM_TICK = 2
# A bound against a runaway, not a measure: room for the log's text and Wine's caches.
MEMORY_GROWTH_LIMIT_KB = 50 * 1024
# Intervals that show the controller's lines stamped again: while the flood's bytes end each
# wait, the logged intervals are the timer's period, 300 ms shorter.
RECOVERED_TOLERANCE_SECONDS = 0.100
RECOVERED_LINES = 2


def controller(run: harness.Scenario, name, **options) -> Micromite:
    """A simulated Micromite served behind the link that COM7 names."""
    return Micromite(run.run_folder / "logs", name, link=run.link_path("com7"), **options)


def choose_interval(driver, seconds):
    driver.choose(INTERVAL_LIST, driver.combo_items(INTERVAL_LIST).index(seconds))


def upload(driver) -> list:
    """Presses the upload button; the log once this upload, not an earlier one, has completed."""
    completed_before = driver.log_lines().count(UPLOAD_COMPLETED)
    driver.press(UPLOAD_BUTTON)
    return wait_for_log(driver, lambda log: log.count(UPLOAD_COMPLETED) > completed_before,
                        "the end of the upload", UPLOAD_TIMEOUT_SECONDS)


def vanish_during_the_upload(driver, device: Micromite):
    driver.press(UPLOAD_BUTTON)
    # The upload's longest pauses follow NEW.
    harness.wait_until(lambda: b"NEW\r" in device.record().received_bytes(),
                       "NEW received by the controller", UPLOAD_TIMEOUT_SECONDS)
    device.vanish()
    log = wait_for_log(driver, lambda log: log[-1] in (UPLOAD_ABANDONED, UPLOAD_COMPLETED),
                       "the end of the upload", UPLOAD_TIMEOUT_SECONDS)
    check_equal(log[-1], UPLOAD_ABANDONED, "last log line of the upload")


def vanish_during_a_run(driver, device: Micromite, after_first_line_seconds):
    choose_interval(driver, UPLOADED_INTERVAL)
    upload(driver)
    choose_interval(driver, RUN_INTERVAL)
    driver.press(START_BUTTON)
    wait_for_log(driver, lambda log: HEADER_LINE.fullmatch(log[-1]), "the run's header line",
                 RUN_TIMEOUT_SECONDS)
    vanish_at = device.record().ticks[0].at + after_first_line_seconds * 1_000_000_000
    harness.wait_until(lambda: time.monotonic_ns() >= vanish_at, "the moment to vanish",
                       after_first_line_seconds + 10)
    device.vanish()
    log = without_rate_report(wait_for_run_end(driver, RUN_TIMEOUT_SECONDS))
    # The port's failure, not the wait's bound, ended the run, and no tick line came before.
    check_equal(run_lines(log), [PORT_GONE, RUN_STOPPED], "log lines after the run's header")


def vanishing_controller_ends_the_upload_and_the_run_with_a_log_line(run: harness.Scenario):
    with controller(run, "com7-upload") as device:
        folder, program, driver = start_with_controller(run, device)
        vanish_during_the_upload(driver, device)
    for moment, seconds in VANISH_AFTER_FIRST_LINE.items():
        with controller(run, f"com7-{moment}") as device:
            vanish_during_a_run(driver, device, seconds)
    harness.close_until_ended(program, driver)
    check_equal(program.wait(), 0, "exit code")
    # The interval chosen last is kept only by the save at exit.
    settings = harness.read_settings(folder)
    check(f"Time interval = {RUN_INTERVAL}\r\n".encode("ascii") in settings,
          f"the settings file does not hold the chosen interval: {settings!r}")


def flood_during_the_upload(driver, device: Micromite):
    log = upload(driver)
    check_equal(log[-1], UPLOAD_COMPLETED, "last log line of the upload")
    record = device.record()
    check(record.floods and record.floods[0].at < record.received[-1].at,
          "the controller did not flood the line during the upload")
    # The flood coming in does not disturb what goes out.
    check_equal(record.received_bytes(), UPLOAD_BYTES, "bytes received by the controller")


def tick_intervals(lines) -> list:
    """The intervals of the lines; each must be a tick line, or a note beside one (a line the
    flood broke is not a tick line, and the next counter says it was lost)."""
    return [tick_interval(line) for line in lines if not TICK_NOTE.fullmatch(line)]


def flood_during_a_run(driver, device: Micromite):
    upload(driver)
    driver.press(START_BUTTON)
    harness.wait_until(lambda: device.record().floods, "the flood's start", RUN_TIMEOUT_SECONDS)
    lines_before = len(run_lines(driver.log_lines()))

    # The window answers the driver throughout.
    def flooded_and_log():
        log = driver.log_lines()
        written = sum(flood.count for flood in device.record().floods)
        return log if written == RUN_FLOOD_BYTES else None
    log = harness.wait_until(flooded_and_log, "the flood's end", FLOOD_TIMEOUT_SECONDS)
    lines_after = len(run_lines(log))
    # The flood's bytes never end a wait: every interval logged since it began spans a whole
    # number of the controller's intervals (a line the flood broke is lost, not stamped).
    for interval in tick_intervals(run_lines(log)[lines_before:]):
        ticks = round(interval / INTERVAL_SECONDS)
        off = abs(interval - ticks * INTERVAL_SECONDS)
        check(ticks >= 1 and off <= RECOVERED_TOLERANCE_SECONDS,
              f"an interval of the flood's time is no whole number of ticks: {interval}")

    def recovered(log):
        later = tick_intervals(run_lines(log)[lines_after:])
        return len(later) >= RECOVERED_LINES and all(
            abs(interval - INTERVAL_SECONDS) <= RECOVERED_TOLERANCE_SECONDS
            for interval in later[-RECOVERED_LINES:])
    wait_for_log(driver, recovered, "the controller's intervals logged again after the flood",
                 RUN_TIMEOUT_SECONDS)
    check_equal(without_rate_report(stop_run(driver))[-1], RUN_STOPPED, "last log line")


def flooding_controller_leaves_the_upload_and_the_run_measuring(run: harness.Scenario):
    with controller(run, "com7-upload", flood_after_received=1) as device:
        folder, program, driver = start_with_controller(run, device)
        memory_before = program.resident_kilobytes()
        driver.choose(CLOCKTRIM_LIST, driver.combo_items(CLOCKTRIM_LIST).index(TRIM))
        flood_during_the_upload(driver, device)
    with controller(run, "com7-run", flood_after_ticks=FLOOD_FROM_TICK,
                    flood_bytes=RUN_FLOOD_BYTES) as device:
        flood_during_a_run(driver, device)
        memory_after = program.resident_kilobytes()
        run.screenshot("after-the-flood")
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")
    check(memory_after - memory_before < MEMORY_GROWTH_LIMIT_KB,
          f"the program grew from {memory_before} KiB to {memory_after} KiB")
    check(harness.read_settings(folder), "the settings file is empty")


if __name__ == "__main__":
    harness.main([vanishing_controller_ends_the_upload_and_the_run_with_a_log_line,
                  flooding_controller_leaves_the_upload_and_the_run_measuring])
