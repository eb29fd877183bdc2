"""Makes the Wine prefix that every scenario of the run shares, or reuses a complete one.

Run once per test run as the CTest fixture that the scenarios require: wineboot of a fresh
prefix takes many seconds, far too long to repeat for each scenario.
"""

import time

import harness
import wine
from display import VirtualDisplay


def prepare():
    logs = harness.work_folder() / "prefix-logs"
    logs.mkdir(parents=True, exist_ok=True)
    started = time.monotonic()
    with VirtualDisplay(logs / "xvfb.log") as display:
        session = wine.Wine(harness.prefix_folder(), display.name, logs)
        try:
            made = wine.make_prefix(session)
        finally:
            session.end_session()
    action = "made" if made else "reused"
    print(f"Wine prefix {action} in {time.monotonic() - started:.1f} s: {harness.prefix_folder()}")


if __name__ == "__main__":
    prepare()
