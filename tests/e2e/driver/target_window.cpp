#include "target_window.h"

#include <cstdio>
#include <vector>

#include "json_text.h"

DWORD WaitLimit = 5000;

void Fail(ExitCode code, const std::wstring& reason) {
    const std::string text = JsonString(reason) + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    ExitProcess(static_cast<UINT>(code));
}

HWND MainWindow() {
    HWND window = nullptr;
    if (!WaitUntil([&] { return (window = FindWindowW(nullptr, L"Tockmeter!")) != nullptr; }))
        Fail(NotFound, L"no window \"Tockmeter!\"");
    return window;
}

HWND ControlOf(HWND mainWindow, int id) {
    HWND control = GetDlgItem(mainWindow, id);
    if (!control)
        Fail(NotFound, L"no control with identifier " + std::to_wstring(id));
    return control;
}

namespace {

struct WindowSearch {
    DWORD process;
    const std::wstring& className;
    const std::function<bool(HWND)>& accept;
    HWND found;
};

BOOL CALLBACK CheckProgramWindow(HWND window, LPARAM searchAddress) {
    auto* search = reinterpret_cast<WindowSearch*>(searchAddress);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search->process && IsWindowVisible(window) &&
        ClassNameOf(window) == search->className && (!search->accept || search->accept(window))) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindProgramWindow(HWND mainWindow, const std::wstring& className,
                       std::function<bool(HWND)> accept) {
    WindowSearch search = {0, className, accept, nullptr};
    GetWindowThreadProcessId(mainWindow, &search.process);
    WaitUntil([&] {
        EnumWindows(CheckProgramWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found;
}

HWND FindMessageBox(HWND mainWindow) {
    return FindProgramWindow(mainWindow, L"#32770");
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, AnswerLimit, &answer))
        Fail(NoAnswer, L"the program did not answer message " + std::to_wstring(message));
    return static_cast<LRESULT>(answer);
}

std::wstring TextOf(HWND window) {
    const LRESULT length = Ask(window, WM_GETTEXTLENGTH);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    const LRESULT copied =
        Ask(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    return std::wstring(buffer.data(), static_cast<std::size_t>(copied));
}

std::wstring ClassNameOf(HWND window) {
    wchar_t name[256];
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

RECT RectInClient(HWND window, HWND parent) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}
