"""Reads and drives the native program's GTK window through AT-SPI, with the methods and answers
of driver.Driver where the two programs share them.

Each control's accessible object carries the id "tockmeter-control-<identifier>". Reading asks
the program at once. Buttons are clicked with the mouse (xdotool), and the close request is the
one a window manager sends for the close box (through X): both reach the program as a user's
input does, so those calls return before the program has acted. Read back, with `wait_until`
where the program needs time, to see the effect.

The environment (DISPLAY, DBUS_SESSION_BUS_ADDRESS) must be the program's before the first
driver is made: pyatspi connects to the accessibility bus once per process, at its import.
"""

import os
import subprocess
import time

from driver import DriverError
from x_windows import Display

CONTROL_ID_PREFIX = "tockmeter-control-"
LOG_VIEW = 1
POLL_SECONDS = 0.1
XDOTOOL_TIMEOUT_SECONDS = 30
# How long a question may wait for the program's answer, as the Windows driver's AnswerLimit:
# the program answers only between its own steps (an upload pauses between lines). AT-SPI's own
# limit is under a second.
ANSWER_LIMIT_MILLISECONDS = 30_000
# The scroll bar's codes that scroll_log takes, as the Windows driver names them.
SB_TOP, SB_BOTTOM = 6, 7
VIEW_CORNER_INSET = 2
GRAPH_TITLE = "Tockmeter graph"
# A popup menu takes a moment to map before it takes keys.
MENU_SETTLE_SECONDS = 0.5
# The native window has no window menu; its commands are in the log's right-click menu, chosen
# by their labels there. The ones the scenarios choose, by the identifiers the Windows driver
# takes.
LOG_MENU_LABELS = {0x110: "Trim automatically", 0x120: "Show the rate now"}


def _interfaces():
    # Imported here: the import connects to the accessibility bus (see the module's comment).
    import pyatspi
    from gi.repository import Atspi, GLib
    Atspi.set_timeout(ANSWER_LIMIT_MILLISECONDS, ANSWER_LIMIT_MILLISECONDS)
    return pyatspi, GLib


class NativeDriver:
    def __init__(self, pid, display_name, wait_seconds=10):
        self.pid = pid
        self.display_name = display_name
        self.wait_seconds = wait_seconds
        self._pyatspi, self._glib = _interfaces()

    # Finding the program's objects.

    def _wait_for(self, find, what, wait_seconds=None, missing_ok=False):
        """find()'s first value other than None, looked for until the wait is over (0: once)."""
        wait = self.wait_seconds if wait_seconds is None else wait_seconds
        end = time.monotonic() + wait
        while True:
            found = self._quietly(find)
            if found is not None:
                return found
            if time.monotonic() >= end:
                if missing_ok:
                    return None
                raise DriverError(f"{what}: not found within {wait} s")
            time.sleep(POLL_SECONDS)

    def _quietly(self, find):
        # An object gone between two questions (a box just closed, the program ending) is one
        # not found yet.
        try:
            return find()
        except self._glib.GError:
            return None

    def _children(self, accessible) -> list:
        """The object's children; none while it cannot say (an object going away gives a
        negative count rather than an error)."""
        count = accessible.childCount
        return [accessible.getChildAtIndex(index) for index in range(max(0, count))]

    def _application(self):
        for application in self._pyatspi.Registry.getDesktop(0):
            if application is not None and application.get_process_id() == self.pid:
                # Every answer fresh from the program: the driver listens to no events that
                # would keep a cache up to date.
                application.clear_cache()
                return application
        return None

    def _windows(self, roles):
        application = self._application()
        if application is None:
            return []
        return [child for child in self._children(application)
                if child is not None and child.getRole() in roles
                and child.getState().contains(self._pyatspi.STATE_SHOWING)]

    def _main_window(self):
        frames = [frame for frame in self._windows({self._pyatspi.ROLE_FRAME})
                  if frame.name != GRAPH_TITLE]
        return frames[0] if frames else None

    def _graph_window(self):
        frames = [frame for frame in self._windows({self._pyatspi.ROLE_FRAME})
                  if frame.name == GRAPH_TITLE]
        return frames[0] if frames else None

    def _save_dialog(self, title):
        dialogs = [dialog for dialog in self._windows({self._pyatspi.ROLE_DIALOG,
                                                      self._pyatspi.ROLE_FILE_CHOOSER})
                   if dialog.name == title]
        return dialogs[0] if dialogs else None

    def _message_box(self):
        boxes = self._windows({self._pyatspi.ROLE_ALERT, self._pyatspi.ROLE_DIALOG})
        return boxes[0] if boxes else None

    def _find_control(self, control_id):
        main_window = self._main_window()
        if main_window is None:
            return None
        wanted = f"{CONTROL_ID_PREFIX}{control_id}"
        # The controls lie on the window's surface; the log's text view inside its scroller.
        # Lists are not entered: their items are no controls.
        pending = self._children(main_window)
        while pending:
            accessible = pending.pop(0)
            if accessible is None:
                continue
            if accessible.accessibleId == wanted:
                return accessible
            if accessible.getRole() in (self._pyatspi.ROLE_PANEL, self._pyatspi.ROLE_SCROLL_PANE,
                                        self._pyatspi.ROLE_FILLER):
                pending.extend(self._children(accessible))
        return None

    def _control(self, control_id):
        return self._wait_for(lambda: self._find_control(control_id), f"control {control_id}")

    def _x_window(self, display, wanted_title=None):
        """The program's top-level X window with the title (any when None); 0 when none."""
        for window in display.top_level_windows(self.pid):
            if wanted_title is None or display.title(window) == wanted_title:
                return window
        return 0

    # Reading.

    def window(self, wait_seconds=None) -> dict:
        """Waits for the window; its outer frame (left, top, width, height), client size
        (clientWidth, clientHeight) and minimized, maximized, visible."""
        frame = self._wait_for(self._main_window, "the main window", wait_seconds)
        x, y, width, height = frame.queryComponent().getExtents(self._pyatspi.DESKTOP_COORDS)
        surface = frame[0]
        client = (surface.queryComponent().getExtents(self._pyatspi.WINDOW_COORDS)
                  if surface is not None else (0, 0, width, height))
        states = frame.getState()
        with Display(self.display_name) as display:
            window = self._x_window(display, frame.name)
            maximized = window != 0 and all(
                display.has_state(window, f"_NET_WM_STATE_MAXIMIZED_{axis}")
                for axis in ("HORZ", "VERT"))
        return {"title": frame.name, "left": x, "top": y, "width": width, "height": height,
                "clientWidth": client[2], "clientHeight": client[3],
                "minimized": states.contains(self._pyatspi.STATE_ICONIFIED),
                "maximized": maximized,
                "visible": states.contains(self._pyatspi.STATE_VISIBLE)
                and states.contains(self._pyatspi.STATE_SHOWING)}

    def graph_window(self, wait_seconds=None) -> dict:
        """Waits for the graph window; its outer frame and client size as `window` gives them."""
        frame = self._wait_for(self._graph_window, "the graph window", wait_seconds)
        x, y, width, height = frame.queryComponent().getExtents(self._pyatspi.DESKTOP_COORDS)
        area = frame[0]
        client = (area.queryComponent().getExtents(self._pyatspi.WINDOW_COORDS)
                  if area is not None else (0, 0, width, height))
        states = frame.getState()
        return {"title": frame.name, "left": x, "top": y, "width": width, "height": height,
                "clientWidth": client[2], "clientHeight": client[3],
                "minimized": states.contains(self._pyatspi.STATE_ICONIFIED),
                "visible": states.contains(self._pyatspi.STATE_VISIBLE)
                and states.contains(self._pyatspi.STATE_SHOWING)}

    def _placed(self, accessible):
        """What is placed in the window for the control: the log's scroller, else itself."""
        parent = accessible.parent
        if parent is not None and parent.getRole() == self._pyatspi.ROLE_SCROLL_PANE:
            return parent
        return accessible

    def control(self, control_id) -> dict:
        """class (the accessible role), text, left/top/width/height in the client area,
        visible, enabled, and description (its tooltip)."""
        accessible = self._control(control_id)
        left, top, width, height = self._placed(accessible).queryComponent().getExtents(
            self._pyatspi.WINDOW_COORDS)
        if accessible.getRole() == self._pyatspi.ROLE_TEXT:
            text = self._text(accessible)
        else:
            text = accessible.name
        states = accessible.getState()
        return {"id": control_id, "class": accessible.getRoleName(), "text": text,
                "left": left, "top": top, "width": width, "height": height,
                "visible": states.contains(self._pyatspi.STATE_VISIBLE),
                "enabled": states.contains(self._pyatspi.STATE_ENABLED),
                "description": accessible.description}

    def combo(self, control_id) -> dict:
        """items, selected (index or -1) and text of a drop-down list."""
        combo = self._control(control_id)
        items = self._list_items(combo)
        # The selected item is the one whose text the list shows: GTK gives the selected child
        # by the item's index also when the list's table has a header child before the items.
        # The program's lists hold each text once.
        chosen = combo.querySelection().nSelectedChildren > 0
        selected = items.index(combo.name) if chosen and combo.name in items else -1
        valid = selected >= 0
        return {"items": items, "selected": selected if valid else -1,
                "text": items[selected] if valid else ""}

    def _list_items(self, combo) -> list:
        """The texts of the list's items: the cells of the table that the open list shows, or
        the items of its menu (by the theme)."""
        shown = combo[0] if combo.childCount else None
        if shown is None:
            return []
        return [child.name for child in self._children(shown)
                if child is not None and child.getRole() in (self._pyatspi.ROLE_TABLE_CELL,
                                                             self._pyatspi.ROLE_MENU_ITEM)]

    def combo_items(self, control_id) -> list:
        return self.combo(control_id)["items"]

    def combo_selection(self, control_id) -> tuple:
        """(index, text) of the selected item; (-1, "") when none is selected."""
        combo = self.combo(control_id)
        return combo["selected"], combo["text"]

    def _text(self, accessible) -> str:
        text = accessible.queryText()
        return text.getText(0, text.characterCount)

    def log_text(self) -> str:
        return self._text(self._control(LOG_VIEW))

    def log_lines(self) -> list:
        """The log's lines, without their line breaks (an empty last line after a final line
        break)."""
        return self.log_text().split("\n")

    def log_view(self) -> dict:
        """firstVisibleLine (the line at the top of the log's view) and lineCount of the log;
        newestLineWhole: its last line lies wholly within the view's height, above the
        horizontal scroll bar (the line may reach beyond the view's right edge); and
        horizontalScrollBar: that bar is shown."""
        log = self._control(LOG_VIEW)
        text = log.queryText()
        whole = text.getText(0, text.characterCount)
        x, y, _, _ = self._placed(log).queryComponent().getExtents(self._pyatspi.DESKTOP_COORDS)
        # The character at the view's top left corner, inside the text's margin.
        top = text.getOffsetAtPoint(x + VIEW_CORNER_INSET, y + VIEW_CORNER_INSET,
                                    self._pyatspi.DESKTOP_COORDS)
        # The text view is the scroller's part that shows the text, the scroll bars beside it.
        _, view_top, _, view_height = log.queryComponent().getExtents(
            self._pyatspi.DESKTOP_COORDS)
        _, line_top, _, line_height = text.getCharacterExtents(
            whole.rfind("\n") + 1, self._pyatspi.DESKTOP_COORDS)
        return {"firstVisibleLine": whole[:max(0, top)].count("\n"),
                "lineCount": whole.count("\n") + 1,
                "newestLineWhole": line_height > 0 and line_top >= view_top
                and line_top + line_height <= view_top + view_height,
                "horizontalScrollBar": self._horizontal_bar_shown(log)}

    def _scroll_bar(self, log, orientation):
        scroller = self._placed(log)
        bars = [bar for bar in self._children(scroller) if bar is not None
                and bar.getRole() == self._pyatspi.ROLE_SCROLL_BAR
                and bar.getState().contains(orientation)]
        return bars[0] if bars else None

    def _horizontal_bar_shown(self, log) -> bool:
        bar = self._scroll_bar(log, self._pyatspi.STATE_HORIZONTAL)
        return bar is not None and bar.getState().contains(self._pyatspi.STATE_SHOWING)

    def scroll_log(self, code) -> dict:
        """Scrolls the log as its scroll bar does, to the top (SB_TOP) or the bottom
        (SB_BOTTOM); the log's view as `log_view` gives it."""
        if code not in (SB_TOP, SB_BOTTOM):
            raise DriverError(f"no such scroll here: {code}")
        bar = self._scroll_bar(self._control(LOG_VIEW), self._pyatspi.STATE_VERTICAL)
        if bar is None:
            raise DriverError("the log has no vertical scroll bar")
        value = bar.queryValue()
        value.currentValue = value.minimumValue if code == SB_TOP else value.maximumValue
        return self.log_view()

    def message_box(self, wait_seconds=None):
        """{"title", "text", "ownedByWindow"} of the program's message box, or None when none
        appears within the wait."""
        box = self._wait_for(self._message_box, "the message box", wait_seconds,
                             missing_ok=True)
        if box is None:
            return None
        labels = [label.name for label in self._descendants(box, self._pyatspi.ROLE_LABEL)
                  if label.name]
        title = box.name
        main_title = self._main_window_title()
        with Display(self.display_name) as display:
            box_window = self._x_window(display, title)
            owned = box_window != 0 and display.transient_for(box_window) == self._x_window(
                display, main_title)
        return {"title": title, "text": labels[0] if labels else "", "ownedByWindow": owned}

    def _main_window_title(self):
        frame = self._main_window()
        return frame.name if frame is not None else None

    def _descendants(self, accessible, role) -> list:
        found = []
        for child in self._children(accessible):
            if child is None:
                continue
            if child.getRole() == role:
                found.append(child)
            found.extend(self._descendants(child, role))
        return found

    # Acting.

    def _click(self, accessible):
        """Clicks the middle of the object with the mouse, as the user does: the program takes
        the click from its own queue, so the driver never waits for the program's handler
        (which may show a modal box, or upload for seconds). AT-SPI's own actions run inside
        the program's answer to the driver, and a posted one was seen to be lost while a modal
        box runs."""
        x, y, width, height = accessible.queryComponent().getExtents(
            self._pyatspi.DESKTOP_COORDS)
        subprocess.run(["xdotool", "mousemove", "--sync", str(x + width // 2),
                        str(y + height // 2), "click", "1"],
                       env=dict(os.environ, DISPLAY=self.display_name), stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=XDOTOOL_TIMEOUT_SECONDS, check=True)

    def choose(self, control_id, index) -> dict:
        """Selects an item of a drop-down list as the user's choice; returns the list's state
        once the list shows it."""
        combo = self._control(control_id)
        if not 0 <= index < len(self._list_items(combo)):
            raise DriverError(f"list {control_id} has no item {index}")
        # The selection's change reaches the program as the user's choice; its handler is short.
        combo.querySelection().selectChild(index)
        def chosen():
            state = self.combo(control_id)
            return state if state["selected"] == index else None
        return self._wait_for(chosen, f"item {index} chosen in list {control_id}")

    def press(self, control_id):
        self._click(self._control(control_id))

    def press_message_box_ok(self):
        box = self._wait_for(self._message_box, "the message box", 0)
        buttons = [button for button in self._descendants(box, self._pyatspi.ROLE_PUSH_BUTTON)
                   if button.name == "OK"]
        if not buttons:
            raise DriverError("the message box has no OK button")
        self._click(buttons[0])
        self._wait_for(lambda: True if self._message_box() is None else None,
                       "the message box's end")

    def _xdotool(self, *arguments):
        subprocess.run(["xdotool", *map(str, arguments)],
                       env=dict(os.environ, DISPLAY=self.display_name), stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=XDOTOOL_TIMEOUT_SECONDS, check=True)

    def _point_at(self, accessible):
        """Moves the mouse to the middle of the object: without a window manager the keyboard's
        focus follows the pointer."""
        x, y, width, height = accessible.queryComponent().getExtents(
            self._pyatspi.DESKTOP_COORDS)
        self._xdotool("mousemove", "--sync", x + width // 2, y + height // 2)

    def window_menu_command(self, command_id):
        """Chooses one of the program's own commands, with the mouse in the log's right-click
        menu as a user does."""
        label = LOG_MENU_LABELS[command_id]
        self._point_at(self._control(LOG_VIEW))
        self._xdotool("click", 3)

        def menu_item():
            application = self._application()
            items = [item for item in self._descendants(application, self._pyatspi.ROLE_MENU_ITEM)
                     if item.name == label and item.getState().contains(
                         self._pyatspi.STATE_SHOWING)] if application else []
            return items[0] if items else None
        self._click(self._wait_for(menu_item, f"the menu item {label!r}"))

    def show_graph(self):
        """Types Ctrl+G into the main window, which shows the graph."""
        self._point_at(self._wait_for(self._main_window, "the main window"))
        self._xdotool("key", "ctrl+g")

    def save_graph_as(self, path, _command_id):
        """Chooses Save Graph As in the graph's right-click menu and saves to the path through
        the Save As dialog, typed into its name field; the dialog's title."""
        self._point_at(self._wait_for(self._graph_window, "the graph window"))
        self._xdotool("click", 3)
        time.sleep(MENU_SETTLE_SECONDS)
        self._xdotool("key", "Down", "Return")
        title = "Save Graph As"
        dialog = self._wait_for(lambda: self._save_dialog(title), "the Save As dialog")
        report = {"title": dialog.name}
        self._point_at(dialog)
        self._xdotool("key", "ctrl+a")
        self._xdotool("type", "--delay", 20, str(path))
        self._xdotool("key", "Return")
        self._wait_for(lambda: True if self._save_dialog(title) is None else None,
                       "the Save As dialog's end")
        return report

    def close(self, wait_seconds=None):
        """Asks the window to close, as its close box does; a window already gone is fine."""
        title = self._wait_for(self._main_window_title, "the main window", wait_seconds,
                               missing_ok=True)
        if title is None:
            return
        with Display(self.display_name) as display:
            window = self._x_window(display, title)
            if window:
                display.ask_to_close(window)
