"""What really happened on the line, from the simulated Micromite's record (tests/e2e/micromite.py),
and how far a poller's stamps are from it.

A tick line's true arrival is the moment the server wrote its first byte to the terminal
(CLOCK_MONOTONIC): the record's `tx` entry that carried that byte. The controller's true tick
period comes from the model's own schedule, the tick lines' due times.
"""

import bisect
import statistics
from typing import NamedTuple

RUN_COMMAND = b"RUN\r"


class Tick(NamedTuple):
    due: int      # when the model put the line's first byte on the wire, ns
    written: int  # when the server wrote that byte to the terminal, ns
    text: str


class ErrorSummary(NamedTuple):
    """Errors of measured intervals against the true ones, in microseconds, by size."""
    count: int
    median: float
    p99: float
    maximum: float


def run_command_time(record) -> int:
    """When the RUN command that started the tick program arrived (the last one sent)."""
    times = [entry.at for entry in record.received if RUN_COMMAND in entry.data]
    if not times:
        raise ValueError("the controller never received RUN")
    return times[-1]


def ticks_after(record, start: int) -> list:
    """The tick lines printed from start on, each with the time its first byte was written."""
    writes = sorted(record.sent, key=lambda entry: entry.due)
    dues = [entry.due for entry in writes]
    ticks = []
    for line in record.ticks:
        if line.at < start:
            continue
        # The write that carried the byte: the last one due no later than the byte.
        index = bisect.bisect_right(dues, line.at) - 1
        if index < 0:
            raise ValueError(f"no write carried the tick line {line.text!r}")
        ticks.append(Tick(line.at, writes[index].written, line.text))
    return ticks


def true_intervals(ticks: list) -> list:
    """Seconds between consecutive tick lines' first bytes on the terminal."""
    return [(later.written - earlier.written) / 1e9 for earlier, later in zip(ticks, ticks[1:])]


def true_period(ticks: list) -> float:
    """The controller's tick period in seconds, from the model's schedule over the whole run."""
    return (ticks[-1].due - ticks[0].due) / 1e9 / (len(ticks) - 1)


def interval_errors(measured: list, true: list) -> list:
    """measured − true for each interval, in microseconds."""
    if len(measured) > len(true):
        raise ValueError(f"{len(measured)} intervals measured but only {len(true)} happened")
    errors = [(seen - real) * 1e6 for seen, real in zip(measured, true)]
    # An error of half an interval means the measured lines are not the ones paired with them.
    if any(abs(error) > real * 1e6 / 2 for error, real in zip(errors, true)):
        raise ValueError("the measured intervals do not line up with the tick lines printed")
    return errors


def summarize(errors: list) -> ErrorSummary:
    """Median, 99th percentile (interpolated between the sizes, so with fewer than 100 intervals
    it lies between the two largest) and maximum of the errors' sizes."""
    sizes = sorted(abs(error) for error in errors)
    if len(sizes) < 2:
        raise ValueError("at least two intervals are needed")
    p99 = statistics.quantiles(sizes, n=100, method="inclusive")[98]
    return ErrorSummary(len(sizes), statistics.median(sizes), p99, sizes[-1])


def ppm_error(measured: float, true: float) -> float:
    return (measured - true) / true * 1e6
