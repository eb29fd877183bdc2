"""The program's processes as Linux sees them, and the CPU time they have used.

The native program is one process. Under Wine a Windows program is an ordinary Linux process
named after its .exe (the `wine` command that starts it becomes it); the wineserver that serves
every process of the prefix is a process of its own, and its CPU time is never part of the
program's.
"""

import os
from pathlib import Path
from typing import Optional

CLOCK_TICKS_PER_SECOND = os.sysconf("SC_CLK_TCK")


def _environment(pid: int) -> dict:
    try:
        raw = Path(f"/proc/{pid}/environ").read_bytes()
    except OSError:
        return {}
    pairs = (entry.split(b"=", 1) for entry in raw.split(b"\0") if b"=" in entry)
    return {name.decode(errors="replace"): value.decode(errors="replace") for name, value in pairs}


def _name(pid: int) -> str:
    try:
        return Path(f"/proc/{pid}/comm").read_text().strip()
    except OSError:
        return ""


def find_wine_process(name: str, prefix: Path):
    """The pid of the process whose name (as /proc/<pid>/comm gives it, cut to 15 characters by
    the kernel) begins with name and that runs in the Wine prefix; None when there is none."""
    for entry in os.listdir("/proc"):
        if entry.isdigit() and _name(int(entry)).startswith(name[:15]):
            if _environment(int(entry)).get("WINEPREFIX") == str(prefix):
                return int(entry)
    return None


def cpu_seconds(pid: int) -> float:
    """User plus system CPU time of the process, all its threads, so far (10 ms steps)."""
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    # After the name: state is field 3 of stat(5), utime 14 and stime 15.
    user, system = int(fields[11]), int(fields[12])
    return (user + system) / CLOCK_TICKS_PER_SECOND


class CpuMeter:
    """CPU seconds of the program and of the process that serves it (Wine's wineserver; none
    for the native program), read together."""

    def __init__(self, program: int, helper: Optional[int] = None):
        self.program = program
        self.helper = helper

    def read(self) -> tuple:
        """(program's CPU seconds, helper's CPU seconds or None)."""
        helper = cpu_seconds(self.helper) if self.helper is not None else None
        return cpu_seconds(self.program), helper


def wine_cpu_meter(program_name: str, prefix: Path) -> CpuMeter:
    """The meter of the program of that name running in the prefix, and of its wineserver."""
    program = find_wine_process(program_name, prefix)
    # wineserver64 on a 64-bit Wine.
    wineserver = find_wine_process("wineserver", prefix)
    if program is None or wineserver is None:
        raise RuntimeError(f"no {program_name} or no wineserver running in {prefix}")
    return CpuMeter(program, wineserver)
