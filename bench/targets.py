"""The two programs that the benchmark measures, tockmeter.exe under Wine and the native Linux
program, and what differs between them beyond what the e2e harness's targets (wine.WineTarget,
native.NativeTarget) already take care of, namely starting the program, serving its port and
driving it: the scenario each measurement runs in, what a launch starts from, whose CPU time
counts, and the clock that the program's counter counts.

Each is a `with` block around all of its measurements.
"""

import contextlib
import time

import harness
import processes


class WineProgram:
    """tockmeter.exe under Wine. Each measurement has a scenario of its own, and each launch
    starts Wine afresh, as a user's first program of the day does."""

    name = "wine"
    label = "tockmeter.exe"
    helper_label = "its wineserver"
    # Wine's performance counter counts CLOCK_MONOTONIC_RAW, in 100 ns units.
    counter_clock = time.CLOCK_MONOTONIC_RAW
    # How long the driver waits for the window when asked during the launch: the Wine driver is
    # a Wine process of its own at every question, and waits itself.
    launch_driver_wait_seconds = harness.WINDOW_TIMEOUT_SECONDS

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        pass

    def scenario(self, measurement: str):
        return harness.Scenario(f"bench-{measurement}", self.name)

    def before_launch(self, run: harness.Scenario):
        run.wine.end_session()

    def cpu_meter(self, run: harness.Scenario, program: harness.Program) -> processes.CpuMeter:
        return processes.wine_cpu_meter(self.label, run.wine.prefix)


class NativeProgram:
    """The native Linux program. Its measurements share one scenario, and so one display and one
    desktop session, up before the first and ended after the last, as a user's desktop runs
    before and after the programs: pyatspi, which drives the program, connects to the
    accessibility bus of the first desktop session in the process and reaches no later one.
    Each launch starts the program afresh there, with a new settings folder."""

    name = "native"
    label = "tockmeter (Linux)"
    helper_label = None
    counter_clock = time.CLOCK_MONOTONIC
    # The native driver looks for the window only every 0.1 s by itself: the session asks it
    # more often, each time once.
    launch_driver_wait_seconds = 0

    def __init__(self):
        self._run = None

    def __enter__(self):
        self._run = harness.Scenario("bench-native", self.name).__enter__()
        return self

    def __exit__(self, *exception):
        self._run.__exit__(*exception)

    def scenario(self, measurement: str):
        return contextlib.nullcontext(self._run)

    def before_launch(self, run: harness.Scenario):
        pass  # no process outlives the program

    def cpu_meter(self, run: harness.Scenario, program: harness.Program) -> processes.CpuMeter:
        return processes.CpuMeter(program.pid)


# In the order they are measured: everything of Wine's before the native program's desktop
# session is started, since that session's bus addresses then stay in this process's environment.
PROGRAMS = {program.name: program for program in (WineProgram, NativeProgram)}
