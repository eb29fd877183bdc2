"""The real program, tockmeter.exe under Wine or the native one (see targets.py), driven through
its window for the benchmark: its launch, its idle loop, an upload and a timing run, with the
simulated Micromite on port 7 (COM7 under Wine), and the graph window shown when asked.

The program is never asked anything while it polls for a tick line: a question it cannot answer
then would only hold up the driver, and the driver's processes would compete for the two cores.
During a run, progress is followed in the controller's record instead.
"""

import re
import time
from typing import NamedTuple

import harness
from checks import Failure
from driver import DriverError
from micromite import Micromite

PORT = 7
UPLOAD_BUTTON, START_BUTTON, STOP_BUTTON = 5, 25, 26
PORT_LIST = 18
UPLOAD_DONE = "Program uM completed"
RUN_STOPPED = "Time check stopped."
# A tick line of the log: the clock time, the interval and the average, in seconds.
TICK_LINE = re.compile(r"^\d\d:\d\d:\d\d,  (\d+\.\d{6}),  (\d+\.\d{6})$")
# The upload's waits, in line delays: Ctrl-C 2, CLOCKTRIM 1, NEW 15, AUTOSAVE 15, eleven program
# lines 1 each, Ctrl-Z 10; the first 43 of them lie between its first and its last byte sent.
UPLOAD_LINE_DELAYS = 53
UPLOAD_LINE_DELAYS_ON_THE_WIRE = 43
# How often the record is looked at during a run: rarely enough to cost next to nothing.
RECORD_POLL_SECONDS = 0.05
# The graph window at its first size, below the main window at its first place (200, 200), so
# that it covers none of the buttons that the native driver clicks with the mouse.
GRAPH_PLACE = {"GraphX": 200, "GraphY": 530, "GraphW": 640, "GraphH": 480}
# How often the program is asked while a figure waits for its answer (the launch's filled port
# list, the upload's last log line): the figure is that much late at most.
ANSWER_POLL_SECONDS = 0.01


class Settings(NamedTuple):
    interval: int = 2      # seconds; the controller's program counts whole seconds
    line_delay: int = 150  # milliseconds, the program's default
    clock_trim: int = 0
    serial_speed: int = 38400
    max_port_no: int = 32
    graph_place: bool = False  # the graph window's place (GRAPH_PLACE) in the file

    def file(self, port: str) -> bytes:
        graph = "".join(["[Graph]\r\n"] + [f"{key} = {value}\r\n"
                                           for key, value in GRAPH_PLACE.items()])
        return ("[micromite]\r\n"
                f"uM comport = {port}\r\n"
                f"uM SerialSpeed = {self.serial_speed}\r\n"
                f"LineDelay = {self.line_delay}\r\n"
                f"CLOCKTRIM = {self.clock_trim}\r\n"
                f"Max port no = {self.max_port_no}\r\n"
                f"Time interval = {self.interval}\r\n"
                + (graph if self.graph_place else "")).encode("ascii")


class Upload(NamedTuple):
    wire_seconds: float   # first byte sent to the last (Ctrl-Z), from the record
    whole_seconds: float  # first byte sent to the log's last line, as the driver saw it


class TimingRun(NamedTuple):
    intervals: list               # logged, seconds
    averages: list                # logged, seconds
    program_cpu_per_tick: list    # CPU seconds between consecutive tick lines
    helper_cpu_per_tick: list     # the same of the wineserver; empty for the native program
    counter_rate_ppm: float       # the program's counter's clock against CLOCK_MONOTONIC meanwhile


class Session:
    """The program (a targets.WineProgram or NativeProgram) started with a fresh settings folder
    holding the given settings, port 7 served by the Micromite; closed at the end of the `with`
    block."""

    def __init__(self, run: harness.Scenario, micromite: Micromite, settings: Settings, target):
        self.run = run
        self.micromite = micromite
        self.settings = settings
        self.target = target
        self.program = None
        self.driver = None
        self.launch_seconds = None

    def __enter__(self):
        self.run.pin_com_ports({PORT: self.micromite.terminal})
        folder = self.run.program_folder(settings=self.settings.file(self.run.port_name(PORT)))
        self.target.before_launch(self.run)
        started = time.monotonic()
        self.program = self.run.start_program(folder)
        # Asked during the port scan, the program answers once it takes messages again, right
        # after the scan has filled the list.
        self.driver = self.run.driver(wait_seconds=self.target.launch_driver_wait_seconds)
        harness.wait_until(self._port_list_items, "the port list filled by the scan",
                           harness.WINDOW_TIMEOUT_SECONDS, ANSWER_POLL_SECONDS)
        self.launch_seconds = time.monotonic() - started
        self.driver = self.run.driver(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS)
        return self

    def __exit__(self, *exception):
        if self.program is not None and not self.program.has_ended():
            harness.close_until_ended(self.program, self.driver)

    def idle_cpu(self, seconds: float, settle_seconds=2.0) -> tuple:
        """CPU seconds of the program and of its wineserver (None natively) over `seconds` of
        doing nothing."""
        meter = self.target.cpu_meter(self.run, self.program)
        time.sleep(settle_seconds)
        before = meter.read()
        time.sleep(seconds)
        after = meter.read()
        return _differences(before, after)

    def show_graph(self):
        """Shows the graph window (Ctrl+G), which then follows the run; the settings must have
        put it beside the main window."""
        self.driver.show_graph()
        graph = self.driver.graph_window(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS)
        main = self.driver.window()
        if _overlap(main, graph):
            raise Failure(f"the graph window {graph} covers the main window {main}")

    def upload(self) -> Upload:
        self.driver.press(UPLOAD_BUTTON)
        line_delay = self.settings.line_delay / 1000
        first_byte = harness.wait_until(self._received_times, "the upload's first byte")[0]
        # Asked near the end, the driver gets its answer in the drain after the last log line.
        time.sleep(max(0.0, first_byte / 1e9 + UPLOAD_LINE_DELAYS * line_delay - 1.0
                       - time.monotonic()))
        harness.wait_until(lambda: UPLOAD_DONE in self.driver.log_text(), "the end of the upload",
                           poll_seconds=ANSWER_POLL_SECONDS)
        done = time.monotonic_ns()
        record = self.micromite.record()
        end_of_text = [entry.at for entry in record.received if b"\x1a" in entry.data]
        if not end_of_text:
            raise Failure("the upload sent no Ctrl-Z")
        return Upload((end_of_text[-1] - first_byte) / 1e9, (done - first_byte) / 1e9)

    def timing_run(self, intervals: int) -> TimingRun:
        """Starts a run, lets it measure the intervals, stops it, and reads the log."""
        meter = self.target.cpu_meter(self.run, self.program)
        ticks_before = self._tick_count()
        self.driver.press(START_BUTTON)
        clocks_before = self._clocks()
        samples = []
        bound = harness.PROGRAM_TIMEOUT_SECONDS + intervals * self.settings.interval * 2
        end = time.monotonic() + bound
        seen = ticks_before
        while len(samples) <= intervals:
            if time.monotonic() > end:
                raise Failure(f"{intervals + 1} tick lines not printed within {bound} s")
            time.sleep(RECORD_POLL_SECONDS)
            count = self._tick_count()
            if count > seen:
                seen = count
                samples.append(meter.read())
        counter_rate_ppm = _rate_ppm(clocks_before, self._clocks())
        # Give the program its last tick's log line before stopping.
        time.sleep(self.settings.line_delay / 1000 + 0.1)
        text = self._stop()
        logged = [TICK_LINE.match(line) for line in text.splitlines()]
        logged = [match for match in logged if match]
        used = [_differences(earlier, later) for earlier, later in zip(samples, samples[1:])]
        return TimingRun([float(match.group(1)) for match in logged],
                         [float(match.group(2)) for match in logged],
                         [program for program, _ in used],
                         [helper for _, helper in used if helper is not None], counter_rate_ppm)

    def _stop(self) -> str:
        """Presses Stop until the log says the run stopped; the log's text then. A press that
        comes while the program waits for a tick line is dropped, as all input then is."""
        answer_seconds = 3 * self.settings.interval
        for _ in range(harness.PROGRAM_TIMEOUT_SECONDS // answer_seconds):
            self.driver.press(STOP_BUTTON)
            try:
                return harness.wait_until(lambda: _text_with(self.driver.log_text(), RUN_STOPPED),
                                          "the end of the run", answer_seconds)
            except Failure:
                pass
        raise Failure(f"the run did not stop within {harness.PROGRAM_TIMEOUT_SECONDS} s")

    def _clocks(self) -> tuple:
        """CLOCK_MONOTONIC and the clock the program's counter counts, read together."""
        return (time.clock_gettime_ns(time.CLOCK_MONOTONIC),
                time.clock_gettime_ns(self.target.counter_clock))

    def _port_list_items(self) -> list:
        try:
            return self.driver.combo(PORT_LIST)["items"]
        except DriverError:
            return []  # no window yet, or not its controls

    def _received_times(self) -> list:
        return [entry.at for entry in self.micromite.record().received]

    def _tick_count(self) -> int:
        # Counted in the raw text: parsing the whole record at every look would cost more.
        return self.micromite.record_path.read_text(encoding="ascii").count("\ntick ")


def _differences(before: tuple, after: tuple) -> tuple:
    """(program, helper) CPU seconds used between two readings; the helper's None without one."""
    helper = after[1] - before[1] if after[1] is not None else None
    return after[0] - before[0], helper


def _overlap(a: dict, b: dict) -> bool:
    """Whether two windows' frames, as the driver's `window` gives them, overlap."""
    return (a["left"] < b["left"] + b["width"] and b["left"] < a["left"] + a["width"]
            and a["top"] < b["top"] + b["height"] and b["top"] < a["top"] + a["height"])


def _rate_ppm(before: tuple, after: tuple) -> float:
    """How much faster the second clock ran than the first between the two readings."""
    return ((after[1] - before[1]) / (after[0] - before[0]) - 1) * 1e6


def _text_with(text: str, wanted: str):
    return text if wanted in text else None

