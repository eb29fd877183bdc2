"""The log's records under Wine, against the simulated Micromite on COM7: the log's right-click
menu and its keyboard shortcuts, the log saved as text through the system's Save As dialog (and
saved again over the same file, and beside files of the user's named as a save's new file once
was), and the measurements of two timing runs saved as CSV, whose rows
must agree with the runs' lines in the log."""

import csv
import io
import os
import re
import stat
import time
from datetime import datetime

import harness
from calibration import (HEADER_LINE, PORT_LIST, RUN_TIMEOUT_SECONDS, START_BUTTON,
                         TICK_LINE, TICK_NOTE, TRIM, UNTRUSTED_STAMP, start_with_controller,
                         stop_run, upload_with_trim, wait_for_log)
from checks import Failure, check, check_equal
from micromite import Micromite
from wine import windows_path

# The program's command identifiers (WM_COMMAND, WM_SYSCOMMAND).
COPY = 0x130
SELECT_ALL = 0x140
SAVE_LOG_AS = 0x150
SAVE_MEASUREMENTS_AS = 0x160
CLEAR_LOG = 0x170
SHOW_GRAPH = 0x180
SAVE_GRAPH_AS = 0x190
TRIM_AUTOMATICALLY = 0x110
SHOW_RATE_NOW = 0x120
NEW_CHIP = 0x1A0

SEPARATOR = None
LOG_MENU = [(COPY, "&Copy\tCtrl+C"), (SELECT_ALL, "Select &All\tCtrl+A"), SEPARATOR,
            (SAVE_LOG_AS, "&Save Log As...\tCtrl+S"),
            (SAVE_MEASUREMENTS_AS, "Save &Measurements As..."),
            (SAVE_GRAPH_AS, "Save Gra&ph As..."), SEPARATOR,
            (CLEAR_LOG, "C&lear Log"), SEPARATOR,
            (TRIM_AUTOMATICALLY, "Trim automatically"), (SHOW_RATE_NOW, "Show the rate now"),
            (NEW_CHIP, "New chip"), (SHOW_GRAPH, "Show &graph\tCtrl+G")]

PROPOSED_NAME = re.compile(r"Tockmeter (\d{4}-\d\d-\d\d \d\d-\d\d)\.(txt|csv)")
PROPOSED_TIME = "%Y-%m-%d %H-%M"
UTF8_BOM = b"\xef\xbb\xbf"
NO_RATE_YET = "No rate yet: upload the tick program, then start a timing run."


def menu_layout(items) -> list:
    """The menu as LOG_MENU spells it: (identifier, text) per item, SEPARATOR per separator."""
    return [SEPARATOR if item["separator"] else (item["id"], item["text"]) for item in items]


def enabled_items(items) -> dict:
    return {item["id"]: item["enabled"] for item in items if not item["separator"]}


def minute_now() -> datetime:
    return datetime.now().replace(second=0, microsecond=0)


def check_save_dialog(dialog, title, extension, opened_between):
    """The program's Save As dialog: its title, owned by the window, and a proposed name that
    holds the minute it was opened in (the program's clock and ours are the same machine's)."""
    check_equal(dialog["title"], title, "the dialog's title")
    check(dialog["ownedByWindow"], "the Save As dialog is not owned by the program's window")
    name = PROPOSED_NAME.fullmatch(dialog["fileName"])
    check(name and name.group(2) == extension,
          f"proposed name {dialog['fileName']!r} is not 'Tockmeter YYYY-MM-DD hh-mm.{extension}'")
    proposed = datetime.strptime(name.group(1), PROPOSED_TIME)
    earliest, latest = opened_between
    check(earliest <= proposed <= latest,
          f"proposed name {dialog['fileName']!r} is not of the minute the dialog was opened in "
          f"({earliest:{PROPOSED_TIME}} to {latest:{PROPOSED_TIME}})")
    return dialog["fileName"]


def open_save_dialog(driver, how) -> tuple:
    """Opens a Save As dialog by calling how(); (dialog, minutes it was opened between)."""
    before = minute_now()
    how()
    dialog = driver.save_dialog()
    return dialog, (before, minute_now())


def log_file_bytes(lines) -> bytes:
    return UTF8_BOM + "".join(f"{line}\r\n" for line in lines).encode("utf-8")


def saved_bytes(path, expected: bytes, timeout_seconds=10) -> bytes:
    """The file's bytes once they are what the save should have written, or as they are after
    the timeout: the dialog is gone a moment before the program's save, which follows it, runs."""
    end = time.monotonic() + timeout_seconds
    while True:
        content = path.read_bytes() if path.exists() else b""
        if content == expected or time.monotonic() > end:
            return content
        time.sleep(0.2)


def wait_for_log_change(driver, before) -> list:
    def changed_log():
        log = driver.log_lines()
        return log if log != before else None
    return harness.wait_until(changed_log, "a change of the log")


def whole_log_selected(driver) -> bool:
    start, end = driver.log_selection()
    return start == 0 and end > 0


def log_menu_commands_and_the_log_saved_as_text(run: harness.Scenario):
    records = run.run_folder / "records"
    records.mkdir()
    with Micromite(run.run_folder / "logs", "com7") as device:
        _, program, driver = start_with_controller(run, device)
        log = upload_with_trim(driver)

        # Nothing is selected after the upload: Copy is greyed, the other commands are offered.
        items = driver.open_log_menu()
        run.screenshot("log-menu")
        driver.close_menu()
        check_equal(menu_layout(items), LOG_MENU, "the log's menu")
        check_equal(enabled_items(items),
                    {command: command != COPY for command, _ in filter(None, LOG_MENU)},
                    "enabled items of the log's menu without a selection")

        # Ctrl+A selects the whole log, also with the focus on a button; Copy then copies it.
        driver.set_focus(START_BUTTON)
        driver.key_ctrl("A")
        harness.wait_until(lambda: whole_log_selected(driver), "the log selected by Ctrl+A")
        check(enabled_items(driver.log_menu())[COPY], "Copy is greyed with the log selected")
        driver.choose_log_menu_item(COPY)
        copied = harness.wait_until(lambda: driver.clipboard(), "the copied log")
        check_equal(copied.splitlines(), log, "the copied text")

        # Ctrl+S opens Save Log As with the focus in a list; the file holds exactly the log.
        driver.set_focus(PORT_LIST)
        dialog, opened = open_save_dialog(driver, lambda: driver.key_ctrl("S"))
        run.screenshot("save-log-as")
        name = check_save_dialog(dialog, "Save Log As", "txt", opened)
        saved = records / name
        driver.save_dialog_save(windows_path(saved))
        log = driver.log_lines()
        check_equal(saved_bytes(saved, log_file_bytes(log)), log_file_bytes(log), "the saved log")

        # A line more, then the same name again: the dialog opens in the folder used last, so it
        # asks, and Yes replaces the file there.
        driver.choose_log_menu_item(SHOW_RATE_NOW)
        longer = wait_for_log_change(driver, log)
        check_equal(longer, log + [NO_RATE_YET], "the log after Show the rate now")
        dialog, opened = open_save_dialog(driver, lambda: driver.key_ctrl("S"))
        check_save_dialog(dialog, "Save Log As", "txt", opened)
        question = driver.save_dialog_replace(name)
        check("replace" in question.lower(), f"not a question to replace the file: {question!r}")
        again = log_file_bytes(driver.log_lines())
        check_equal(saved_bytes(saved, again), again, "the log saved again")

        # Clear Log empties it; with nothing to select, Copy is greyed again.
        driver.choose_log_menu_item(CLEAR_LOG)
        check_equal(wait_for_log_change(driver, longer), [""], "the log after Clear Log")
        check(not enabled_items(driver.log_menu())[COPY], "Copy is offered with an empty log")

        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")


def file_state(path) -> tuple:
    """All that tells a file or link apart from one put in its place: what it is, where a link
    leads, its inode, its time of change and its bytes (through a link, those of the file it
    leads to); None when nothing is there."""
    if not path.is_symlink() and not path.exists():
        return None
    status = path.lstat()
    leads_to = os.readlink(path) if path.is_symlink() else None
    return (stat.S_IFMT(status.st_mode), leads_to, status.st_ino, status.st_mtime_ns,
            path.read_bytes() if path.exists() else None)


def the_log_saved_beside_files_named_as_its_new_file_leaves_them_as_they_were(
        run: harness.Scenario):
    # A file of the user's and a link to another one, each named as a save's new file once was
    # (the chosen name and ".new"): the saves neither open, follow, replace nor remove them, and
    # leave nothing else behind.
    records = run.run_folder / "records"
    records.mkdir()
    mine = run.run_folder / "mine.txt"
    mine.write_bytes(b"the user's own file\r\n")
    linked_new = records / "beside a link.txt.new"
    linked_new.symlink_to(mine)
    plain_new = records / "beside a file.txt.new"
    plain_new.write_bytes(b"the user's file of that name\r\n")
    before = {path: file_state(path) for path in (mine, linked_new, plain_new)}
    with Micromite(run.run_folder / "logs", "com7") as device:
        _, program, driver = start_with_controller(run, device)
        log = driver.log_lines()
        driver.choose_log_menu_item(SHOW_RATE_NOW)
        wait_for_log_change(driver, log)
        for new_file in (linked_new, plain_new):
            saved = records / new_file.stem
            dialog, opened = open_save_dialog(driver, lambda: driver.key_ctrl("S"))
            check_save_dialog(dialog, "Save Log As", "txt", opened)
            driver.save_dialog_save(windows_path(saved))
            expected = log_file_bytes(driver.log_lines())
            check_equal(saved_bytes(saved, expected), expected, f"the log saved as {saved.name}")
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")

    for path, state in before.items():
        check_equal(file_state(path), state, f"{path.name} after the saves")
    check_equal(sorted(path.name for path in records.iterdir()),
                sorted([linked_new.name, plain_new.name, "beside a link.txt", "beside a file.txt"]),
                "files in the folder of the saves")


CSV_HEADER = ["Run", "CLOCKTRIM", "Tick", "Time", "Stamp (us)", "Interval (s)", "Average (s)",
              "Rate fast (ppm)", "Bound (ppm)", "Note", "Chip"]
CSV_TIME = re.compile(r"\d{4}-\d\d-\d\d (\d\d:\d\d:\d\d)")
CSV_PPM = re.compile(r"-?\d+\.\d{3}")
RUNS = 2
TICKS_PER_RUN = 3
MICROSECONDS = 1_000_000


def logged_runs(log) -> list:
    """Each run's stamped lines in the log, as (time of day, interval, average, late): first its
    header line (no interval, no average), then its tick lines, each late when the late-stamp line
    follows it."""
    runs = []
    for index, line in enumerate(log):
        if HEADER_LINE.fullmatch(line):
            runs.append([(line[:8], "", "", False)])
        elif TICK_LINE.fullmatch(line) and runs:
            notes = log[index + 1:]
            notes = notes[:next((i for i, note in enumerate(notes) if not TICK_NOTE.fullmatch(note)),
                                len(notes))]
            late = any(UNTRUSTED_STAMP.fullmatch(note) for note in notes)
            runs[-1].append((line[:8], *TICK_LINE.fullmatch(line).groups(), late))
    return runs


def read_csv(data: bytes) -> list:
    """The CSV's rows after checking its text: ASCII, every line ended by CR LF."""
    try:
        text = data.decode("ascii")
    except UnicodeDecodeError as error:
        raise Failure(f"the CSV is not ASCII: {error}") from None
    check(text.endswith("\r\n") and "\n" not in text.replace("\r\n", "")
          and "\r" not in text.replace("\r\n", ""), f"the CSV's lines do not end in CR LF: {text!r}")
    return list(csv.reader(io.StringIO(text, newline="")))


def check_run_rows(number, rows, lines):
    """One run's CSV rows against its stamped lines in the log."""
    what = f"run {number}"
    check_equal(len(rows), len(lines), f"rows of {what}")
    rate_known = False
    for tick, (row, (time_of_day, interval, average, late)) in enumerate(zip(rows, lines)):
        where = f"{what}, tick {tick}: {row}"
        check_equal(len(row), len(CSV_HEADER), f"fields of {where}")
        run_field, clocktrim, tick_field, time, stamp, interval_field, average_field, rate, \
            bound, note, chip = row
        check_equal(run_field, str(number), f"Run of {where}")
        check_equal(clocktrim, TRIM, f"CLOCKTRIM of {where}")
        check_equal(tick_field, str(tick), f"Tick of {where}")
        time_match = CSV_TIME.fullmatch(time)
        check(time_match, f"Time of {where} is not YYYY-MM-DD hh:mm:ss")
        check_equal(time_match.group(1), time_of_day, f"time of day of {where}")
        check_equal((interval_field, average_field), (interval, average),
                    f"Interval and Average of {where}")
        check(stamp.isdigit(), f"Stamp of {where} is not whole microseconds")
        check_equal(note, "late stamp" if late else "", f"Note of {where}")
        check_equal(chip, "1", f"Chip of {where}")
        # Empty until the rate is known, then both numbers.
        check((rate == "" and bound == "" and not rate_known)
              or (CSV_PPM.fullmatch(rate) and CSV_PPM.fullmatch(bound)),
              f"Rate and Bound of {where} are neither empty nor numbers with 3 decimals")
        rate_known = rate != ""
    stamps = [int(row[4]) for row in rows]
    check_equal(stamps[0], 0, f"the first Stamp of {what}")
    # The texts are rounded to the microsecond, the stamps too: they differ by one at most.
    for tick in range(1, len(rows)):
        interval = round(float(rows[tick][5]) * MICROSECONDS)
        average = round(float(rows[tick][6]) * MICROSECONDS)
        check(abs(stamps[tick] - stamps[tick - 1] - interval) <= 1,
              f"{what}, tick {tick}: the stamps {stamps[tick - 1]} and {stamps[tick]} do not "
              f"give the interval {rows[tick][5]}")
        check(abs(stamps[tick] / tick - average) <= 1,
              f"{what}, tick {tick}: the stamp {stamps[tick]} does not give the average "
              f"{rows[tick][6]}")


def measurements_saved_as_csv_agree_with_the_log(run: harness.Scenario):
    records = run.run_folder / "records"
    records.mkdir()
    with Micromite(run.run_folder / "logs", "com7") as device:
        _, program, driver = start_with_controller(run, device)
        upload_with_trim(driver)
        for number in range(1, RUNS + 1):
            driver.press(START_BUTTON)
            # The lines after the earlier run's header do not count for this one.
            wait_for_log(driver, lambda log: len(logged_runs(log)) == number
                         and len(logged_runs(log)[-1]) > TICKS_PER_RUN,
                         f"{TICKS_PER_RUN} tick lines of run {number}", RUN_TIMEOUT_SECONDS)
            log = stop_run(driver)

        dialog, opened = open_save_dialog(
            driver, lambda: driver.choose_log_menu_item(SAVE_MEASUREMENTS_AS))
        run.screenshot("save-measurements-as")
        name = check_save_dialog(dialog, "Save Measurements As", "csv", opened)
        measurements = records / name
        driver.save_dialog_save(windows_path(measurements))

        # The log after the runs, from the window menu.
        dialog, opened = open_save_dialog(driver,
                                          lambda: driver.window_menu_command(SAVE_LOG_AS))
        check_save_dialog(dialog, "Save Log As", "txt", opened)
        driver.save_dialog_save(windows_path(records / "after the runs.txt"))
        check_equal(saved_bytes(records / "after the runs.txt", log_file_bytes(log)),
                    log_file_bytes(log), "the log saved from the window menu")

        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")

    rows = read_csv(measurements.read_bytes())
    check_equal(rows[0], CSV_HEADER, "the CSV's header row")
    runs = logged_runs(log)
    check_equal(len(runs), RUNS, f"runs in the log {log}")
    check_equal(sorted({row[0] for row in rows[1:]}), [str(n) for n in range(1, RUNS + 1)],
                "runs in the CSV")
    first = 1
    for number, lines in enumerate(runs, start=1):
        check(len(lines) > TICKS_PER_RUN, f"run {number} logged only {lines}")
        check_run_rows(number, rows[first:first + len(lines)], lines)
        first += len(lines)
    check_equal(len(rows), first, "rows of the CSV")


if __name__ == "__main__":
    harness.main([log_menu_commands_and_the_log_saved_as_text,
                  the_log_saved_beside_files_named_as_its_new_file_leaves_them_as_they_were,
                  measurements_saved_as_csv_agree_with_the_log])
