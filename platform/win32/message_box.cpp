// The program's modal message box on Windows.
#include <windows.h>

#include <vector>

#include "platform/dialogs.h"
#include "platform/win32/window_internal.h"

namespace {

struct NotedWindow {
    HWND window;
    bool disabled;
    bool wasTopmost;
};

BOOL CALLBACK NoteVisibleWindow(HWND window, LPARAM list) {
    if (IsWindowVisible(window))
        reinterpret_cast<std::vector<NotedWindow>*>(list)->push_back({window, false, false});
    return TRUE;
}

} // namespace

void ShowMessageBox(const std::wstring& title, const std::wstring& text) {
    // MessageBoxW disables only its owner; the program's other windows are kept out of reach
    // (and from covering the box) by hand.
    std::vector<NotedWindow> noted;
    EnumThreadWindows(GetCurrentThreadId(), NoteVisibleWindow, reinterpret_cast<LPARAM>(&noted));
    HWND foreground = GetForegroundWindow();

    // The main window owns the box, so that the box comes up with it and never behind it, also
    // while another program is in front; without it, the foreground window when it is this
    // program's. A window of another program must not become the owner: it would be disabled
    // meanwhile.
    HWND owner = WindowLayer.mainWindow;
    DWORD process = 0;
    if (!owner && foreground && GetWindowThreadProcessId(foreground, &process) &&
        process == GetCurrentProcessId())
        owner = foreground;

    for (auto& entry : noted) {
        // The box disables its owner itself.
        if (entry.window != foreground && entry.window != owner && IsWindowEnabled(entry.window)) {
            EnableWindow(entry.window, FALSE);
            entry.disabled = true;
        }
        if (GetWindowLongW(entry.window, GWL_EXSTYLE) & WS_EX_TOPMOST) {
            SetWindowPos(entry.window, HWND_NOTOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            entry.wasTopmost = true;
        }
    }

    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK);

    for (auto it = noted.rbegin(); it != noted.rend(); ++it) {
        if (!IsWindow(it->window))
            continue;
        if (it->disabled)
            EnableWindow(it->window, TRUE);
        if (it->wasTopmost)
            SetWindowPos(it->window, HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}
