#!/usr/bin/env python3
"""Lists the includes between the program's rooms (its top-level folders; platform/win32 and
platform/linux apart from the seam in platform/) and stands the rooms on floors, each room above
every room it includes. Exits with 1, naming the rooms, when includes go round in a circle.

    python3 scripts/list_includes.py [source folder]"""

import re
import sys
from collections import defaultdict
from pathlib import Path

ROOMS = ["platform/win32", "platform/linux", "app", "graph", "calibration", "serial",
         "settings", "window", "state", "measure", "text", "files", "platform"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def room_of(path: str):
    return next((room for room in ROOMS if path == room or path.startswith(room + "/")), None)


def includes_between_rooms(root: Path) -> dict:
    counts = defaultdict(int)
    for room in ROOMS:
        for source in sorted((root / room).rglob("*")):
            if source.suffix not in (".cpp", ".h") or room_of(
                    source.relative_to(root).as_posix()) != room:
                continue
            for included in INCLUDE.findall(source.read_text(encoding="utf-8", errors="replace")):
                target = room_of(included)
                if target and target != room:
                    counts[(room, target)] += 1
    return counts


def floors(counts: dict):
    """Each room's floor: 0 for a room that includes no other, else one above the highest room
    it includes. None when the rooms left over include each other in a circle."""
    below = defaultdict(set)
    for (room, target) in counts:
        below[room].add(target)
    floor = {}
    while len(floor) < len(ROOMS):
        ready = [room for room in ROOMS if room not in floor and below[room] <= floor.keys()]
        if not ready:
            return floor, [room for room in ROOMS if room not in floor]
        for room in ready:
            floor[room] = 1 + max((floor[target] for target in below[room]), default=-1)
    return floor, []


def main() -> int:
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent)
    counts = includes_between_rooms(root)
    floor, circled = floors(counts)
    for level in sorted(set(floor.values()), reverse=True):
        for room in (room for room in ROOMS if floor.get(room) == level):
            targets = ", ".join(f"{target} {count}" for (source, target), count
                                in sorted(counts.items()) if source == room)
            print(f"floor {level}  {room:<15} -> {targets or '(nothing)'}")
    if circled:
        print("rooms that include each other in a circle: " + ", ".join(circled))
        for (source, target), count in sorted(counts.items()):
            if source in circled and target in circled:
                print(f"  {source} -> {target} {count}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
