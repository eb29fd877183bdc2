"""The graph of a run, on both programs: after a timing run against the simulated Micromite,
Ctrl+G shows the graph window at its default size, and Save Graph As writes a PNG file of the
window's size whose picture shows the graph."""

import struct
import zlib

import harness
from calibration import (START_BUTTON, start_with_controller, stop_run, upload_with_trim,
                         wait_for_tick_lines)
from checks import Failure, check, check_equal
from micromite import Micromite

SAVE_GRAPH_AS = 0x190
GRAPH_TITLE = "Tockmeter graph"
DEFAULT_SIZE = (640, 480)
TICKS = 5
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
# White, black, the grid's grey and a run's colour at least.
FEWEST_COLOURS = 4
SAVE_TIMEOUT_SECONDS = 30


def png_chunks(data: bytes):
    """(type, content) of each chunk, checking each one's CRC."""
    check(data.startswith(PNG_SIGNATURE), "the file does not start as a PNG file")
    at = len(PNG_SIGNATURE)
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        content = data[at + 8:at + 8 + length]
        crc, = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        check_equal(crc, zlib.crc32(kind + content), f"the CRC of the {kind!r} chunk")
        yield kind, content
        at += 12 + length


def unfiltered_rows(raw: bytes, width, height, pixel_bytes) -> list:
    """The image's rows, each filter undone (PNG's five filters)."""
    stride = width * pixel_bytes
    rows, previous, at = [], bytes(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            left = line[i - pixel_bytes] if i >= pixel_bytes else 0
            up = previous[i]
            corner = previous[i - pixel_bytes] if i >= pixel_bytes else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                nearest = min((abs(p - left), 0, left), (abs(p - up), 1, up),
                              (abs(p - corner), 2, corner))[2]
                line[i] = (line[i] + nearest) & 0xFF
        rows.append(bytes(line))
        previous = line
    return rows


def png_picture(data: bytes) -> tuple:
    """(width, height, set of colours) of an 8-bit RGB or RGBA PNG file."""
    header, compressed = None, b""
    for kind, content in png_chunks(data):
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", content)
        elif kind == b"IDAT":
            compressed += content
    check(header is not None, "the PNG file has no header")
    width, height, depth, colour_type, _, _, interlace = header
    check(depth == 8 and colour_type in (2, 6) and interlace == 0,
          f"not an 8-bit RGB picture: {header}")
    pixel_bytes = 3 if colour_type == 2 else 4
    rows = unfiltered_rows(zlib.decompress(compressed), width, height, pixel_bytes)
    colours = {row[x:x + 3] for row in rows for x in range(0, len(row), pixel_bytes)}
    return width, height, colours


def a_run_shows_in_the_graph_and_saves_as_png(run: harness.Scenario):
    records = run.run_folder / "records"
    records.mkdir()
    with Micromite(run.run_folder / "logs", "com7") as device:
        folder, program, driver = start_with_controller(run, device)
        upload_with_trim(driver)
        driver.press(START_BUTTON)
        wait_for_tick_lines(driver, TICKS)
        stop_run(driver)

        driver.show_graph()
        graph = driver.graph_window()
        check_equal(graph["title"], GRAPH_TITLE, "the graph window's title")
        check(graph["visible"] and not graph["minimized"], f"the graph is not shown: {graph}")
        check_equal((graph["clientWidth"], graph["clientHeight"]), DEFAULT_SIZE,
                    "the graph's inner size")
        run.screenshot("graph")

        saved = records / "graph.png"
        dialog = driver.save_graph_as(saved, SAVE_GRAPH_AS)
        check_equal(dialog["title"], "Save Graph As", "the dialog's title")
        data = harness.wait_until(lambda: saved.exists() and saved.read_bytes(),
                                  "the saved graph", SAVE_TIMEOUT_SECONDS)
        width, height, colours = png_picture(data)
        check_equal((width, height), (graph["clientWidth"], graph["clientHeight"]),
                    "the PNG's size")
        check(len(colours) >= FEWEST_COLOURS,
              f"the PNG shows {len(colours)} colours, not a graph")
        harness.close_until_ended(program, driver)
        check_equal(program.wait(), 0, "exit code")
    settings = harness.read_settings(folder)
    check(b"\r\n[Graph]\r\n" in settings, f"the settings keep no graph group: {settings!r}")


if __name__ == "__main__":
    harness.main([a_run_shows_in_the_graph_and_saves_as_png])
