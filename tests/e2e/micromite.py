"""A simulated Micromite on a pseudo-terminal: tockmeter-micromite (sim/pty_server), for the life
of a `with` block, and its record of the session.

    with Micromite(run.run_folder / "logs", "com2") as device:
        run.pin_com_ports({2: device.terminal})
        ...
        record = device.record()

CTest passes the server's path in TOCKMETER_MICROMITE. Every time in the record is
CLOCK_MONOTONIC in nanoseconds, the clock of Python's time.monotonic_ns().
"""

import re
import signal
import subprocess
from pathlib import Path
from typing import NamedTuple, Optional

import harness
from checks import Failure
from display import die_with_parent

STOP_TIMEOUT_SECONDS = 10


class Start(NamedTuple):
    at: int
    error_ppm: float
    trim_step_ppm: float
    trim: int
    baud: int
    terminal: str


class Received(NamedTuple):
    at: int
    data: bytes


class Sent(NamedTuple):
    due: int
    written: int
    data: bytes


class Line(NamedTuple):
    """A line the controller printed, without its CR LF, at the time its first byte was due."""
    at: int
    text: str


class Dropped(NamedTuple):
    at: int
    count: int


class Flood(NamedTuple):
    """Garbage bytes written to the program, at the time they were written."""
    at: int
    count: int


class Stop(NamedTuple):
    at: int
    reason: str


class Record(NamedTuple):
    """The server's record (see sim/pty_server/record_writer.h), each kind of entry in the order
    written. `lines` are the console's lines, `ticks` those of the running tick program, `lost`
    the tick lines that never reached the terminal (lost_every)."""
    start: Optional[Start]
    received: list
    sent: list
    lines: list
    ticks: list
    lost: list
    dropped: list
    floods: list
    stop: Optional[Stop]

    def received_bytes(self) -> bytes:
        """Everything the program sent to the controller, in order."""
        return b"".join(entry.data for entry in self.received)


def _unescape(text: str) -> str:
    """Undoes the record's \\xHH escapes; the controller's characters are ISO 8859-1."""
    return re.sub(r"\\x([0-9a-f]{2})", lambda code: chr(int(code.group(1), 16)), text)


def parse_record(text: str) -> Record:
    record = Record(None, [], [], [], [], [], [], [], None)
    for entry in text.splitlines():
        kind, at, rest = (entry.split(" ", 2) + [""])[:3]
        at = int(at)
        if kind == "start":
            words = rest.split(" ", 9)
            fields = dict(zip(words[0::2], words[1::2]))
            record = record._replace(start=Start(
                at, float(fields["error-ppm"]), float(fields["trim-step-ppm"]),
                int(fields["trim"]), int(fields["baud"]), fields["terminal"]))
        elif kind == "rx":
            record.received.append(Received(at, bytes.fromhex(rest)))
        elif kind == "tx":
            written, data = rest.split(" ", 1)
            record.sent.append(Sent(at, int(written), bytes.fromhex(data)))
        elif kind == "line":
            record.lines.append(Line(at, _unescape(rest)))
        elif kind == "tick":
            record.ticks.append(Line(at, _unescape(rest)))
        elif kind == "lost":
            record.lost.append(Line(at, _unescape(rest)))
        elif kind == "dropped":
            record.dropped.append(Dropped(at, int(rest)))
        elif kind == "flood":
            record.floods.append(Flood(at, int(rest)))
        elif kind == "stop":
            record = record._replace(stop=Stop(at, rest))
        else:
            raise ValueError(f"unknown record entry: {entry!r}")
    return record


class Micromite:
    """tockmeter-micromite serving one controller. Its record is folder/<name>.record and its
    messages folder/<name>.log. The options left at None take the server's defaults; with a link
    path, `terminal` is that link, which a later server may take over. The messy line's options
    are the server's (its --help): stray_every, stray_text, stray_at, zero_byte_every,
    lost_every, restart_after (seconds after the server starts) and fault_seed.

    At the end of the block the server is asked to stop with SIGTERM, also when the block failed;
    a server that did not end cleanly fails the scenario, unless it was made to vanish.
    """

    def __init__(self, folder: Path, name="micromite", error_ppm=None, trim_step_ppm=None,
                 trim=None, baud=None, link=None, flood_after_ticks=None,
                 flood_after_received=None, flood_bytes=None, stray_every=None,
                 stray_text=None, stray_at=None, zero_byte_every=None, lost_every=None,
                 restart_after=None, fault_seed=None):
        self.record_path = folder / f"{name}.record"
        self.log_path = folder / f"{name}.log"
        self.options = {"--error-ppm": error_ppm, "--trim-step-ppm": trim_step_ppm,
                        "--trim": trim, "--baud": baud, "--link": link,
                        "--flood-after-ticks": flood_after_ticks,
                        "--flood-after-received": flood_after_received,
                        "--flood-bytes": flood_bytes, "--stray-every": stray_every,
                        "--stray-text": stray_text, "--stray-at": stray_at,
                        "--zero-byte-every": zero_byte_every, "--lost-every": lost_every,
                        "--restart-after": restart_after, "--fault-seed": fault_seed}
        self.link = link
        self.terminal = None
        self._server = None
        self._vanished = False

    def __enter__(self):
        command = [harness.path_from_environment("TOCKMETER_MICROMITE")]
        for option, value in self.options.items():
            if value is not None:
                command += [option, str(value)]
        command += ["--record", str(self.record_path)]
        with open(self.log_path, "wb") as log:
            self._server = subprocess.Popen(command, stdin=subprocess.DEVNULL,
                                            stdout=subprocess.PIPE, stderr=log,
                                            preexec_fn=die_with_parent)
        # The server prints the terminal's path once it serves it, or ends at once.
        self.terminal = self._server.stdout.readline().decode().strip()
        if not self.terminal:
            self._end()
            raise Failure(f"tockmeter-micromite did not start: {self._messages()}")
        if self.link is not None:
            self.terminal = str(self.link)
        return self

    def __exit__(self, exception_type, exception, trace):
        code = self._end()
        if code != 0 and exception_type is None and not self._vanished:
            raise Failure(f"tockmeter-micromite ended with {code}: {self._messages()}")

    def record(self) -> Record:
        """The record so far; after the block, the whole session's."""
        text = self.record_path.read_text(encoding="ascii")
        # While the server runs, its last line may be half written.
        return parse_record(text[:text.rfind("\n") + 1])

    def vanish(self):
        """Kills the server outright, as when the controller is unplugged: the terminal's master
        side closes with nothing said, and the record ends without a stop entry."""
        self._vanished = True
        self._server.kill()
        self._server.wait()

    def _end(self) -> int:
        if self._server.poll() is None:
            self._server.send_signal(signal.SIGTERM)
        try:
            self._server.wait(timeout=STOP_TIMEOUT_SECONDS)
        except subprocess.TimeoutExpired:
            self._server.kill()
            self._server.wait()
        self._server.stdout.close()
        return self._server.returncode

    def _messages(self) -> str:
        return self.log_path.read_text(errors="replace").strip() or "no message"

