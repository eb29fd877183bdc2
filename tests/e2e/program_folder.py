"""The folders that tockmeter.exe runs from, and making a folder or file unchangeable.

Scenarios run as root in CI, and root ignores Unix permissions: "unwritable" therefore means
the immutable attribute (chattr +i), or else a read-only bind mount.
"""

import contextlib
import os
import re
import shutil
import subprocess
from pathlib import Path

from checks import Skip


def _quiet(command) -> bool:
    return subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True,
                          timeout=60).returncode == 0


def _mount_points_in(path: Path) -> list:
    """Mount points at or below path, the deepest first."""
    with open("/proc/self/mounts") as mounts:
        # Blanks and the like appear as octal escapes there.
        points = [re.sub(r"\\([0-7]{3})", lambda code: chr(int(code.group(1), 8)),
                         line.split()[1]) for line in mounts]
    inside = [point for point in points if point == str(path) or point.startswith(f"{path}/")]
    return sorted(inside, reverse=True)


def remove_folder(path: Path):
    """Removes the folder, first undoing what `unchangeable` may have left in it when a run was
    killed."""
    if not path.exists():
        return
    for point in _mount_points_in(path):
        _quiet(["umount", point])
    _quiet(["chattr", "-R", "-i", str(path)])
    shutil.rmtree(path)


def fresh_folder(path: Path, program: Path) -> Path:
    """An empty folder at path holding only a copy of the program file."""
    remove_folder(path)
    path.mkdir(parents=True)
    shutil.copy2(program, path / program.name)
    return path


def listing(folder: Path) -> list:
    """The names in the folder, sorted."""
    return sorted(os.listdir(folder))


@contextlib.contextmanager
def unchangeable(path: Path):
    """Within the block nobody, root included, can change the file or the folder's entries
    (create, delete, rename, or replace the file). Skips the scenario when neither the
    immutable attribute nor a read-only bind mount works here."""
    if _quiet(["chattr", "+i", str(path)]):
        try:
            yield
        finally:
            _quiet(["chattr", "-i", str(path)])
        return
    if _quiet(["mount", "--bind", str(path), str(path)]):
        try:
            if not _quiet(["mount", "-o", "remount,ro,bind", str(path)]):
                raise Skip(f"{path}: a bind mount cannot be made read-only here")
            yield
        finally:
            _quiet(["umount", str(path)])
        return
    raise Skip(f"{path}: neither chattr +i nor a read-only bind mount works here "
                       "(they need root and a file system such as ext4)")
