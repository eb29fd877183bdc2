"""The machine's own serial devices, which a scenario's program must not see: each target runs
its processes with them covered by /dev/null, which is no terminal and so no serial port."""

import os
import re
import subprocess

from checks import Skip

# The machine's serial devices that a program may list and open (names in /dev); Wine links
# those it finds to the lowest COM numbers its port key leaves free.
MACHINE_DEVICE = re.compile(r"(ttyUSB|ttyACM|ttyAMA|ttyS|rfcomm)\d+")
# Covers each device given before "--" with /dev/null, then runs the command after it, in a
# mount namespace of its own so that only that command (and what it starts) sees the cover. It
# stays the same process throughout.
HIDE_DEVICES = ('while [ "$1" != -- ]; do mount --bind /dev/null "$1" || exit 1; shift; done; '
                'shift; exec "$@"')


def hiding(devices, command) -> list:
    """The command run with the devices covered; the command itself when there are none."""
    if not devices:
        return list(command)
    return ["unshare", "--mount", "--propagation", "private", "--", "sh", "-c", HIDE_DEVICES,
            "hide-devices", *devices, "--", *command]


def devices_to_hide() -> list:
    """The machine's serial devices, once it is sure that they can be covered (that needs root
    and mount namespaces); raises Skip when they cannot."""
    devices = sorted(f"/dev/{name}" for name in os.listdir("/dev") if MACHINE_DEVICE.fullmatch(name))
    if devices and subprocess.run(hiding(devices, ["true"]), stdin=subprocess.DEVNULL,
                                  capture_output=True, timeout=60).returncode != 0:
        raise Skip(f"the machine's serial devices ({', '.join(devices)}) cannot be hidden from "
                   "the program here (that needs root and mount namespaces)")
    return devices
