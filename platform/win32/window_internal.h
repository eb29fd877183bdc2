// What the files of the Windows window layer share: the one state record of the main window
// and its controls, and the few helpers that more than one of those files needs.
#pragma once

#include <windows.h>

#include "platform/window.h"

#include <string>
#include <utility>
#include <vector>

enum class ControlKind { DropDownList, PushButton, Log };

struct WindowControl {
    int id;
    HWND window;
    ControlKind kind;
    int fieldHeight; // drop-down lists: the closed height asked for
};

// A DLL that older or stripped-down systems may lack, loaded on first use.
struct OptionalLibrary {
    const wchar_t* name;
    HMODULE module;
    bool tried;
};

// A command of AddMenuCommand.
struct MenuCommandEntry {
    int id;
    std::wstring text;
    int flags;       // MenuCommandFlag, summed
    wchar_t ctrlKey; // 0: none
};

struct WindowLayerState {
    HINSTANCE instance = nullptr;
    ATOM windowClass = 0;
    HACCEL shortcuts = nullptr;
    HWND mainWindow = nullptr;
    HWND tooltip = nullptr;
    HWND focusWhenDeactivated = nullptr;
    bool leftNormalState = false;        // minimized or maximized since the last restore
    bool oldRichEdit = false;            // the log is the RICHED32 "RichEdit" class
    std::vector<WindowControl> controls; // in order of creation, which is the Tab order
    std::vector<std::pair<int, HFONT>> fonts;
    std::vector<MenuCommandEntry> menuCommands; // AddMenuCommand's, in order
    OptionalLibrary dwmapi{L"dwmapi.dll", nullptr, false};
    OptionalLibrary uxtheme{L"uxtheme.dll", nullptr, false};
};

extern WindowLayerState WindowLayer;

// Command identifiers of the keyboard shortcuts; they never collide with a control's
// notifications, which carry the control's window in lParam.
constexpr WORD ShortcutNextControl = 1;
constexpr WORD ShortcutPreviousControl = 2;

// Loads a DLL from the system directory (never from beside the program or the current folder).
HMODULE LoadSystemLibrary(const wchar_t* name);

// An export of an optional library, or null when the library or the export is missing.
FARPROC OptionalProcedure(OptionalLibrary& library, const char* name);

// Casts an export to its real type. The detour through void (*)() keeps GCC's
// -Wcast-function-type quiet; the caller names the right type.
template <typename Function> Function ProcedureAs(FARPROC procedure) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(procedure));
}

// The main window's frame style; the graph window has the same.
constexpr DWORD MainWindowStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD MainWindowExStyle = 0;

// A top-level window's geometry, as platform.h gives the main window's; 0 in every field for
// no window.
WindowRect FrameOf(HWND window);
WindowSize ClientSizeOf(HWND window);
bool IsNormal(HWND window);
WindowRect NormalFrameOf(HWND window);
// The outer size of a frame of the main window's style around a client area of that size.
WindowSize FrameSizeAround(int innerWidth, int innerHeight);

WindowControl* FindControl(int id);
WindowControl* FindControlByWindow(HWND window);
HWND ControlWindow(int id); // null when there is no such control

// Adds a created control to the table and gives it the default user-interface font.
void RegisterControl(int id, HWND window, ControlKind kind, int fieldHeight);

// Makes a drop-down list's closed field exactly its asked-for height again (a font change
// resets it).
void FitDropDownField(const WindowControl& control);

// The log's automatic text colour, for all its text and for text typed or inserted later.
void ApplyLogAutoColour(HWND log);

// The program's menu commands: a choice in the window menu (the command of WM_SYSCOMMAND), a
// Ctrl key of the accelerator table, and the log's right-click menu (WM_CONTEXTMENU from the
// control at the mouse or the keyboard's position). Each gives false when the message is not
// one of them.
bool TakeWindowMenuCommand(WPARAM command);
bool TakeMenuShortcut(WORD command);
bool ShowLogMenu(HWND from, LPARAM screenPosition);
// Appends the commands that carry the place flag (a MenuCommandFlag, or InGraphMenu), with their
// separators; separatorFirst puts one before the first, too.
void AppendMenuCommands(HMENU menu, int place, bool separatorFirst);
// Puts the commands into a new window's window menu.
void AddCommandsToWindowMenu(HWND window);
// The accelerator table: Tab, Shift+Tab and the commands' Ctrl keys.
void RebuildShortcuts();

// Tab and Shift+Tab, reached through the accelerator table.
void TakeShortcut(WORD command);
