// The program's own menu commands, offered where they take no room from the controls: in the
// window menu and in the log's right-click menu.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/window_internal.h"

namespace {

// The window menu's commands carry flags of the system's own in their four low bits.
constexpr WPARAM SystemCommandMask = 0xFFF0;

// Where a menu opened from the keyboard (position -1, -1) stands: at the caret, or at the
// control's corner when the caret is elsewhere.
POINT KeyboardMenuPosition(HWND control) {
    POINT at{};
    if (GetFocus() != control || !GetCaretPos(&at))
        at = POINT{0, 0};
    ClientToScreen(control, &at);
    return at;
}

} // namespace

void AddToWindowMenu(HWND window, int commandId, const std::wstring& text) {
    HMENU windowMenu = GetSystemMenu(window, FALSE);
    if (!windowMenu)
        return;
    if (WindowLayer.menuCommands.empty() || WindowLayer.menuCommands.front().first == commandId)
        AppendMenuW(windowMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(windowMenu, MF_STRING, static_cast<UINT_PTR>(commandId), text.c_str());
}

void AddMenuCommand(int commandId, const std::wstring& text) {
    if (WindowLayer.mainWindow)
        AddToWindowMenu(WindowLayer.mainWindow, commandId, text);
    WindowLayer.menuCommands.emplace_back(commandId, text);
}

bool TakeWindowMenuCommand(WPARAM command) {
    for (const auto& entry : WindowLayer.menuCommands) {
        if (static_cast<WPARAM>(entry.first) == (command & SystemCommandMask)) {
            RaiseEvent(EventCommand, 0, entry.first, 0);
            return true;
        }
    }
    return false;
}

bool ShowLogMenu(HWND from, LPARAM screenPosition) {
    const WindowControl* control = FindControlByWindow(from);
    if (!control || control->kind != ControlKind::Log || WindowLayer.menuCommands.empty())
        return false;
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return false;
    for (const auto& entry : WindowLayer.menuCommands)
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(entry.first), entry.second.c_str());
    POINT at{static_cast<short>(LOWORD(screenPosition)),
             static_cast<short>(HIWORD(screenPosition))};
    if (screenPosition == -1)
        at = KeyboardMenuPosition(from);
    // The menu's own loop runs here; the choice comes back as its identifier (0: none).
    const int chosen = static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x,
                                                       at.y, 0, WindowLayer.mainWindow, nullptr));
    DestroyMenu(menu);
    if (chosen != 0)
        RaiseEvent(EventCommand, 0, chosen, 0);
    return true;
}
