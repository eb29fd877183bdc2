"""Checks that tockmeter.exe needs no DLL beyond those that every Windows installation has.

Usage: check_imports.py OBJDUMP EXE (OBJDUMP: the MinGW-w64 objdump). Exit code 0 when every
imported DLL is allowed, 1 otherwise.
"""

import re
import subprocess
import sys

# Compared without regard to case. The MinGW run-time DLLs (libstdc++, libgcc, libwinpthread)
# and the Universal CRT's api-ms-win-crt-* are not among them: the program links those
# statically.
ALLOWED = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "advapi32.dll",
    "shell32.dll", "ole32.dll", "oleaut32.dll", "winmm.dll", "uxtheme.dll", "dwmapi.dll",
    "msvcrt.dll",
}


def imported_dlls(objdump, exe) -> list:
    headers = subprocess.run([objdump, "-p", exe], stdin=subprocess.DEVNULL, capture_output=True,
                             text=True, timeout=120, check=True).stdout
    return re.findall(r"^\s*DLL Name:\s*(\S+)", headers, re.MULTILINE)


def main():
    objdump, exe = sys.argv[1:3]
    dlls = imported_dlls(objdump, exe)
    print("imports:", ", ".join(dlls))
    if not any(dll.lower() == "kernel32.dll" for dll in dlls):
        sys.exit("no import of KERNEL32.dll found: objdump's output was not understood")
    foreign = [dll for dll in dlls if dll.lower() not in ALLOWED]
    if foreign:
        sys.exit("imports DLLs that not every Windows has: " + ", ".join(foreign))


if __name__ == "__main__":
    main()
