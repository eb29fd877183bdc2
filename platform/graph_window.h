// The graph window, a part of the seam: a second top-level window that shows a picture of
// platform/drawing.h. Its events (platform/event_loop.h) carry window number 1 (RaiseEvent's
// window): EventSize when its client area gets a new size (not when minimized), EventMove, and
// EventClose when the user asks to close it; it stays open until the program closes it.
#pragma once

#include "platform/drawing.h"
#include "platform/window.h"

#include <string>

constexpr int GraphWindowEvents = 1;

// A flag of AddMenuCommand beside MenuCommandFlag (platform/menu_commands.h): the command is also offered in the graph
// window's right-click menu (also opened with the menu key or Shift+F10).
constexpr int InGraphMenu = 16;

// Opens the graph window with the given title, a sizable frame with a title bar, the window
// menu, minimize and maximize boxes, owned by the main window, its outer frame at left, top
// (screen pixels) and its client area innerWidth x innerHeight (the system may hold the size to
// what it allows), white until it is given a picture. It is shown in its normal state and
// activated. A graph window that is open already is only brought to the front.
void OpenGraphWindow(const std::wstring& title, int left, int top, int innerWidth, int innerHeight);

// Destroys the graph window; nothing when it is not open.
void CloseGraphWindow();

bool GraphWindowIsOpen();

// Geometry of the graph window, as the main window's in platform/window.h; 0 in every field
// while it is not open.
WindowRect GraphWindowFrame();
WindowSize GraphWindowClientSize();
bool GraphWindowIsNormal();
WindowRect GraphWindowNormalFrame();

// The window shows a copy of the picture from its client area's top-left corner (white beyond
// it) until it is given the next one, repainting itself from that copy without asking the
// program.
void ShowInGraphWindow(Drawing drawing);
