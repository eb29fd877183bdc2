"""Python face of tockmeter_e2e_driver.exe: reads and drives the running program's window.

Each call runs the driver once under the scenario's Wine (see driver/driver.cpp for the
commands). Actions are posted like user input, so they return before the program has acted:
read back, with `wait_until` where the program needs time, to see the effect.
"""

import json
import subprocess

from checks import Failure

# Exit codes of the driver besides 0.
NOT_FOUND = 2

# How long the driver lets the program take to answer one message (AnswerLimit there), and
# the time Wine may take to start the driver: both come on top of the driver's own wait.
ANSWER_LIMIT_SECONDS = 30
STARTUP_ALLOWANCE_SECONDS = 60

# The driver's commands that only read the program's window.
READING = {"window", "graph-window", "control", "combo", "log-lines", "log-text", "focus", "log-view",
           "message-box", "log-selection", "clipboard", "log-menu", "save-dialog"}


class DriverError(Failure):
    """The driver could not do what it was asked; the message is its reason."""


class Driver:
    def __init__(self, wine, driver_exe, wait_seconds=10):
        self.wine = wine
        self.driver_exe = driver_exe
        self.wait_seconds = wait_seconds

    def _command(self, *words, wait_seconds=None, missing_ok=False):
        wait = self.wait_seconds if wait_seconds is None else wait_seconds
        arguments = ["--wait", int(wait * 1000), *words]
        try:
            code, out, err = self._run(arguments, wait)
            # The driver gives a reason with every failure. A failure without a word means Wine
            # did not run it (seen once on a loaded machine); a command that only reads is
            # given a second try.
            if code != 0 and not out.strip() and not err.strip() and words[0] in READING:
                code, out, err = self._run(arguments, wait)
        except subprocess.TimeoutExpired:
            raise DriverError(f"driver {' '.join(map(str, words))}: no result in time") from None
        if code == NOT_FOUND and missing_ok:
            return None
        if code != 0:
            raise DriverError(f"driver {' '.join(map(str, words))} failed ({code}): "
                              f"{err.strip()}")
        return json.loads(out)

    def _run(self, arguments, wait):
        return self.wine.run(self.driver_exe, arguments,
                             timeout=wait + ANSWER_LIMIT_SECONDS + STARTUP_ALLOWANCE_SECONDS)

    # Reading.

    def window(self, wait_seconds=None) -> dict:
        """Waits for the window; its outer frame (left, top, width, height), client size
        (clientWidth, clientHeight) and minimized, maximized, visible."""
        return self._command("window", wait_seconds=wait_seconds)

    def graph_window(self, wait_seconds=None) -> dict:
        """Waits for the graph window; what `window` gives of the main window."""
        return self._command("graph-window", wait_seconds=wait_seconds)

    def control(self, control_id) -> dict:
        """class, text, left/top/width/height in the client area, visible, enabled."""
        return self._command("control", control_id)

    def combo(self, control_id) -> dict:
        """items, selected (index or -1) and text of a drop-down list."""
        return self._command("combo", control_id)

    def combo_items(self, control_id) -> list:
        return self.combo(control_id)["items"]

    def combo_selection(self, control_id) -> tuple:
        """(index, text) of the selected item; (-1, "") when none is selected."""
        combo = self.combo(control_id)
        return combo["selected"], combo["text"]

    def log_lines(self) -> list:
        """The log's lines, without their line breaks (an empty last line after a final line
        break)."""
        return self._command("log-lines")["lines"]

    def log_text(self) -> str:
        return self._command("log-text")["text"]

    def focus(self) -> int:
        """Identifier of the control with the keyboard focus: 0 the window itself, -1 none."""
        return self._command("focus")["id"]

    def log_view(self) -> dict:
        """firstVisibleLine and lineCount of the log."""
        return self._command("log-view")

    def message_box(self, wait_seconds=None):
        """{"title", "text"} of the program's message box, or None when none appears within the
        wait."""
        return self._command("message-box", wait_seconds=wait_seconds, missing_ok=True)

    def log_selection(self) -> tuple:
        """(start, end) of the log's selection, in characters."""
        selection = self._command("log-selection")
        return selection["start"], selection["end"]

    def clipboard(self):
        """The clipboard's text, or None when it holds none."""
        clipboard = self._command("clipboard", wait_seconds=5, missing_ok=True)
        return clipboard and clipboard["text"]

    def log_menu(self) -> list:
        """The items of the log's right-click menu, opened from the keyboard and closed again:
        each {"id", "text", "separator", "enabled"}."""
        return self._command("log-menu")["items"]

    def open_log_menu(self) -> list:
        """Opens the log's menu as `log_menu` does and leaves it open; its items."""
        return self._command("log-menu-open")["items"]

    def close_menu(self):
        """Closes the program's open menu with Escape."""
        self._command("menu-close")

    def save_dialog(self, wait_seconds=None) -> dict:
        """{"title", "fileName", "ownedByWindow"} of the program's Save As dialog."""
        return self._command("save-dialog", wait_seconds=wait_seconds)

    # Acting.

    def choose(self, control_id, index) -> dict:
        """Selects an item of a drop-down list as the user's choice; returns the list's state."""
        return self._command("choose", control_id, index)

    def press(self, control_id):
        self._command("press", control_id)

    def press_from_behind(self, control_id) -> dict:
        """Clicks the button while a window of another program is in front; the message box
        that the click brings, as `message_box` gives it."""
        return self._command("press-from-behind", control_id)

    def scroll_log(self, code) -> dict:
        """Scrolls the log as its scroll bar does (an SB_ code); the log's view as `log_view`
        gives it."""
        return self._command("scroll-log", code)

    def window_menu_command(self, command_id):
        """Chooses one of the program's own commands in the window menu."""
        self._command("window-menu-command", command_id)

    def choose_log_menu_item(self, command_id):
        """Chooses the log menu's item with this command identifier from the keyboard."""
        self._command("log-menu-choose", command_id)

    def key_ctrl(self, letter):
        """Types Ctrl and the letter into the program's window."""
        self._command("key-ctrl", letter)

    def save_dialog_save(self, windows_path):
        """Saves to the path (as Windows programs see it) through the Save As dialog; fails when
        the dialog asks whether to replace the file."""
        self._command("save-dialog-save", windows_path)

    def save_dialog_replace(self, windows_path) -> str:
        """Saves over the file at the path through the Save As dialog, answering Yes to its
        question whether to replace it; returns the question."""
        return self._command("save-dialog-replace", windows_path)["question"]

    def show_graph(self):
        """Types Ctrl+G, which shows the graph."""
        self.key_ctrl("G")

    def save_graph_as(self, path, command_id):
        """Chooses the command (Save Graph As) in the window menu and saves to the path through
        the Save As dialog; the dialog as `save_dialog` gives it."""
        from wine import windows_path
        self.window_menu_command(command_id)
        dialog = self.save_dialog()
        self.save_dialog_save(windows_path(path))
        return dialog

    def save_dialog_cancel(self):
        self._command("save-dialog-cancel")

    def set_focus(self, control_id) -> int:
        return self._command("set-focus", control_id)["id"]

    def tab(self) -> int:
        """Types Tab; returns the control that has the focus afterwards."""
        return self._command("tab")["id"]

    def shift_tab(self) -> int:
        return self._command("shift-tab")["id"]

    def press_message_box_ok(self):
        self._command("message-box-ok")

    def resize(self, width, height) -> dict:
        """Gives the window a new outer size; returns the window's state as `window` does."""
        return self._command("resize", width, height)

    def minimize(self) -> dict:
        return self._command("minimize")

    def maximize(self) -> dict:
        return self._command("maximize")

    def restore(self) -> dict:
        return self._command("restore")

    def end_session(self) -> bool:
        """Tells the window that the user logs off, as the system does; returns whether the
        program agreed. The system would then end the program."""
        return self._command("end-session")["agreed"]

    def close(self, wait_seconds=None):
        """Asks the window to close, as its close box does; a window already gone is fine."""
        self._command("close", wait_seconds=wait_seconds, missing_ok=True)
