// The program's own commands in the window menu and the log control's right-click menu, with
// their Ctrl keys. A part of the window layer of the seam to the operating system
// (platform/platform.h).
#pragma once

#include <string>

// Where AddMenuCommand offers a command, and how; the flags are summed.
enum MenuCommandFlag : int {
    InWindowMenu = 1,      // the window menu, under the icon of the title bar
    InLogMenu = 2,         // the log control's right-click menu
    AfterSeparator = 4,    // a separator line before it, in each of its menus where it is not first
    NeedsLogSelection = 8, // greyed in the log's menu while the log has no selection
};

// Offers a command of the program's own in menus that need no room in the window: the window
// menu (after a separator before the first such command) and the log control's right-click menu
// (also opened with the menu key or Shift+F10), in the order added. Choosing it raises
// EventCommand. Identifiers are multiples of 16 from 0x100 below 0xF000, where the system's own
// window-menu commands begin. A ctrlKey from 'A' to 'Z' also chooses it with Ctrl and that key
// while the main window is active, whichever of its controls has the focus; the menus show the
// key beside the text. Unlike the other calls of the window layer (platform/window.h), it may
// come before the main window opens: the window then offers the command from its first moment.
void AddMenuCommand(int commandId, const std::wstring& text, int flags, wchar_t ctrlKey);
