"""The X side of the native program's windows, which AT-SPI does not show: which top-level
window belongs to whom, and the close request that a window manager sends when the user clicks
a window's close box. Through libX11 itself (ctypes): the scenarios' display has no window
manager that a command-line tool could ask instead."""

import ctypes
import ctypes.util

_xlib = ctypes.CDLL(ctypes.util.find_library("X11"))

Window = ctypes.c_ulong
Atom = ctypes.c_ulong

_xlib.XOpenDisplay.restype = ctypes.c_void_p
_xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
_xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
_xlib.XDefaultRootWindow.restype = Window
_xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_xlib.XInternAtom.restype = Atom
_xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_xlib.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window),
                             ctypes.POINTER(Window), ctypes.POINTER(ctypes.POINTER(Window)),
                             ctypes.POINTER(ctypes.c_uint)]
_xlib.XFree.argtypes = [ctypes.c_void_p]
_xlib.XGetWindowProperty.argtypes = [
    ctypes.c_void_p, Window, Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int, Atom,
    ctypes.POINTER(Atom), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
    ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
_xlib.XGetTransientForHint.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window)]
_xlib.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long,
                             ctypes.c_void_p]
_xlib.XFlush.argtypes = [ctypes.c_void_p]

ANY_PROPERTY_TYPE = 0
CLIENT_MESSAGE = 33


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", Window), ("message_type", Atom), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    # XEvent is a union padded to 24 longs.
    _fields_ = [("message", _ClientMessage), ("pad", ctypes.c_long * 24)]


class Display:
    """A connection to the X display, for the life of a `with` block."""

    def __init__(self, name: str):
        self._name = name
        self._display = None

    def __enter__(self):
        self._display = _xlib.XOpenDisplay(self._name.encode())
        if not self._display:
            raise RuntimeError(f"cannot open the X display {self._name}")
        return self

    def __exit__(self, *exception):
        _xlib.XCloseDisplay(self._display)

    def _atom(self, name) -> int:
        return _xlib.XInternAtom(self._display, name.encode(), 0)

    def _property(self, window, name):
        """(format, values) of a window's property: format 8 gives bytes, 32 a list of the
        32-bit values (CARDINAL, ATOM, WINDOW); (0, []) without the property."""
        kind, form, count, rest = Atom(), ctypes.c_int(), ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.c_void_p()
        if _xlib.XGetWindowProperty(self._display, window, self._atom(name), 0, 1024, 0,
                                    ANY_PROPERTY_TYPE, ctypes.byref(kind), ctypes.byref(form),
                                    ctypes.byref(count), ctypes.byref(rest),
                                    ctypes.byref(data)) != 0:
            return 0, []
        try:
            if not data.value:
                return 0, []
            if form.value == 8:
                return 8, ctypes.string_at(data, count.value)
            if form.value == 32:
                # Xlib hands 32-bit values over as longs.
                return 32, list(ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[:count.value])
            return form.value, []
        finally:
            if data.value:
                _xlib.XFree(data)

    def _cardinals(self, window, name) -> list:
        form, values = self._property(window, name)
        return values if form == 32 else []

    def title(self, window) -> str:
        form, text = self._property(window, "_NET_WM_NAME")
        return text.decode("utf-8", "replace") if form == 8 else ""

    def top_level_windows(self, pid) -> list:
        """The top-level windows of the process (by the _NET_WM_PID that GTK sets), in
        stacking order from the bottom."""
        root_out, parent = Window(), Window()
        children = ctypes.POINTER(Window)()
        count = ctypes.c_uint()
        if not _xlib.XQueryTree(self._display, _xlib.XDefaultRootWindow(self._display),
                                ctypes.byref(root_out), ctypes.byref(parent),
                                ctypes.byref(children), ctypes.byref(count)):
            return []
        try:
            windows = [children[i] for i in range(count.value)]
        finally:
            if children:
                _xlib.XFree(children)
        return [window for window in windows if self._cardinals(window, "_NET_WM_PID") == [pid]]

    def transient_for(self, window) -> int:
        """The window that this one is a dialog of; 0 when none."""
        owner = Window()
        if not _xlib.XGetTransientForHint(self._display, window, ctypes.byref(owner)):
            return 0
        return owner.value

    def has_state(self, window, state) -> bool:
        """Whether the window's _NET_WM_STATE holds the state, e.g. _NET_WM_STATE_HIDDEN."""
        return self._atom(state) in self._cardinals(window, "_NET_WM_STATE")

    def ask_to_close(self, window):
        """Sends the close request of the window's close box (WM_DELETE_WINDOW)."""
        event = _Event()
        message = event.message
        message.type = CLIENT_MESSAGE
        message.window = window
        message.message_type = self._atom("WM_PROTOCOLS")
        message.format = 32
        message.data[0] = self._atom("WM_DELETE_WINDOW")
        message.data[1] = 0  # CurrentTime
        _xlib.XSendEvent(self._display, window, 0, 0, ctypes.byref(event))
        _xlib.XFlush(self._display)
