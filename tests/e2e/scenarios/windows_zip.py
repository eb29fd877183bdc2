"""The Windows download, tockmeter-<version>-win64.zip of the Windows build's cpack: what it holds,
and tockmeter.exe unpacked from it into a folder of its own in the Wine prefix, as a user unpacks
it, running there and keeping its settings beside itself."""

import os
import struct
import zipfile
from pathlib import Path

import harness
from checks import check, check_equal
from micromite import Micromite
from program_folder import listing, remove_folder
from window import CLOCKTRIM_LIST, PORT_LIST, settings_with

EXE = "tockmeter.exe"
GUIDE = "README.txt"

# VS_FIXEDFILEINFO begins with this signature; the file and product versions follow the
# structure's own version, each as two 32-bit halves of 16-bit numbers.
FIXED_FILE_INFO_SIGNATURE = struct.pack("<I", 0xFEEF04BD)
FILE_VERSION_KEY = "FileVersion\0".encode("utf-16-le")


def project_version_numbers() -> list:
    """The project's version (the top CMakeLists.txt) as the four numbers of a version
    resource."""
    numbers = [int(part) for part in os.environ["TOCKMETER_VERSION"].split(".")]
    return numbers + [0] * (4 - len(numbers))


def fixed_versions(program: bytes) -> tuple:
    """The file and product versions of the program's version resource, as number lists."""
    at = program.find(FIXED_FILE_INFO_SIGNATURE)
    check(at >= 0, "the program has no version resource")
    file_high, file_low, product_high, product_low = struct.unpack_from("<4I", program, at + 8)
    def numbers(high, low):
        return [high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF]
    return numbers(file_high, file_low), numbers(product_high, product_low)


def file_version_text(program: bytes) -> str:
    """The FileVersion string of the version resource: UTF-16 after its key, which is padded to
    a 32-bit boundary."""
    at = program.find(FILE_VERSION_KEY)
    check(at >= 0, "the version resource has no FileVersion string")
    start = at + len(FILE_VERSION_KEY)
    start += (-start) % 4
    end = start
    while program[end:end + 2] != b"\0\0":
        end += 2
    return program[start:end].decode("utf-16-le")


def check_guide_text(guide: bytes):
    """Notepad's kind of text: ASCII, every line ended by CR LF."""
    check(guide.isascii(), f"{GUIDE} holds bytes beyond ASCII")
    check(guide.endswith(b"\r\n"), f"{GUIDE} does not end with CR LF")
    lines = guide.split(b"\r\n")
    bare = [line for line in lines if b"\r" in line or b"\n" in line]
    check(not bare, f"{GUIDE} has line ends other than CR LF: {bare[:3]!r}")


def unpacked_folder() -> Path:
    """A fresh folder on the prefix's drive C:, where a user would unpack the download."""
    folder = harness.prefix_folder() / "drive_c" / "Tockmeter download"
    remove_folder(folder)
    return folder


def check_download(package: Path):
    with zipfile.ZipFile(package) as download:
        check_equal(sorted(download.namelist()), sorted([EXE, GUIDE]), f"files in {package.name}")
        program = download.read(EXE)
        check_guide_text(download.read(GUIDE))
    # A zip left from an earlier build would carry another program.
    check(program == harness.path_from_environment("TOCKMETER_EXE").read_bytes(),
          f"{EXE} in {package.name} is not the one just built: run cpack in the Windows build")
    version = project_version_numbers()
    check_equal(fixed_versions(program), (version, version), "file and product version numbers")
    check_equal(file_version_text(program), ".".join(map(str, version)), "FileVersion text")


def unpacked_program_runs_and_keeps_its_settings_beside_itself(run: harness.Scenario):
    package = harness.path_from_environment("TOCKMETER_ZIP")
    check(package.is_file(), f"no {package.name}: run cpack in the Windows build")
    check_download(package)

    folder = unpacked_folder()
    try:
        with zipfile.ZipFile(package) as download:
            download.extractall(folder)
        with Micromite(run.run_folder / "logs", "com7") as device:
            run.pin_com_ports({7: device.terminal})
            program = run.start_program(folder)
            driver = run.driver()
            driver.window(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS)
            # The window is shown once it is built, the port scan last.
            harness.wait_until(lambda: driver.combo(PORT_LIST)["items"], "the port list's items")
            window = driver.window()
            check_equal((window["title"], window["visible"], window["minimized"]),
                        ("Tockmeter!", True, False), "window of the unpacked program")
            check_equal(driver.combo_selection(PORT_LIST)[1], "COM7", "port chosen")
            driver.choose(CLOCKTRIM_LIST, driver.combo_items(CLOCKTRIM_LIST).index("-3"))
            harness.close_until_ended(program, driver)
            check_equal(program.wait(), 0, "exit code")
            check_equal(listing(folder), sorted([EXE, GUIDE, harness.SETTINGS_FILE]),
                        "files in the unpacked folder after the first close")
            check_equal(harness.read_settings(folder), settings_with({"CLOCKTRIM": "-3"}),
                        f"{harness.SETTINGS_FILE} beside the program")

            # The next start reads them from there.
            program = run.start_program(folder)
            driver = run.driver()
            driver.window(wait_seconds=harness.WINDOW_TIMEOUT_SECONDS)
            harness.wait_until(lambda: driver.combo(PORT_LIST)["items"], "the port list's items")
            check_equal(driver.combo_selection(CLOCKTRIM_LIST)[1], "-3",
                        "CLOCKTRIM at the next start")
            harness.close_until_ended(program, driver)
            check_equal(program.wait(), 0, "exit code of the next start")
    finally:
        remove_folder(folder)


if __name__ == "__main__":
    harness.main([unpacked_program_runs_and_keeps_its_settings_beside_itself])
