"""The rate and the automatic trim, against the simulated Micromite of the run command
(345 ppm fast at CLOCKTRIM 0, 115 ppm per step, so CLOCKTRIM -3 keeps time): the trim chosen from
the window menu ends with the CLOCKTRIM list on that value and the controller holding it, and the
rate shown during a run holds the controller's true rate within its bound."""

import re

import harness
from calibration import (CLOCKTRIM_LIST, SETTINGS, START_BUTTON, UPLOAD_BUTTON, UPLOAD_COMPLETED,
                         start_with_controller, stop_run, wait_for_log, wait_for_tick_lines,
                         wait_until_ready)
from checks import check, check_equal
from micromite import Micromite

ERROR_PPM = 345
TRIM_STEP_PPM = 115
BEST_TRIM = "-3"

TRIM_AUTOMATICALLY = 0x110
SHOW_RATE_NOW = 0x120

# An upload of 8 s, three or four measurements of 18 s or more at 3 s intervals, each after an
# OPTION CLOCKTRIM of its own, and the last upload; on a busy machine the stamps scatter and each
# measurement lasts up to 75 s. The bound is for hangs.
TRIM_TIMEOUT_SECONDS = 780
DONE_LINE = re.compile(r"Automatic trim done: CLOCKTRIM (-?\d+), measured .*")
RATE_LINE = re.compile(
    r"Rate at CLOCKTRIM (-?\d+): (\d+\.\d) ppm (fast|slow) \u00B1(\d+\.\d) \((\d+) intervals\)\.")
OPTION_LINE = "To keep it, start your program with OPTION CLOCKTRIM {}."


def uploaded_trims(record) -> list:
    """The CLOCKTRIM values the controller was sent, in order."""
    return re.findall(rb"OPTION CLOCKTRIM (-?\d+)\r", record.received_bytes())


def trim_automatically_ends_on_the_value_that_keeps_time(run: harness.Scenario):
    with Micromite(run.run_folder / "logs", "com7", error_ppm=ERROR_PPM,
                   trim_step_ppm=TRIM_STEP_PPM) as device:
        run.pin_com_ports({7: device.terminal})
        folder = run.program_folder(
            settings=f"[micromite]\r\nuM comport = {run.port_name(7)}\r\n".encode("utf-8"))
        program = run.start_program(folder)
        driver = run.driver()
        wait_until_ready(driver)
        driver.window_menu_command(TRIM_AUTOMATICALLY)
        log = wait_for_log(driver, lambda log: any(DONE_LINE.fullmatch(line) for line in log),
                           "the end of the automatic trim", TRIM_TIMEOUT_SECONDS)
        run.screenshot("trimmed")
        print("\n".join(log))
        check_equal(driver.combo_selection(CLOCKTRIM_LIST)[1], BEST_TRIM, "CLOCKTRIM list")
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")
        settings = (folder / harness.SETTINGS_FILE).read_bytes()

    done = next(filter(None, map(DONE_LINE.fullmatch, log)))
    check_equal(done.group(1), BEST_TRIM, "value found")
    check_equal(log[-1], OPTION_LINE.format(BEST_TRIM), "last log line")
    trims = uploaded_trims(device.record())
    check(len(trims) >= 2, f"the search uploaded only {trims}")
    check_equal(trims[-1], BEST_TRIM.encode("ascii"), "the last upload's CLOCKTRIM")
    # The controller keeps the program at the chosen interval; the search's own interval is not
    # saved.
    check(b"interval = 10\r" in device.record().received_bytes().rsplit(b"OPTION CLOCKTRIM", 1)[1],
          "the last upload is not at the chosen interval")
    check(f"CLOCKTRIM = {BEST_TRIM}\r\n".encode("ascii") in settings,
          f"the settings file does not hold the value found: {settings!r}")
    check(b"Time interval = 10\r\n" in settings, f"the chosen interval was not kept: {settings!r}")


def rate_shown_during_a_run_holds_the_true_rate(run: harness.Scenario):
    with Micromite(run.run_folder / "logs", "com7", error_ppm=ERROR_PPM,
                   trim_step_ppm=TRIM_STEP_PPM) as device:
        _, program, driver = start_with_controller(run, device)
        driver.choose(CLOCKTRIM_LIST, driver.combo_items(CLOCKTRIM_LIST).index("0"))
        driver.press(UPLOAD_BUTTON)
        wait_for_log(driver, lambda log: UPLOAD_COMPLETED in log, "the end of the upload", 90)
        driver.press(START_BUTTON)
        wait_for_tick_lines(driver, 5)
        driver.window_menu_command(SHOW_RATE_NOW)
        log = wait_for_log(driver, lambda log: any(RATE_LINE.fullmatch(line) for line in log),
                           "the rate line", 30)
        stop_run(driver)
        harness.close_until_ended(program, driver)
        program.wait()

    rate = next(filter(None, map(RATE_LINE.fullmatch, log)))
    ppm = float(rate.group(2)) * (1 if rate.group(3) == "fast" else -1)
    bound = float(rate.group(4))
    check_equal(rate.group(1), "0", "CLOCKTRIM of the run")
    check(int(rate.group(5)) >= 5, f"the rate covers only {rate.group(5)} intervals")
    # The bound's last decimal is rounded.
    check(abs(ppm - ERROR_PPM) <= bound + 0.05,
          f"the rate {ppm} ppm \u00B1{bound} does not hold the true {ERROR_PPM} ppm")


if __name__ == "__main__":
    harness.main([trim_automatically_ends_on_the_value_that_keeps_time,
                  rate_shown_during_a_run_holds_the_true_rate])
