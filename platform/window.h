// The window layer's main window: set-up and release of the layer, opening and closing the
// window, and its geometry. A part of the seam to the operating system (platform/platform.h).
//
// The program has one top-level window, the main window (window number 0), with child controls
// named by the program's own identifiers. Every call of the window layer (this header,
// platform/controls.h, platform/log_control.h, platform/menu_commands.h, platform/dialogs.h and
// platform/event_loop.h) acts on that window or its controls; calls made while the window does
// not exist, or on an identifier that names no control, do nothing and give 0, -1 or an empty
// text.
#pragma once

#include <string>

// Set-up of the window layer (common controls, the icon and the window class). Returns the
// display's vertical resolution in dots per inch, or 0 when it cannot be read.
int InitWindowLayer();

// True when the desktop composes windows (on Windows, DWM composition is enabled).
bool DesktopComposes();

// True when visual styles are in use for this program's controls.
bool VisualStylesInUse();

// Opens the main window with the given title and a standard sizable frame with a title bar, the
// window menu, minimize and maximize boxes and no menu bar; its outer frame at left, top (screen
// pixels) and its client area innerWidth x innerHeight (any int: the frame's arithmetic holds
// to the range of int, and the system may hold the size to what it allows); background the
// dialog-face colour, the program's icon, the arrow pointer. It is shown in its normal state and
// activated.
void OpenMainWindow(const std::wstring& title, int left, int top, int innerWidth, int innerHeight);

// Destroys the main window and its controls. Its timers end with it.
void CloseMainWindow();

// Releases what the window layer still holds (fonts, the tooltip window).
void ReleaseWindowLayer();

// Geometry of the main window, in screen pixels.
struct WindowRect {
    int left, top, right, bottom;
};
struct WindowSize {
    int width, height;
};
WindowRect MainWindowFrame();                   // the outer rectangle as it is now
WindowSize MainWindowClientSize();              // the client area as it is now
bool MainWindowIsNormal();                      // neither minimized nor maximized
WindowRect MainWindowNormalFrame();             // the outer rectangle it has when restored
WindowSize ClientSizeOfFrame(WindowSize frame); // client area of a frame of that outer size
// Outer size of the main window's frame around a client area of that size, held to the range
// of int; needs no window.
WindowSize FrameSizeOfClient(WindowSize client);
// The work area (the monitor less its task bars) of the monitor that the rectangle lies on, or
// of the one nearest to it; onAMonitor is false when it lies on none of the monitors attached.
WindowRect WorkAreaNear(const WindowRect& frame, bool& onAMonitor);
