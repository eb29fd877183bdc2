// The program's own menu commands, offered where they take no room from the controls: in the
// window menu and in the log's right-click menu, some also under a Ctrl key.
#include <windows.h>

#include <richedit.h>

#include <vector>

#include "platform/event_loop.h"
#include "platform/menu_commands.h"
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

// The text with its key beside it, as menus show a shortcut: after a tab.
std::wstring MenuText(const MenuCommandEntry& command) {
    if (command.ctrlKey == 0)
        return command.text;
    return command.text + L"\tCtrl+" + std::wstring(1, command.ctrlKey);
}

const MenuCommandEntry* FindMenuCommand(WPARAM commandId) {
    for (const auto& command : WindowLayer.menuCommands)
        if (static_cast<WPARAM>(command.id) == commandId)
            return &command;
    return nullptr;
}

bool LogHasSelection(HWND log) {
    CHARRANGE range{};
    SendMessageW(log, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range.cpMin != range.cpMax;
}

} // namespace

void AppendMenuCommands(HMENU menu, int place, bool separatorFirst) {
    bool first = true;
    for (const auto& command : WindowLayer.menuCommands) {
        if ((command.flags & place) == 0)
            continue;
        if (first ? separatorFirst : (command.flags & AfterSeparator) != 0)
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command.id), MenuText(command).c_str());
        first = false;
    }
}

void AddCommandsToWindowMenu(HWND window) {
    // The first command of the window menu also gets a separator, between the system's items and
    // the program's.
    HMENU windowMenu = GetSystemMenu(window, FALSE);
    if (windowMenu)
        AppendMenuCommands(windowMenu, InWindowMenu, true);
}

void RebuildShortcuts() {
    std::vector<ACCEL> keys{
        {FVIRTKEY, VK_TAB, ShortcutNextControl},
        {FVIRTKEY | FSHIFT, VK_TAB, ShortcutPreviousControl},
    };
    for (const auto& command : WindowLayer.menuCommands)
        if (command.ctrlKey != 0)
            keys.push_back({FVIRTKEY | FCONTROL, static_cast<WORD>(command.ctrlKey),
                            static_cast<WORD>(command.id)});
    HACCEL shortcuts = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
    if (!shortcuts)
        return;
    if (WindowLayer.shortcuts)
        DestroyAcceleratorTable(WindowLayer.shortcuts);
    WindowLayer.shortcuts = shortcuts;
}

void AddMenuCommand(int commandId, const std::wstring& text, int flags, wchar_t ctrlKey) {
    if (ctrlKey != 0 && (ctrlKey < L'A' || ctrlKey > L'Z'))
        ctrlKey = 0;
    WindowLayer.menuCommands.push_back({commandId, text, flags, ctrlKey});
    if (ctrlKey != 0)
        RebuildShortcuts();
    if (WindowLayer.mainWindow && (flags & InWindowMenu) != 0) {
        if (HMENU windowMenu = GetSystemMenu(WindowLayer.mainWindow, FALSE))
            AppendMenuW(windowMenu, MF_STRING, static_cast<UINT_PTR>(commandId),
                        MenuText(WindowLayer.menuCommands.back()).c_str());
    }
}

bool TakeWindowMenuCommand(WPARAM command) {
    const MenuCommandEntry* entry = FindMenuCommand(command & SystemCommandMask);
    if (!entry || (entry->flags & InWindowMenu) == 0)
        return false;
    RaiseEvent(EventCommand, 0, entry->id, 0);
    return true;
}

bool TakeMenuShortcut(WORD command) {
    const MenuCommandEntry* entry = FindMenuCommand(command);
    if (!entry || entry->ctrlKey == 0)
        return false;
    RaiseEvent(EventCommand, 0, entry->id, 0);
    return true;
}

bool ShowLogMenu(HWND from, LPARAM screenPosition) {
    const WindowControl* control = FindControlByWindow(from);
    if (!control || control->kind != ControlKind::Log || WindowLayer.menuCommands.empty())
        return false;
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return false;
    AppendMenuCommands(menu, InLogMenu, false);
    const bool selection = LogHasSelection(from);
    for (const auto& command : WindowLayer.menuCommands)
        if ((command.flags & NeedsLogSelection) != 0 && !selection)
            EnableMenuItem(menu, static_cast<UINT>(command.id), MF_BYCOMMAND | MF_GRAYED);
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
