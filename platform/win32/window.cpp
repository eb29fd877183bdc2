// The main window on Windows: the window class, its window procedure (which turns window
// messages into the program's events), its geometry and its timers.
#include <windows.h>

#include <commctrl.h>

#include <climits>

#include "platform/event_loop.h"
#include "platform/win32/window_internal.h"
#include "platform/window.h"

WindowLayerState WindowLayer;

namespace {

constexpr wchar_t WindowClassName[] = L"TockmeterWindow";
constexpr int IconResource = 1;

void Raise(int kind, int object = 0, int detail = 0) {
    RaiseEvent(kind, 0, object, detail);
}

// Only the notifications that stand for a user action become control events: a list's opening,
// closing and focus changes would otherwise flood the queue.
void RaiseControlNotification(HWND from, int code) {
    const WindowControl* control = FindControlByWindow(from);
    if (!control)
        return;
    bool wanted = false;
    switch (control->kind) {
    case ControlKind::DropDownList:
        wanted = code == CBN_SELCHANGE;
        break;
    case ControlKind::PushButton:
        wanted = code == BN_CLICKED;
        break;
    case ControlKind::Log:
        wanted = code == EN_CHANGE || code == EN_SETFOCUS || code == EN_KILLFOCUS;
        break;
    }
    if (wanted)
        Raise(EventControl, control->id, code);
}

// Windows gives the focus to the frame itself on activation; like a dialog, the window hands it
// back to the control that had it, so the caret in the log survives switching programs.
void RememberFocus(HWND window) {
    HWND focus = GetFocus();
    if (focus && IsChild(window, focus))
        WindowLayer.focusWhenDeactivated = focus;
}

bool RestoreFocusOnActivation(HWND window, WPARAM how) {
    if (LOWORD(how) == WA_INACTIVE) {
        RememberFocus(window);
        return false;
    }
    HWND previous = WindowLayer.focusWhenDeactivated;
    if (HIWORD(how) || !previous || !IsWindow(previous) || !IsChild(window, previous))
        return false;
    SetFocus(previous);
    return true;
}

void RaiseSizeEvents(HWND window, WPARAM how) {
    switch (how) {
    case SIZE_MINIMIZED:
        // Not every system deactivates a window that is minimized while it is the only one.
        RememberFocus(window);
        WindowLayer.leftNormalState = true;
        Raise(EventMinimize);
        break;
    case SIZE_MAXIMIZED:
        WindowLayer.leftNormalState = true;
        Raise(EventMaximize);
        Raise(EventSize);
        break;
    case SIZE_RESTORED:
        if (WindowLayer.leftNormalState) {
            WindowLayer.leftNormalState = false;
            Raise(EventRestore);
        }
        Raise(EventSize);
        break;
    default: // SIZE_MAXSHOW and SIZE_MAXHIDE concern other windows
        break;
    }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        WindowLayer.mainWindow = window;
        break;
    case WM_COMMAND:
        if (lParam != 0) {
            RaiseControlNotification(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            return 0;
        }
        if (HIWORD(wParam) == 1) { // from the accelerator table
            if (!TakeMenuShortcut(LOWORD(wParam)))
                TakeShortcut(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_TIMER:
        Raise(EventTimer, static_cast<int>(wParam));
        return 0;
    case WM_SYSCOMMAND:
        if (TakeWindowMenuCommand(wParam))
            return 0;
        break;
    case WM_CONTEXTMENU:
        if (ShowLogMenu(reinterpret_cast<HWND>(wParam), lParam))
            return 0;
        break;
    case WM_SIZE:
        RaiseSizeEvents(window, wParam);
        return 0;
    case WM_MOVE:
        Raise(EventMove);
        return 0;
    case WM_CLOSE:
        // Only the program closes the window, after its shut-down steps.
        Raise(EventClose);
        return 0;
    case WM_ENDSESSION:
        // Sent once every program has agreed to WM_QUERYENDSESSION (DefWindowProc agrees); the
        // process may be ended as soon as this returns.
        if (wParam)
            Raise(EventSessionEnd);
        return 0;
    case WM_ACTIVATE:
        Raise(EventActivate);
        if (RestoreFocusOnActivation(window, wParam))
            return 0;
        break;
    case WM_ERASEBKGND:
        Raise(EventRepaint);
        break;
    case WM_LBUTTONDOWN:
        Raise(EventClick);
        return 0;
    case WM_NCDESTROY:
        // The controls and the tooltip window (owned by this window) are gone with it.
        WindowLayer.mainWindow = nullptr;
        WindowLayer.tooltip = nullptr;
        WindowLayer.focusWhenDeactivated = nullptr;
        WindowLayer.leftNormalState = false;
        WindowLayer.controls.clear();
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

WindowRect RectOf(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

int Saturated(long long value) {
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

} // namespace

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::wstring path(folder, length);
    path += L'\\';
    path += name;
    return LoadLibraryW(path.c_str());
}

FARPROC OptionalProcedure(OptionalLibrary& library, const char* name) {
    if (!library.tried) {
        library.tried = true;
        library.module = LoadSystemLibrary(library.name);
    }
    return library.module ? GetProcAddress(library.module, name) : nullptr;
}

int InitWindowLayer() {
    WindowLayer.instance = GetModuleHandleW(nullptr);

    // ICC_STANDARD_CLASSES exists from version 6 on; an older library refuses the whole call.
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    if (!InitCommonControlsEx(&classes)) {
        classes.dwICC = ICC_WIN95_CLASSES;
        InitCommonControlsEx(&classes);
    }

    if (!WindowLayer.windowClass) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = MainWindowProc;
        windowClass.hInstance = WindowLayer.instance;
        windowClass.hIcon = LoadIconW(WindowLayer.instance, MAKEINTRESOURCEW(IconResource));
        // The small icon from the icon's own 16 x 16 image rather than a shrunken 32 x 32 one.
        windowClass.hIconSm = static_cast<HICON>(LoadImageW(
            WindowLayer.instance, MAKEINTRESOURCEW(IconResource), IMAGE_ICON,
            GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = WindowClassName;
        WindowLayer.windowClass = RegisterClassExW(&windowClass);
    }

    if (!WindowLayer.shortcuts)
        RebuildShortcuts();

    HDC screen = GetDC(nullptr);
    if (!screen)
        return 0;
    const int dotsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dotsPerInch > 0 ? dotsPerInch : 0;
}

bool DesktopComposes() {
    using IsCompositionEnabled = HRESULT(WINAPI*)(BOOL*);
    const auto isEnabled = ProcedureAs<IsCompositionEnabled>(
        OptionalProcedure(WindowLayer.dwmapi, "DwmIsCompositionEnabled"));
    BOOL enabled = FALSE;
    return isEnabled && SUCCEEDED(isEnabled(&enabled)) && enabled;
}

bool VisualStylesInUse() {
    using ThemeQuery = BOOL(WINAPI*)();
    const auto isAppThemed =
        ProcedureAs<ThemeQuery>(OptionalProcedure(WindowLayer.uxtheme, "IsAppThemed"));
    const auto isThemeActive =
        ProcedureAs<ThemeQuery>(OptionalProcedure(WindowLayer.uxtheme, "IsThemeActive"));
    return isAppThemed && isThemeActive && isAppThemed() && isThemeActive();
}

void OpenMainWindow(const std::wstring& title, int left, int top, int innerWidth, int innerHeight) {
    if (WindowLayer.mainWindow || !WindowLayer.windowClass)
        return;
    const WindowSize frame = FrameSizeAround(innerWidth, innerHeight);
    HWND window = CreateWindowExW(MainWindowExStyle, MAKEINTATOM(WindowLayer.windowClass),
                                  title.c_str(), MainWindowStyle, left, top, frame.width,
                                  frame.height, nullptr, nullptr, WindowLayer.instance, nullptr);
    if (!window)
        return;
    AddCommandsToWindowMenu(window);
    // No UpdateWindow: the first drain of the event loop paints it.
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
}

void CloseMainWindow() {
    if (WindowLayer.mainWindow)
        DestroyWindow(WindowLayer.mainWindow);
}

void ReleaseWindowLayer() {
    if (WindowLayer.tooltip && IsWindow(WindowLayer.tooltip))
        DestroyWindow(WindowLayer.tooltip);
    WindowLayer.tooltip = nullptr;
    for (const auto& font : WindowLayer.fonts)
        DeleteObject(font.second);
    WindowLayer.fonts.clear();
    if (WindowLayer.shortcuts)
        DestroyAcceleratorTable(WindowLayer.shortcuts);
    WindowLayer.shortcuts = nullptr;
}

WindowRect FrameOf(HWND window) {
    RECT frame{};
    if (!window || !GetWindowRect(window, &frame))
        return {0, 0, 0, 0};
    return RectOf(frame);
}

WindowSize ClientSizeOf(HWND window) {
    RECT client{};
    if (!window || !GetClientRect(window, &client))
        return {0, 0};
    return {client.right - client.left, client.bottom - client.top};
}

bool IsNormal(HWND window) {
    return window && !IsIconic(window) && !IsZoomed(window);
}

WindowRect NormalFrameOf(HWND window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!window || !GetWindowPlacement(window, &placement))
        return {0, 0, 0, 0};
    // The restored rectangle is in workspace coordinates, which start at the top left of the
    // monitor's work area (beside a task bar docked at the left or top), not of the screen.
    RECT frame = placement.rcNormalPosition;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        OffsetRect(&frame, monitor.rcWork.left - monitor.rcMonitor.left,
                   monitor.rcWork.top - monitor.rcMonitor.top);
    return RectOf(frame);
}

// The frame's edges come from an empty client area, so that no client size can overflow the
// system's own arithmetic.
WindowSize FrameSizeAround(int innerWidth, int innerHeight) {
    RECT edges{0, 0, 0, 0};
    AdjustWindowRectEx(&edges, MainWindowStyle, FALSE, MainWindowExStyle);
    return {Saturated(static_cast<long long>(innerWidth) + (edges.right - edges.left)),
            Saturated(static_cast<long long>(innerHeight) + (edges.bottom - edges.top))};
}

WindowRect MainWindowFrame() {
    return FrameOf(WindowLayer.mainWindow);
}

WindowSize MainWindowClientSize() {
    return ClientSizeOf(WindowLayer.mainWindow);
}

bool MainWindowIsNormal() {
    return IsNormal(WindowLayer.mainWindow);
}

WindowRect MainWindowNormalFrame() {
    return NormalFrameOf(WindowLayer.mainWindow);
}

WindowSize ClientSizeOfFrame(WindowSize frame) {
    HWND window = WindowLayer.mainWindow;
    if (!window)
        return {0, 0};
    RECT edges{0, 0, 0, 0};
    AdjustWindowRectEx(&edges, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    const int width = frame.width - (edges.right - edges.left);
    const int height = frame.height - (edges.bottom - edges.top);
    return {width > 0 ? width : 0, height > 0 ? height : 0};
}

WindowSize FrameSizeOfClient(WindowSize client) {
    return FrameSizeAround(client.width, client.height);
}

WindowRect WorkAreaNear(const WindowRect& frame, bool& onAMonitor) {
    const RECT rect{frame.left, frame.top, frame.right, frame.bottom};
    onAMonitor = MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor)) {
        onAMonitor = true; // nothing better is known: leave the place as it is
        return frame;
    }
    return RectOf(monitor.rcWork);
}

void ArmWindowTimer(int timerId, std::uint32_t periodMilliseconds) {
    if (WindowLayer.mainWindow)
        SetTimer(WindowLayer.mainWindow, static_cast<UINT_PTR>(timerId), periodMilliseconds,
                 nullptr);
}

void DisarmWindowTimer(int timerId) {
    if (WindowLayer.mainWindow)
        KillTimer(WindowLayer.mainWindow, static_cast<UINT_PTR>(timerId));
}
