// The log's right-click menu, opened from the keyboard as the menu key opens it.
#pragma once

#include <windows.h>

#include "json_text.h"

// {"items": [{"id", "text", "separator", "enabled"}]} of the menu, which is closed again with
// Escape.
JsonValue LogMenuReport(HWND mainWindow);

// Chooses the menu's item with this command identifier with the arrow keys and Enter.
JsonValue ChooseLogMenuItem(HWND mainWindow, int commandId);
