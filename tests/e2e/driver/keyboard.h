// Keyboard input to the program, typed as the user types it: into the foreground window.
#pragma once

#include <windows.h>

#include <initializer_list>

// Makes the main window the foreground window, so that typed keys reach the program; fails with
// NoAnswer when it does not come to the front.
void BringToFront(HWND mainWindow);

// Types the key while the modifier keys (VK_SHIFT, VK_CONTROL) are held.
void TypeKey(WORD virtualKey, std::initializer_list<WORD> modifiers = {});
