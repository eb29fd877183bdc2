"""What a scenario asserts, and the two ways it ends other than passing."""

import difflib


class Failure(Exception):
    """The program did not behave as the scenario expects."""


class Skip(Exception):
    """The scenario cannot run on this machine; the reason says why."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def check_equal(actual, expected, what):
    """Fails with both values, line by line for texts and file contents of several lines."""
    if actual == expected:
        return
    if isinstance(actual, (bytes, str)) and isinstance(expected, (bytes, str)):
        diff = difflib.unified_diff(
            [repr(line) for line in expected.splitlines(keepends=True)],
            [repr(line) for line in actual.splitlines(keepends=True)],
            "expected", "actual", lineterm="")
        raise Failure(f"{what} differs:\n" + "\n".join(diff))
    raise Failure(f"{what}: expected {expected!r}, got {actual!r}")
