// The graph window on Windows: a second top-level window, owned by the main window, that shows
// its own copy of the latest picture and repaints from it without asking the program.
#include <windows.h>

#include "platform/event_loop.h"
#include "platform/graph_window.h"
#include "platform/win32/drawing_internal.h"
#include "platform/win32/window_internal.h"

namespace {

constexpr wchar_t GraphClassName[] = L"TockmeterGraphWindow";
constexpr int IconResource = 1;

struct GraphWindowState {
    ATOM windowClass = 0;
    HWND window = nullptr;
    HDC copyDc = nullptr; // the picture shown, in a bitmap of the window's own
    HBITMAP copy = nullptr;
    HGDIOBJ originalBitmap = nullptr;
    int width = 0, height = 0;
};

GraphWindowState Graph;

void Raise(int kind) {
    RaiseEvent(kind, GraphWindowEvents, 0, 0);
}

void ReleaseCopy() {
    if (Graph.copyDc) {
        SelectObject(Graph.copyDc, Graph.originalBitmap);
        DeleteDC(Graph.copyDc);
    }
    if (Graph.copy)
        DeleteObject(Graph.copy);
    Graph.copyDc = nullptr;
    Graph.copy = nullptr;
    Graph.width = Graph.height = 0;
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    if (Graph.copyDc)
        BitBlt(dc, 0, 0, Graph.width, Graph.height, Graph.copyDc, 0, 0, SRCCOPY);
    // White beyond the picture; never under it, so that nothing flickers.
    const HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    const RECT right{Graph.width, 0, client.right, client.bottom};
    const RECT below{0, Graph.height, Graph.width, client.bottom};
    FillRect(dc, &right, white);
    FillRect(dc, &below, white);
    EndPaint(window, &paint);
}

void ShowGraphMenu(HWND window, LPARAM screenPosition) {
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    AppendMenuCommands(menu, InGraphMenu, false);
    POINT at{static_cast<short>(LOWORD(screenPosition)),
             static_cast<short>(HIWORD(screenPosition))};
    if (screenPosition == -1) { // from the keyboard: at the client area's corner
        at = POINT{0, 0};
        ClientToScreen(window, &at);
    }
    const int chosen = static_cast<int>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr));
    DestroyMenu(menu);
    if (chosen != 0)
        RaiseEvent(EventCommand, 0, chosen, 0);
}

LRESULT CALLBACK GraphWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        Graph.window = window;
        break;
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1; // the paint covers every pixel
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED)
            Raise(EventMinimize);
        else if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED)
            Raise(EventSize);
        return 0;
    case WM_MOVE:
        Raise(EventMove);
        return 0;
    case WM_CLOSE:
        // Only the program closes the window, once it has read its place.
        Raise(EventClose);
        return 0;
    case WM_CONTEXTMENU:
        ShowGraphMenu(window, lParam);
        return 0;
    case WM_NCDESTROY:
        Graph.window = nullptr;
        ReleaseCopy();
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterGraphClass() {
    if (Graph.windowClass)
        return true;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = GraphWindowProc;
    windowClass.hInstance = WindowLayer.instance;
    windowClass.hIcon = LoadIconW(WindowLayer.instance, MAKEINTRESOURCEW(IconResource));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = GraphClassName;
    Graph.windowClass = RegisterClassExW(&windowClass);
    return Graph.windowClass != 0;
}

} // namespace

void OpenGraphWindow(const std::wstring& title, int left, int top, int innerWidth,
                     int innerHeight) {
    if (Graph.window) {
        if (IsIconic(Graph.window))
            ShowWindow(Graph.window, SW_RESTORE);
        SetForegroundWindow(Graph.window);
        return;
    }
    if (!WindowLayer.mainWindow || !RegisterGraphClass())
        return;
    const WindowSize frame = FrameSizeAround(innerWidth, innerHeight);
    HWND window = CreateWindowExW(MainWindowExStyle, MAKEINTATOM(Graph.windowClass),
                                  title.c_str(), MainWindowStyle, left, top, frame.width,
                                  frame.height, WindowLayer.mainWindow, nullptr,
                                  WindowLayer.instance, nullptr);
    if (!window)
        return;
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
}

void CloseGraphWindow() {
    if (Graph.window)
        DestroyWindow(Graph.window);
}

bool GraphWindowIsOpen() {
    return Graph.window != nullptr;
}

WindowRect GraphWindowFrame() {
    return FrameOf(Graph.window);
}

WindowSize GraphWindowClientSize() {
    return ClientSizeOf(Graph.window);
}

bool GraphWindowIsNormal() {
    return IsNormal(Graph.window);
}

WindowRect GraphWindowNormalFrame() {
    return NormalFrameOf(Graph.window);
}

void ShowInGraphWindow(Drawing drawing) {
    const Picture* picture = PictureOf(drawing);
    if (!Graph.window || !picture)
        return;
    if (Graph.width != picture->width || Graph.height != picture->height) {
        ReleaseCopy();
        HDC screen = GetDC(Graph.window);
        Graph.copyDc = CreateCompatibleDC(screen);
        Graph.copy = CreateCompatibleBitmap(screen, picture->width, picture->height);
        ReleaseDC(Graph.window, screen);
        if (!Graph.copyDc || !Graph.copy) {
            ReleaseCopy();
            return;
        }
        Graph.originalBitmap = SelectObject(Graph.copyDc, Graph.copy);
        Graph.width = picture->width;
        Graph.height = picture->height;
    }
    BitBlt(Graph.copyDc, 0, 0, Graph.width, Graph.height, picture->dc, 0, 0, SRCCOPY);
    InvalidateRect(Graph.window, nullptr, FALSE);
}
