// Taking one message off the thread's queue, and the window's Tab and Shift+Tab.
#include <windows.h>

#include "platform/event_loop.h"
#include "platform/win32/window_internal.h"

namespace {

// Input, posted and sent messages, timers, painting and hot keys. Spelled out, since
// QS_ALLINPUT of newer headers adds touch and pointer input, which Windows 7 refuses.
constexpr DWORD WakeMask = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_RAWINPUT | QS_POSTMESSAGE |
                           QS_ALLPOSTMESSAGE | QS_SENDMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY;
static_assert(WakeMask == 0x5FF, "the wake mask differs from the one the loop is built for");

bool CanTakeFocus(HWND control) {
    return IsWindowVisible(control) && IsWindowEnabled(control);
}

// The control that has the focus or holds the window that has it, or -1.
int FocusedControl() {
    HWND focus = GetFocus();
    if (!focus)
        return -1;
    const auto& controls = WindowLayer.controls;
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i].window == focus || IsChild(controls[i].window, focus))
            return static_cast<int>(i);
    return -1;
}

} // namespace

void TakeShortcut(WORD command) {
    // The accelerator table takes the keys of every window of the thread; Tab walks the main
    // window's controls only while the focus is in it, not from the graph window.
    HWND focus = GetFocus();
    if (focus && focus != WindowLayer.mainWindow && !IsChild(WindowLayer.mainWindow, focus))
        return;
    const auto& controls = WindowLayer.controls;
    const int count = static_cast<int>(controls.size());
    if (count == 0 || (command != ShortcutNextControl && command != ShortcutPreviousControl))
        return;
    const bool forward = command == ShortcutNextControl;
    const int current = FocusedControl();
    if (forward && current >= 0 && controls[current].kind == ControlKind::Log) {
        // The log is edited like a text: its Tab is a character. The accelerator took the key
        // before TranslateMessage could make that character, so it is sent here.
        SendMessageW(controls[current].window, WM_CHAR, L'\t', 1);
        return;
    }
    // Without a focused control, Tab starts at the first control and Shift+Tab at the last.
    const int start = current >= 0 ? current : (forward ? count - 1 : 0);
    const int step = forward ? 1 : count - 1;
    for (int i = (start + step) % count, visited = 0; visited < count;
         i = (i + step) % count, ++visited) {
        if (CanTakeFocus(controls[i].window)) {
            SetFocus(controls[i].window);
            return;
        }
    }
}

unsigned TakePlatformMessage(int timeoutMilliseconds) {
    MSG message;
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (timeoutMilliseconds <= 0)
            return 0;
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeoutMilliseconds),
                                      WakeMask) == WAIT_TIMEOUT)
            return 0;
        // A wake for sent messages only has them handled inside PeekMessageW, which then
        // reports nothing taken.
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            return 0;
    }
    HWND window = WindowLayer.mainWindow;
    if (!window || !WindowLayer.shortcuts ||
        !TranslateAcceleratorW(window, WindowLayer.shortcuts, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return message.message;
}
