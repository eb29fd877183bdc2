// The log's right-click menu, opened from the keyboard as the menu key opens it.
#pragma once

#include <windows.h>

#include "json_text.h"

// {"items": [{"id", "text", "separator", "enabled"}]} of the menu, which is then closed again
// with Escape unless it is to stay open.
JsonValue LogMenuReport(HWND mainWindow, bool stayOpen);

// Closes the program's open menu with Escape.
JsonValue CloseMenu(HWND mainWindow);

// Chooses the menu's item with this command identifier with the arrow keys and Enter.
JsonValue ChooseLogMenuItem(HWND mainWindow, int commandId);
