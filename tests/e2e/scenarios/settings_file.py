"""The settings file Tockmeter.inf beside the program, as the real tockmeter.exe reads it at
start and rewrites it at exit."""

import os

import harness
from checks import check_equal
from program_folder import listing, unchangeable

EXE = "tockmeter.exe"
SETTINGS = harness.SETTINGS_FILE

# What the first start writes: UTF-8 with a byte-order mark, CR LF after every line.
DEFAULT_FILE = (
    b"\xef\xbb\xbf\r\n"
    b"[Windows]\r\n"
    b"; Main Window\r\n"
    b"MainX = 200\r\n"
    b"MainY = 200\r\n"
    b"MainW = 468\r\n"
    b"MainH = 287\r\n"
    b"\r\n"
    b"[micromite]\r\n"
    b"uM comport = com7\r\n"
    b"uM SerialSpeed = 38400\r\n"
    b"LineDelay = 150\r\n"
    b"CLOCKTRIM = 0\r\n"
    b"Max port no = 32\r\n"
    b"Time interval = 10\r\n"
)

# A file edited by hand on Linux: Latin-1 without a byte-order mark, LF line ends, groups in
# the other order, keys and group names in odd letter case, blanks around "=" or none, comments,
# a foreign group and foreign keys, and a line delay below the least the program uses.
HAND_EDITED_FILE = (
    "; Tockmeter settings, edited by hand\n"
    "[MICROMITE]\n"
    "UM COMPORT = COM3 (Büro)\n"
    "um serialspeed=9600\n"
    "linedelay = 50\n"
    "Clocktrim =-7\n"
    "MAX PORT NO = 12\n"
    "time INTERVAL = 30\n"
    "Terminal = Zähler\n"
    "[Extra]\n"
    "Colour = blue\n"
    "[WINDOWS]\n"
    ";position\n"
    "mainx=5\n"
    "  MAINY = 6\n"
    "MainW=300\n"
    "mainh= 180\n"
    "Theme = dark\n"
).encode("latin-1")

# The same settings in the program's own form: its groups, keys and comment only, the line
# delay raised to 100, the Latin-1 text now UTF-8.
HAND_EDITED_FILE_REWRITTEN = (
    b"\xef\xbb\xbf\r\n"
    b"[Windows]\r\n"
    b"; Main Window\r\n"
    b"MainX = 5\r\n"
    b"MainY = 6\r\n"
    b"MainW = 300\r\n"
    b"MainH = 180\r\n"
    b"\r\n"
    b"[micromite]\r\n"
    + "uM comport = COM3 (Büro)\r\n".encode("utf-8")
    + b"uM SerialSpeed = 9600\r\n"
    b"LineDelay = 100\r\n"
    b"CLOCKTRIM = -7\r\n"
    b"Max port no = 12\r\n"
    b"Time interval = 30\r\n"
)


def first_start_writes_the_default_file(run: harness.Scenario):
    folder = run.program_folder()
    check_equal(run.run_program(folder), 0, "exit code")
    check_equal(listing(folder), sorted([EXE, SETTINGS]), "files in the program folder")
    check_equal(harness.read_settings(folder), DEFAULT_FILE, SETTINGS)


def unwritable_folder_is_left_empty(run: harness.Scenario):
    folder = run.program_folder()
    with unchangeable(folder):
        check_equal(run.run_program(folder), 0, "exit code")
    check_equal(listing(folder), [EXE], "files in the program folder")


def foreign_file_is_rewritten_in_own_form(run: harness.Scenario):
    folder = run.program_folder(settings=HAND_EDITED_FILE)
    check_equal(run.run_program(folder), 0, "exit code")
    check_equal(listing(folder), sorted([EXE, SETTINGS]), "files in the program folder")
    check_equal(harness.read_settings(folder), HAND_EDITED_FILE_REWRITTEN, SETTINGS)

    # The program reads its own form back: the next start leaves the same file.
    check_equal(run.run_program(folder), 0, "exit code of the second start")
    check_equal(harness.read_settings(folder), HAND_EDITED_FILE_REWRITTEN,
                f"{SETTINGS} after the second start")


def read_only_file_stays_unchanged(run: harness.Scenario):
    # A file that any save would change. Under Wine (as root) the Windows read-only attribute
    # does not keep the file from being replaced, as it does on Windows; the immutable
    # attribute does.
    folder = run.program_folder(settings=HAND_EDITED_FILE)
    with unchangeable(folder / SETTINGS):
        check_equal(run.run_program(folder), 0, "exit code")
    check_equal(listing(folder), sorted([EXE, SETTINGS]), "files in the program folder")
    check_equal(harness.read_settings(folder), HAND_EDITED_FILE, SETTINGS)


def writable_file_in_an_unchangeable_folder_is_rewritten_in_place(run: harness.Scenario):
    # As under Program Files when the user may write the file but add nothing beside it: no new
    # file can be made, so the file itself is written.
    folder = run.program_folder(settings=HAND_EDITED_FILE)
    with unchangeable(folder):
        check_equal(run.run_program(folder), 0, "exit code")
    check_equal(listing(folder), sorted([EXE, SETTINGS]), "files in the program folder")
    check_equal(harness.read_settings(folder), HAND_EDITED_FILE_REWRITTEN, SETTINGS)


def linked_file_is_written_through(run: harness.Scenario):
    # The settings kept in another folder, a symbolic link to them beside the program: the save
    # rewrites the file behind the link and leaves the link as it is.
    kept = run.run_folder / "kept"
    kept.mkdir()
    (kept / SETTINGS).write_bytes(HAND_EDITED_FILE)
    folder = run.program_folder()
    link = folder / SETTINGS
    link.symlink_to(kept / SETTINGS)
    check_equal(run.run_program(folder), 0, "exit code")
    check_equal(listing(folder), sorted([EXE, SETTINGS]), "files in the program folder")
    check_equal(os.readlink(link) if link.is_symlink() else "no link",
                str(kept / SETTINGS), f"where {SETTINGS} in the program folder leads")
    check_equal(listing(kept), [SETTINGS], "files in the folder of the kept file")
    check_equal((kept / SETTINGS).read_bytes(), HAND_EDITED_FILE_REWRITTEN, "the kept file")


def session_end_saves_before_the_program_is_ended(run: harness.Scenario):
    # At log-off the system ends the program without a close: the settings of the session must
    # be on disk by then. The folder starts empty, so only the session end can have written it.
    folder = run.program_folder()
    program = run.start_program(folder)
    driver = run.driver()
    driver.window(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS)
    if driver.message_box(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS):  # no COM ports here
        driver.press_message_box_ok()
    window = driver.resize(600, 400)
    check_equal(driver.end_session(), True, "the program agrees to the session end")
    program.kill()
    saved = harness.read_settings(folder)
    expected = DEFAULT_FILE.replace(b"MainW = 468", b"MainW = %d" % window["clientWidth"])
    expected = expected.replace(b"MainH = 287", b"MainH = %d" % window["clientHeight"])
    check_equal(saved, expected, SETTINGS)


if __name__ == "__main__":
    harness.main([first_start_writes_the_default_file, unwritable_folder_is_left_empty,
                  foreign_file_is_rewritten_in_own_form, read_only_file_stays_unchanged,
                  writable_file_in_an_unchangeable_folder_is_rewritten_in_place,
                  linked_file_is_written_through,
                  session_end_saves_before_the_program_is_ended])
