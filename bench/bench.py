"""Tockmeter's benchmark: the quality of the timing run's stamps of the real programs,
tockmeter.exe under Wine and the native Linux program, against the simulated Micromite's ground
truth and against the floors (the smallest poller, on Linux and under Wine), and what each
program costs: idle CPU, CPU per tick, launch time, upload time. With --graph, each program has
a second timing run with the graph window open, and the two runs' figures stand side by side.

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
import time
from pathlib import Path
from statistics import mean, median

import harness
import wine as wine_module
from display import VirtualDisplay
from micromite import Micromite

import floor
import ground_truth
import targets
import tockmeter_session
from tockmeter_session import Session, Settings

CHARACTER_BITS = 10  # start bit, 8 data bits, stop bit


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--poller", required=True, type=Path, help="the built floor_poller")
    parser.add_argument("--wine-poller", required=True, type=Path,
                        help="the built wine_floor_poller.exe")
    parser.add_argument("--targets", nargs="+", choices=list(targets.PROGRAMS),
                        default=list(targets.PROGRAMS),
                        help="the programs measured: wine (tockmeter.exe), native, or both (the "
                             "default); the floor under Wine runs only with wine")
    parser.add_argument("--intervals", type=int, default=60,
                        help="intervals measured in each timing run (default 60)")
    parser.add_argument("--interval", type=int, default=2,
                        help="the controller's tick interval in seconds, 2 or more (default 2)")
    parser.add_argument("--launches", type=int, default=3,
                        help="launches for the launch, idle and upload figures (default 3)")
    parser.add_argument("--idle-seconds", type=float, default=30.0,
                        help="idle time measured after each launch (default 30)")
    parser.add_argument("--graph", action="store_true",
                        help="also measure each program's timing run with the graph window open "
                             "and following it, beside the run without it")
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


def controller(run: harness.Scenario, name: str, arguments) -> Micromite:
    """The measurement's controller; its record is <name>.record in the scenario's logs."""
    return Micromite(run.run_folder / "logs", name, **controller_options(arguments))


def measure_stamps(target, arguments, settings: Settings, graph=False) -> tuple:
    """The program's upload and timing run against their ground truth, with the graph window
    shown before the run when asked: (figures, the controller's record)."""
    name = "stamps-graph" if graph else "stamps"
    with target.scenario(name) as run, controller(run, name, arguments) as device:
        with Session(run, device, settings._replace(graph_place=graph), target) as session:
            upload = session.upload()
            if graph:
                session.show_graph()
            timing = session.timing_run(arguments.intervals)
        record = device.record()
    return {"upload": upload, "timing": timing, **program_figures(timing, record)}, record


def measure_floors(arguments, program_record, under_wine: bool) -> dict:
    """The floors' runs, against controllers prepared as the program's was."""
    floors = {"floor": floor_figures(floor.measure(
        arguments.poller, program_record, harness.work_folder() / "runs" / "bench-floor",
        arguments.intervals, **controller_options(arguments)))}
    if under_wine:
        floors["wine_floor"] = floor_figures(floor.measure_under_wine(
            arguments.wine_poller, program_record, arguments.intervals,
            **controller_options(arguments)))
    return floors


def program_figures(timing, record) -> dict:
    ticks = ground_truth.ticks_after(record, ground_truth.run_command_time(record))
    # The first tick line starts the measurement; the program logs the intervals after it.
    true = ground_truth.true_intervals(ticks[:len(timing.intervals) + 1])
    errors = ground_truth.interval_errors(timing.intervals, true)
    # Wine's counter runs at CLOCK_MONOTONIC_RAW's rate: the true intervals as the program's
    # counter counts them leave the stamps' own errors.
    on_counter = [interval * (1 + timing.counter_rate_ppm / 1e6) for interval in true]
    counter_errors = ground_truth.interval_errors(timing.intervals, on_counter)
    lateness = [(tick.written - tick.due) / 1e3 for tick in ticks]
    period = ground_truth.true_period(ticks)
    return {"true_period": period,
            "interval_errors": errors,
            "errors": ground_truth.summarize(errors),
            "counter_errors": ground_truth.summarize(counter_errors),
            "average_ppm": ground_truth.ppm_error(timing.averages[-1], period),
            # What a perfect stamp would have averaged: the server's late writes move it too.
            "arrivals_average_ppm": ground_truth.ppm_error(mean(true), period),
            "server_lateness": lateness}


def floor_figures(run) -> dict:
    true = ground_truth.true_intervals(run.ticks)
    errors = ground_truth.interval_errors(run.intervals, true)
    period = ground_truth.true_period(run.ticks)
    return {"interval_errors": errors,
            "errors": ground_truth.summarize(errors),
            "average_ppm": ground_truth.ppm_error(mean(run.intervals), period),
            "arrivals_average_ppm": ground_truth.ppm_error(mean(true), period),
            "latencies": run.latencies}


def measure_launches(target, arguments, settings: Settings) -> dict:
    launches, idle_program, idle_helper, uploads = [], [], [], []
    for number in range(1, arguments.launches + 1):
        name = f"launch-{number}"
        with target.scenario(name) as run, controller(run, name, arguments) as device, \
                Session(run, device, settings, target) as session:
            launches.append(session.launch_seconds)
            program_cpu, helper_cpu = session.idle_cpu(arguments.idle_seconds)
            idle_program.append(program_cpu)
            if helper_cpu is not None:
                idle_helper.append(helper_cpu)
            uploads.append(session.upload())
    return {"launch": launches, "idle_program": idle_program, "idle_helper": idle_helper,
            "uploads": uploads}


def measure(target, arguments, settings: Settings, floors: dict) -> tuple:
    """The program's figures; the floors' too, prepared as its controller was, when none are
    given yet. (program's figures, floors)"""
    stamps, record = measure_stamps(target, arguments, settings)
    if arguments.graph:
        stamps["with_graph"] = measure_stamps(target, arguments, settings, graph=True)[0]
    if not floors:
        floors = measure_floors(arguments, record, "wine" in arguments.targets)
    return {**stamps, **measure_launches(target, arguments, settings)}, floors


def machine_line(with_wine: bool) -> str:
    cpu = "unknown processor"
    with contextlib.suppress(OSError):
        for line in Path("/proc/cpuinfo").read_text().splitlines():
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    wine = f", {wine_module.wine_version()}" if with_wine else ""
    return f"{cpu}, {os.cpu_count()} cores, Linux {platform.release()}{wine}"


def load_average() -> str:
    """The last minute's load average: how busy the machine was besides the bench."""
    return Path("/proc/loadavg").read_text().split()[0]


def errors_text(summary) -> str:
    return f"{summary.median:.1f} / {summary.p99:.1f} / {summary.maximum:.1f} µs"


def spread_text(values) -> str:
    return f"{median(values):.1f} / {max(values):.1f} µs"


def average_text(figures: dict) -> str:
    """The final average's error, and in brackets what a perfect stamp would have had: the
    server's own lateness at the first and the last tick line."""
    return f"{figures['average_ppm']:+.2f} ppm ({figures['arrivals_average_ppm']:+.2f} ppm)"


def graph_rows(measured: list) -> list:
    """Each program's timing run without the graph window and the one with it, side by side."""
    pairs = [(target, figures, figures["with_graph"]) for target, figures in measured
             if "with_graph" in figures]
    if not pairs:
        return []
    def tick_cpu(figures):
        return f"{median(figures['timing'].program_cpu_per_tick) * 1000:.0f} ms"
    return [
        ("Without / with the graph window open (a timing run each)", ""),
        ("  interval error (median / p99 / max)", ""),
        *[(f"    {target.label}", f"{errors_text(without['errors'])}  |  "
                                  f"{errors_text(graph['errors'])}")
          for target, without, graph in pairs],
        ("  final average error (that of the true arrivals)", ""),
        *[(f"    {target.label}", f"{average_text(without)}  |  {average_text(graph)}")
          for target, without, graph in pairs],
        ("  CPU per tick (median)", ""),
        *[(f"    {target.label}", f"{tick_cpu(without)}  |  {tick_cpu(graph)}")
          for target, without, graph in pairs],
    ]


def cpu_rows(measured: list, cpu_seconds, over_seconds=None) -> list:
    """A row per program with the median of its CPU seconds, and one for its helper process when
    it has one; with over_seconds, the program's share of a core over that time too.
    cpu_seconds(figures) gives the program's and the helper's lists."""
    rows = []
    for target, figures in measured:
        program, helper = cpu_seconds(figures)
        text = f"{median(program) * 1000:.0f} ms"
        if over_seconds:
            text += f" ({median(program) / over_seconds * 100:.2f} % of a core)"
        rows.append((f"  {target.label}", text))
        if target.helper_label:
            rows.append((f"  {target.label}: {target.helper_label}",
                         f"{median(helper) * 1000:.0f} ms"))
    return rows


def print_table(arguments, settings: Settings, measured: list, floors: dict, machine: str,
                loads: tuple):
    """measured: (target, its figures) of each program."""
    character_us = CHARACTER_BITS / settings.serial_speed * 1e6
    line_delay = settings.line_delay / 1000
    idle = arguments.idle_seconds
    floor_names = {"floor": "floor poller", "wine_floor": "floor poller under Wine"}
    floor_rows = [(name, floors[key]) for key, name in floor_names.items() if key in floors]
    # Wine's counter counts CLOCK_MONOTONIC_RAW; the native program's the truth's own clock.
    other_clock = [(target, figures) for target, figures in measured
                   if target.counter_clock != time.CLOCK_MONOTONIC]
    rows = [
        ("Machine", machine),
        ("Load average at the start / the end", " / ".join(loads)),
        ("Timing runs", f"{arguments.intervals} intervals of {settings.interval} s at "
                        f"{settings.serial_speed} baud; controller {arguments.error_ppm:g} ppm "
                        f"fast at CLOCKTRIM 0, {arguments.trim_step_ppm:g} ppm a step, "
                        f"CLOCKTRIM {settings.clock_trim} uploaded"),
        *[(f"  true period, {target.label}", f"{figures['true_period']:.9f} s")
          for target, figures in measured],
        ("Interval error (median / p99 / max of the sizes)", ""),
        *[(f"  {target.label}", errors_text(figures["errors"])) for target, figures in measured],
        ("  floor poller", errors_text(floors["floor"]["errors"])),
        *[(f"  p99, {target.label} / floor poller",
           f"{figures['errors'].p99 / floors['floor']['errors'].p99:.2f} ×")
          for target, figures in measured],
        *[(f"  {target.label}, on its counter's clock", errors_text(figures["counter_errors"]))
          for target, figures in other_clock],
        *[(f"  {name}", errors_text(figures["errors"])) for name, figures in floor_rows[1:]],
        ("  one character at the line speed", f"{character_us:.1f} µs"),
        ("Final average error (that of the true arrivals)", ""),
        *[(f"  {target.label}", average_text(figures)) for target, figures in measured],
        *[(f"  {name}", average_text(figures)) for name, figures in floor_rows],
        *[(f"  {target.label}'s counter against CLOCK_MONOTONIC",
           f"{figures['timing'].counter_rate_ppm:+.2f} ppm") for target, figures in other_clock],
        *graph_rows(measured),
        ("Delays (median / max)", ""),
        ("  server's write after the byte was due, in the run of", ""),
        *[(f"    {target.label}", spread_text(figures["server_lateness"]))
          for target, figures in measured],
        ("  stamp after the write, by the", ""),
        *[(f"    {name}", spread_text(figures["latencies"])) for name, figures in floor_rows],
        (f"Idle CPU over {idle:g} s (median of {arguments.launches})", ""),
        *cpu_rows(measured, lambda figures: (figures["idle_program"], figures["idle_helper"]),
                  idle),
        (f"CPU per tick in the run (median of {arguments.intervals})", ""),
        *cpu_rows(measured, lambda figures: (figures["timing"].program_cpu_per_tick,
                                             figures["timing"].helper_cpu_per_tick)),
        (f"Launch to window with port list (median of {arguments.launches})", ""),
        *[(f"  {target.label}", f"{median(figures['launch']):.2f} s "
                                f"(min {min(figures['launch']):.2f}, "
                                f"max {max(figures['launch']):.2f})")
          for target, figures in measured],
        (f"Upload (median of {arguments.launches + 1})", ""),
        (f"  first to last byte sent, vs {tockmeter_session.UPLOAD_LINE_DELAYS_ON_THE_WIRE} × "
         f"LineDelay = {tockmeter_session.UPLOAD_LINE_DELAYS_ON_THE_WIRE * line_delay:.3f} s", ""),
        *[(f"    {target.label}", f"{median(u.wire_seconds for u in uploads(figures)):.3f} s")
          for target, figures in measured],
        (f"  whole, vs {tockmeter_session.UPLOAD_LINE_DELAYS} × LineDelay = "
         f"{tockmeter_session.UPLOAD_LINE_DELAYS * line_delay:.3f} s", ""),
        *[(f"    {target.label}", f"{median(u.whole_seconds for u in uploads(figures)):.3f} s")
          for target, figures in measured],
    ]
    width = max(len(name) for name, value in rows if value)
    for name, value in rows:
        print(f"{name.ljust(width)}  {value}".rstrip())


def uploads(figures: dict) -> list:
    """The upload before the timing run and those of the launches."""
    return [figures["upload"]] + figures["uploads"]


def main():
    arguments = parse_arguments()
    # An interrupted run still ends its processes and displays.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    settings = Settings(interval=arguments.interval, clock_trim=arguments.clock_trim)
    with_wine = "wine" in arguments.targets
    machine, load_at_start = machine_line(with_wine), load_average()
    if with_wine:
        prepare_prefix()
    measured, floors = [], {}
    for name, kind in targets.PROGRAMS.items():
        if name in arguments.targets:
            with kind() as target:
                figures, floors = measure(target, arguments, settings, floors)
            measured.append((target, figures))
    loads = (load_at_start, load_average())
    print_table(arguments, settings, measured, floors, machine, loads)
    results = harness.work_folder() / "results.json"
    programs = {target.name: {"label": target.label, **figures} for target, figures in measured}
    results.write_text(json.dumps(_plain({"machine": machine, "loads": loads,
                                          "arguments": vars(arguments), "programs": programs,
                                          "floors": floors}), indent=1))
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
