"""Takes the pictures of the user guide (docs/USER_GUIDE.md) from the real programs: tockmeter.exe
under Wine and the native GTK program, each against the simulated Micromite of the run command
(345 ppm fast at CLOCKTRIM 0, 115 ppm per CLOCKTRIM step, so CLOCKTRIM -3 keeps time).

For each program it saves, cropped to the window, in the pictures folder:
  <program>-ready.png   the window once the port scan has chosen the Micromite's port;
  <program>-run.png     after two timing runs by hand, at CLOCKTRIM 0 and at the value the first
                        one advised, with the second run's rate and advice;
  <program>-trim.png    the end of the automatic trim;
  <program>-graph.png   the graph window at the same moment: shown (Ctrl+G) before the automatic
                        trim, it followed the trim as it went.
<program> is "windows" or "linux". The log of each program's session goes into its run folder
under the work folder, as trim.log. It reuses the end-to-end harness (tests/e2e) and its drivers;
scripts/guide_screenshots.sh builds the programs and runs it. It takes some ten minutes for each
program.
"""

import argparse
import os
import re
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path[:0] = [str(ROOT / "tests" / "e2e"), str(ROOT / "tests" / "e2e" / "scenarios")]

import harness  # noqa: E402
import prepare_prefix  # noqa: E402
from calibration import (CLOCKTRIM_LIST, START_BUTTON, STOP_BUTTON, UPLOAD_BUTTON,  # noqa: E402
                         UPLOAD_COMPLETED, wait_for_log, wait_for_tick_lines, wait_until_ready)
from checks import Failure, Skip  # noqa: E402
from micromite import Micromite  # noqa: E402
from run_common import ERROR_PPM, TRIM_STEP_PPM  # noqa: E402
from trimming import DONE_LINE, TRIM_AUTOMATICALLY, TRIM_TIMEOUT_SECONDS  # noqa: E402

PORT = 7
# Larger than the first start's window, so that the rate and advice lines show whole; the graph
# at its first size, below the main window rather than over it.
WINDOW_SETTINGS = b"[Windows]\r\nMainX = 20\r\nMainY = 20\r\nMainW = 600\r\nMainH = 330\r\n"
GRAPH_SETTINGS = b"[Graph]\r\nGraphX = 20\r\nGraphY = 420\r\nGraphW = 640\r\nGraphH = 480\r\n"
INTERVAL = "10"
TICKS_PER_RUN = 8
# The automatic trim measures at 5 s intervals, six of them at least, after an upload of some
# 8 s; it measures two values at least.
SHORTEST_TRIM_SECONDS = 2 * (6 * 5 + 8)
ADVICE_LINE = re.compile(r"Advice: CLOCKTRIM (-?\d+), .*")
# Bounds against hangs only.
UPLOAD_SECONDS = 90
STOP_SECONDS = 30
# The pictures are screenshots of plain controls: a small palette keeps them small.
PALETTE_COLOURS = 64


class Pictures:
    """Screenshots of one program's scenario, cropped to its window into the pictures folder."""

    def __init__(self, run: harness.Scenario, folder: Path, program_name: str):
        self.run = run
        self.folder = folder
        self.program_name = program_name
        # Wine draws the window's frame itself; the native window has none on a display without
        # a window manager, and a thin line keeps it apart from the page.
        self.outline = ["-bordercolor", "gray60", "-border", "1"] if run.target_name == "native" \
            else []

    def take(self, window, label):
        """Crops the screen to the window, as the driver's `window` or `graph_window` gives it."""
        screen = self.run.screenshot(label)
        picture = self.folder / f"{self.program_name}-{label}.png"
        subprocess.run(["convert", str(screen), "-crop",
                        f"{window['width']}x{window['height']}+{window['left']}+{window['top']}",
                        "+repage", *self.outline, "-strip", "+dither", "-colors",
                        str(PALETTE_COLOURS),
                        "-define", "png:compression-level=9", str(picture)],
                       stdin=subprocess.DEVNULL, capture_output=True, timeout=60, check=True)
        print(f"{picture} ({picture.stat().st_size} bytes)")


def timing_run_by_hand(driver, trim) -> list:
    """Prog at the CLOCKTRIM value, Start, some tick lines, Stop; the log once the run's report
    is there."""
    driver.choose(CLOCKTRIM_LIST, driver.combo_items(CLOCKTRIM_LIST).index(trim))
    before = driver.log_lines()
    uploads_before = before.count(UPLOAD_COMPLETED)
    advice_before = advice_count(before)
    driver.press(UPLOAD_BUTTON)
    wait_for_log(driver, lambda log: log.count(UPLOAD_COMPLETED) > uploads_before,
                 f"the upload at CLOCKTRIM {trim}", UPLOAD_SECONDS)
    driver.press(START_BUTTON)
    # Each look at the log runs the driver, which takes the CPU that the stamps need: the run
    # is left alone while it cannot have ended.
    time.sleep(TICKS_PER_RUN * int(INTERVAL))
    wait_for_tick_lines(driver, TICKS_PER_RUN)
    # Pressed once: Stop with no run going on says so in the log.
    driver.press(STOP_BUTTON)
    return wait_for_log(driver, lambda log: advice_count(log) > advice_before,
                        "the run's rate and advice", STOP_SECONDS + int(INTERVAL))


def advice_count(log) -> int:
    return sum(1 for line in log if ADVICE_LINE.fullmatch(line))


def advised_trim(log) -> str:
    return [match.group(1) for match in map(ADVICE_LINE.fullmatch, log) if match][-1]


def take_pictures(target_name, program_name, folder: Path):
    with harness.Scenario(f"guide-{program_name}", target_name) as run:
        link = run.link_path("ttyMicromite") if target_name == "native" else None
        with Micromite(run.run_folder / "logs", error_ppm=ERROR_PPM,
                       trim_step_ppm=TRIM_STEP_PPM, link=link) as device:
            run.pin_com_ports({PORT: device.terminal})
            settings = (WINDOW_SETTINGS + b"[micromite]\r\n"
                        + f"uM comport = {run.port_name(PORT)}\r\n".encode("utf-8")
                        + f"Time interval = {INTERVAL}\r\n".encode("ascii") + GRAPH_SETTINGS)
            program = run.start_program(run.program_folder(settings=settings))
            driver = run.driver()
            wait_until_ready(driver)
            pictures = Pictures(run, folder, program_name)
            pictures.take(driver.window(), "ready")

            log = timing_run_by_hand(driver, "0")
            timing_run_by_hand(driver, advised_trim(log))
            pictures.take(driver.window(), "run")

            driver.show_graph()
            driver.graph_window()
            driver.window_menu_command(TRIM_AUTOMATICALLY)
            time.sleep(SHORTEST_TRIM_SECONDS)
            log = wait_for_log(driver,
                               lambda log: any(DONE_LINE.fullmatch(line) for line in log),
                               "the end of the automatic trim", TRIM_TIMEOUT_SECONDS)
            (run.run_folder / "trim.log").write_text("\n".join(log) + "\n", encoding="utf-8")
            pictures.take(driver.window(), "trim")
            pictures.take(driver.graph_window(), "graph")
            harness.close_until_ended(program, driver)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--work", type=Path, default=ROOT / "build" / "guide-screenshots",
                        help="folder of the Wine prefix, the runs and the full screenshots")
    parser.add_argument("--pictures", type=Path, default=ROOT / "docs" / "images",
                        help="where the pictures go")
    parser.add_argument("--programs", choices=("both", "windows", "linux"), default="both")
    arguments = parser.parse_args()
    os.environ["TOCKMETER_E2E_WORK"] = str(arguments.work.resolve())
    arguments.pictures.mkdir(parents=True, exist_ok=True)
    programs = [("wine", "windows"), ("native", "linux")]
    if arguments.programs != "both":
        programs = [entry for entry in programs if entry[1] == arguments.programs]
    if any(target == "wine" for target, _ in programs):
        prepare_prefix.prepare()
    for target_name, program_name in programs:
        try:
            take_pictures(target_name, program_name, arguments.pictures)
        except Skip as reason:
            print(f"No pictures of the {program_name} program: {reason}")
        except Failure as failure:
            sys.exit(f"The {program_name} program's pictures failed: {failure}")


if __name__ == "__main__":
    main()
