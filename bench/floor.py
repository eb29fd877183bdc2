"""The floors: the same controller, the same kind of terminal, and the smallest poller there is in
place of the program: floor_poller.c on Linux, and wine_floor_poller.c, the same loop in the
Windows program's own calls, under Wine.

Each controller is prepared by replaying to it, at the same pace, the bytes that the program
sent to its own controller up to RUN (its upload and the start of its run), so that all of them
measure the same tick program at the same line speed.
"""

import os
import subprocess
import time
from pathlib import Path
from typing import NamedTuple

import harness
from checks import Failure
from micromite import Micromite

import ground_truth
from tockmeter_session import PORT

RECORD_POLL_SECONDS = 0.05
# Room for the last tick line to be read and printed by the poller before it is stopped.
LAST_LINE_SECONDS = 0.2


class FloorRun(NamedTuple):
    intervals: list  # seconds between the stamps of consecutive tick lines
    ticks: list      # ground_truth.Tick of the same lines
    latencies: list  # stamp − first byte written, microseconds


def replay_until_run(record, terminal: str):
    """Writes what the record says the controller received, up to and including RUN, keeping
    the gaps between the pieces."""
    run_at = ground_truth.run_command_time(record)
    pieces = [entry for entry in record.received if entry.at <= run_at]
    device = os.open(terminal, os.O_WRONLY | os.O_NOCTTY)
    try:
        began, first = time.monotonic_ns(), pieces[0].at
        for piece in pieces:
            pause = (piece.at - first) - (time.monotonic_ns() - began)
            if pause > 0:
                time.sleep(pause / 1e9)
            os.write(device, piece.data)
    finally:
        os.close(device)


def run_ticks(device: Micromite, program_record, intervals: int, poller_alive) -> list:
    """Replays the program's commands to the device and waits for its tick lines; gives the
    first intervals + 1 of them."""
    replay_until_run(program_record, device.terminal)
    harness.wait_until(lambda: ground_truth.RUN_COMMAND in device.record().received_bytes(),
                       "RUN at the floor's controller")
    run_at = ground_truth.run_command_time(device.record())
    ticks = []
    while len(ticks) <= intervals:
        if not poller_alive():
            raise Failure("the floor's poller ended")
        time.sleep(RECORD_POLL_SECONDS)
        ticks = ground_truth.ticks_after(device.record(), run_at)
    time.sleep(LAST_LINE_SECONDS)
    return ticks[:intervals + 1]


def stamped_lines(output: str) -> list:
    """A poller's lines as (stamp, text)."""
    lines = []
    for line in output.splitlines():
        stamp, _, text = line.partition(" ")
        lines.append((int(stamp), text))
    return lines


def match_ticks(ticks: list, lines: list) -> list:
    """The stamp of each tick line: the next poller line with the same text, in order."""
    stamps = []
    position = 0
    for tick in ticks:
        while position < len(lines) and lines[position][1] != tick.text:
            position += 1
        if position == len(lines):
            raise Failure(f"the poller never saw the tick line {tick.text!r}")
        stamps.append(lines[position][0])
        position += 1
    return stamps


def floor_run(ticks: list, stamps: list) -> FloorRun:
    """From stamps in CLOCK_MONOTONIC nanoseconds."""
    measured = [(later - earlier) / 1e9 for earlier, later in zip(stamps, stamps[1:])]
    latencies = [(stamp - tick.written) / 1e3 for stamp, tick in zip(stamps, ticks)]
    return FloorRun(measured, ticks, latencies)


def measure(poller: Path, program_record, logs: Path, intervals: int,
            **controller_options) -> FloorRun:
    """floor_poller on Linux, stamping on CLOCK_MONOTONIC as the record does."""
    logs.mkdir(parents=True, exist_ok=True)
    output = logs / "floor_poller.out"
    with Micromite(logs, "floor", **controller_options) as device:
        with open(output, "wb") as out, open(logs / "floor_poller.err", "wb") as errors:
            polling = subprocess.Popen([str(poller), device.terminal], stdin=subprocess.DEVNULL,
                                       stdout=out, stderr=errors)
        try:
            ticks = run_ticks(device, program_record, intervals,
                              lambda: polling.poll() is None)
        finally:
            polling.terminate()
            polling.wait()
    lines = stamped_lines(output.read_text())
    return floor_run(ticks, match_ticks(ticks, [line for line in lines
                                                if line[0] >= ticks[0].due]))


def measure_under_wine(poller: Path, program_record, intervals: int,
                       **controller_options) -> FloorRun:
    """wine_floor_poller on COM7 under Wine. Its counter is Wine's performance counter, which
    counts CLOCK_MONOTONIC_RAW: its stamps are put on CLOCK_MONOTONIC by the two clocks'
    difference, read before and after the run."""
    with harness.Scenario("bench-wine-floor", "wine") as run, \
            Micromite(run.run_folder / "logs", "floor", **controller_options) as device:
        run.pin_com_ports({PORT: device.terminal})
        # Wine writes the program's output to logs/<name>.log.
        output = run.run_folder / "logs" / f"{poller.stem}.log"
        polling = run.wine.start(poller, [run.port_name(PORT)])
        harness.wait_until(lambda: output.read_text().startswith("frequency"),
                           "wine_floor_poller's start", harness.WINDOW_TIMEOUT_SECONDS)
        before = _raw_clock_offset()
        ticks = run_ticks(device, program_record, intervals, lambda: polling.poll() is None)
        after = _raw_clock_offset()
        # Read before the session ends: Wine's processes add their own words as they are ended.
        head, _, rest = output.read_text().partition("\n")
    counts_per_second = int(head.split()[1])

    def monotonic(stamp: int) -> int:
        raw = stamp * 1_000_000_000 // counts_per_second
        share = (raw - before[1]) / (after[1] - before[1])
        return raw + round(before[0] + share * (after[0] - before[0]))

    lines = [(monotonic(stamp), text) for stamp, text in stamped_lines(rest)]
    return floor_run(ticks, match_ticks(ticks, [line for line in lines
                                                if line[0] >= ticks[0].due]))


def _raw_clock_offset() -> tuple:
    """(CLOCK_MONOTONIC − CLOCK_MONOTONIC_RAW, CLOCK_MONOTONIC_RAW), in nanoseconds."""
    raw = time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW)
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC) - raw, raw
