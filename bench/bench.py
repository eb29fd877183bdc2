"""Tockmeter's benchmark: the quality of the timing run's stamps on the real tockmeter.exe under
Wine, against the simulated Micromite's ground truth and against the floors (the smallest
poller, on Linux and under Wine), and what the program costs: idle CPU, CPU per tick, launch
time, upload time.

Run by bench/run.sh, which builds everything and passes the built programs' paths in the
environment as CTest does for the end-to-end scenarios (whose modules this reuses), plus the
floor pollers' paths. Prints a table; nothing here passes or fails on a figure.
"""

import argparse
import contextlib
import json
import os
import platform
import signal
import sys
from pathlib import Path
from statistics import mean, median

import harness
import wine as wine_module
from display import VirtualDisplay
from micromite import Micromite

import floor
import ground_truth
import tockmeter_session
from tockmeter_session import Session, Settings

CHARACTER_BITS = 10  # start bit, 8 data bits, stop bit


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--poller", required=True, type=Path, help="the built floor_poller")
    parser.add_argument("--wine-poller", required=True, type=Path,
                        help="the built wine_floor_poller.exe")
    parser.add_argument("--intervals", type=int, default=60,
                        help="intervals measured in each timing run (default 60)")
    parser.add_argument("--interval", type=int, default=2,
                        help="the controller's tick interval in seconds, 2 or more (default 2)")
    parser.add_argument("--launches", type=int, default=3,
                        help="launches for the launch, idle and upload figures (default 3)")
    parser.add_argument("--idle-seconds", type=float, default=30.0,
                        help="idle time measured after each launch (default 30)")
    parser.add_argument("--error-ppm", type=float, default=345.0,
                        help="the controller's clock error at CLOCKTRIM 0 (default 345)")
    parser.add_argument("--trim-step-ppm", type=float, default=115.0,
                        help="its change per CLOCKTRIM step (default 115)")
    parser.add_argument("--clock-trim", type=int, default=0,
                        help="the CLOCKTRIM that the program uploads (default 0)")
    arguments = parser.parse_args()
    if arguments.interval < 2:
        parser.error("--interval: the tick program prints only at intervals of 2 s or more")
    if arguments.intervals < 2 or arguments.launches < 1:
        parser.error("at least 2 intervals and 1 launch")
    return arguments


def prepare_prefix():
    logs = harness.work_folder() / "prefix-logs"
    logs.mkdir(parents=True, exist_ok=True)
    with VirtualDisplay(logs / "xvfb.log") as display:
        session = wine_module.Wine(harness.prefix_folder(), display.name, logs)
        try:
            wine_module.make_prefix(session)
        finally:
            session.end_session()


def controller_options(arguments) -> dict:
    return {"error_ppm": arguments.error_ppm, "trim_step_ppm": arguments.trim_step_ppm}


def controller(run: harness.Scenario, arguments) -> Micromite:
    return Micromite(run.run_folder / "logs", "com7", **controller_options(arguments))


def measure_stamps(arguments, settings: Settings) -> dict:
    """One timing run of tockmeter.exe, then the floors' runs against controllers prepared the
    same way; all against their ground truth."""
    with harness.Scenario("bench-stamps") as run, controller(run, arguments) as device:
        with Session(run, device, settings) as session:
            upload = session.upload()
            timing = session.timing_run(arguments.intervals)
        record = device.record()
    floor_run = floor.measure(arguments.poller, record,
                              harness.work_folder() / "runs" / "bench-floor", arguments.intervals,
                              **controller_options(arguments))
    wine_floor_run = floor.measure_under_wine(arguments.wine_poller, record,
                                              arguments.intervals, **controller_options(arguments))
    return {"upload": upload, "timing": timing, **program_figures(timing, record),
            **floor_figures("floor", floor_run), **floor_figures("wine_floor", wine_floor_run)}


def program_figures(timing, record) -> dict:
    ticks = ground_truth.ticks_after(record, ground_truth.run_command_time(record))
    # The first tick line starts the measurement; the program logs the intervals after it.
    true = ground_truth.true_intervals(ticks[:len(timing.intervals) + 1])
    errors = ground_truth.interval_errors(timing.intervals, true)
    # The program's counter is Wine's, which runs at CLOCK_MONOTONIC_RAW's rate: the true
    # intervals as that clock counts them leave the stamps' own errors.
    on_counter = [interval * (1 + timing.raw_clock_ppm / 1e6) for interval in true]
    counter_errors = ground_truth.interval_errors(timing.intervals, on_counter)
    lateness = [(tick.written - tick.due) / 1e3 for tick in ticks]
    period = ground_truth.true_period(ticks)
    return {"true_period": period,
            "program_interval_errors": errors,
            "program_errors": ground_truth.summarize(errors),
            "program_counter_errors": ground_truth.summarize(counter_errors),
            "average_ppm": ground_truth.ppm_error(timing.averages[-1], period),
            # What a perfect stamp would have averaged: the server's late writes move it too.
            "arrivals_average_ppm": ground_truth.ppm_error(mean(true), period),
            "server_lateness": lateness}


def floor_figures(name, run) -> dict:
    true = ground_truth.true_intervals(run.ticks)
    errors = ground_truth.interval_errors(run.intervals, true)
    period = ground_truth.true_period(run.ticks)
    return {f"{name}_interval_errors": errors,
            f"{name}_errors": ground_truth.summarize(errors),
            f"{name}_average_ppm": ground_truth.ppm_error(mean(run.intervals), period),
            f"{name}_arrivals_average_ppm": ground_truth.ppm_error(mean(true), period),
            f"{name}_latencies": run.latencies}


def measure_launches(arguments, settings: Settings) -> dict:
    launches, idle_program, idle_wineserver, uploads = [], [], [], []
    for number in range(1, arguments.launches + 1):
        with harness.Scenario(f"bench-launch-{number}") as run, \
                controller(run, arguments) as device, \
                Session(run, device, settings) as session:
            launches.append(session.launch_seconds)
            program_cpu, wineserver_cpu = session.idle_cpu(arguments.idle_seconds)
            idle_program.append(program_cpu)
            idle_wineserver.append(wineserver_cpu)
            uploads.append(session.upload())
    return {"launch": launches, "idle_program": idle_program,
            "idle_wineserver": idle_wineserver, "uploads": uploads}


def machine_line() -> str:
    cpu = "unknown processor"
    with contextlib.suppress(OSError):
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    return (f"{cpu}, {os.cpu_count()} cores, Linux {platform.release()}, "
            f"{wine_module.wine_version()}")


def load_average() -> str:
    """The last minute's load average: how busy the machine was besides the bench."""
    return Path("/proc/loadavg").read_text().split()[0]


def errors_text(summary) -> str:
    return f"{summary.median:.1f} / {summary.p99:.1f} / {summary.maximum:.1f} µs"


def spread_text(values) -> str:
    return f"{median(values):.1f} / {max(values):.1f} µs"


def average_text(stamps: dict, prefix: str) -> str:
    """The final average's error, and in brackets what a perfect stamp would have had: the
    server's own lateness at the first and the last tick line."""
    return (f"{stamps[prefix + 'average_ppm']:+.2f} ppm "
            f"({stamps[prefix + 'arrivals_average_ppm']:+.2f} ppm)")


def print_table(arguments, settings: Settings, stamps: dict, launches: dict, machine: str,
                loads: tuple):
    timing = stamps["timing"]
    character_us = CHARACTER_BITS / settings.serial_speed * 1e6
    line_delay = settings.line_delay / 1000
    uploads = [stamps["upload"]] + launches["uploads"]
    idle = arguments.idle_seconds
    rows = [
        ("Machine", machine),
        ("Load average at the start / the end", " / ".join(loads)),
        ("Timing run", f"{stamps['program_errors'].count} intervals of {settings.interval} s at "
                       f"{settings.serial_speed} baud; controller {arguments.error_ppm:g} ppm "
                       f"fast at CLOCKTRIM 0, {arguments.trim_step_ppm:g} ppm a step, "
                       f"CLOCKTRIM {settings.clock_trim} uploaded: true period "
                       f"{stamps['true_period']:.9f} s"),
        ("Interval error (median / p99 / max of the sizes)", ""),
        ("  tockmeter.exe", errors_text(stamps["program_errors"])),
        ("  floor poller", errors_text(stamps["floor_errors"])),
        ("  p99, tockmeter.exe / floor poller",
         f"{stamps['program_errors'].p99 / stamps['floor_errors'].p99:.1f} ×"),
        ("  tockmeter.exe, on its counter's clock", errors_text(stamps["program_counter_errors"])),
        ("  floor poller under Wine", errors_text(stamps["wine_floor_errors"])),
        ("  one character at the line speed", f"{character_us:.1f} µs"),
        ("Final average error (that of the true arrivals)", ""),
        ("  tockmeter.exe", average_text(stamps, "")),
        ("  floor poller", average_text(stamps, "floor_")),
        ("  floor poller under Wine", average_text(stamps, "wine_floor_")),
        ("  CLOCK_MONOTONIC_RAW against CLOCK_MONOTONIC", f"{timing.raw_clock_ppm:+.2f} ppm"),
        ("Delays (median / max)", ""),
        ("  server's write after the byte was due", spread_text(stamps["server_lateness"])),
        ("  floor poller's stamp after the write", spread_text(stamps["floor_latencies"])),
        ("  floor poller's under Wine", spread_text(stamps["wine_floor_latencies"])),
        (f"Idle CPU over {idle:g} s (median of {len(launches['idle_program'])})", ""),
        ("  tockmeter.exe", f"{median(launches['idle_program']) * 1000:.0f} ms "
                            f"({median(launches['idle_program']) / idle * 100:.2f} % of a core)"),
        ("  its wineserver", f"{median(launches['idle_wineserver']) * 1000:.0f} ms"),
        (f"CPU per tick in the run (median of {len(timing.program_cpu_per_tick)})", ""),
        ("  tockmeter.exe", f"{median(timing.program_cpu_per_tick) * 1000:.0f} ms"),
        ("  its wineserver", f"{median(timing.wineserver_cpu_per_tick) * 1000:.0f} ms"),
        (f"Launch to window with port list (median of {len(launches['launch'])})",
         f"{median(launches['launch']):.2f} s (min {min(launches['launch']):.2f}, "
         f"max {max(launches['launch']):.2f})"),
        (f"Upload (median of {len(uploads)})", ""),
        ("  first to last byte sent",
         f"{median(u.wire_seconds for u in uploads):.3f} s vs "
         f"{tockmeter_session.UPLOAD_LINE_DELAYS_ON_THE_WIRE} × LineDelay = "
         f"{tockmeter_session.UPLOAD_LINE_DELAYS_ON_THE_WIRE * line_delay:.3f} s"),
        ("  whole",
         f"{median(u.whole_seconds for u in uploads):.3f} s vs "
         f"{tockmeter_session.UPLOAD_LINE_DELAYS} × LineDelay = "
         f"{tockmeter_session.UPLOAD_LINE_DELAYS * line_delay:.3f} s"),
    ]
    width = max(len(name) for name, _ in rows)
    for name, value in rows:
        print(f"{name.ljust(width)}  {value}".rstrip())


def main():
    arguments = parse_arguments()
    # An interrupted run still ends its processes and displays.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    settings = Settings(interval=arguments.interval, clock_trim=arguments.clock_trim)
    machine, load_at_start = machine_line(), load_average()
    prepare_prefix()
    stamps = measure_stamps(arguments, settings)
    launches = measure_launches(arguments, settings)
    loads = (load_at_start, load_average())
    print_table(arguments, settings, stamps, launches, machine, loads)
    results = harness.work_folder() / "results.json"
    results.write_text(json.dumps(_plain({"machine": machine, "loads": loads,
                                          "arguments": vars(arguments), **stamps, **launches}),
                                  indent=1))
    print(f"All figures, interval by interval: {results}")


def _plain(value):
    """The value in JSON's terms: named tuples as objects, paths as text."""
    if hasattr(value, "_asdict"):
        return _plain(value._asdict())
    if isinstance(value, dict):
        return {key: _plain(item) for key, item in value.items()}
    if isinstance(value, (list, tuple)):
        return [_plain(item) for item in value]
    return str(value) if isinstance(value, Path) else value


if __name__ == "__main__":
    main()
