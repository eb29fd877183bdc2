#include "log_menu.h"

#include <string>
#include <vector>

#include "keyboard.h"
#include "menu_probe.h"
#include "target_window.h"

namespace {

constexpr int LogViewId = 1;
constexpr wchar_t ProbeLibrary[] = L"tockmeter_e2e_menu_probe.dll";

struct MenuItem {
    UINT id;
    std::wstring text;
    int flags;
};

HWND FindMenuWindow(HWND mainWindow) {
    return FindProgramWindow(mainWindow, L"#32768");
}

// Opens the menu as the keyboard does: the log is sent WM_CONTEXTMENU without a mouse position,
// which it passes on to the main window.
HWND OpenLogMenu(HWND mainWindow) {
    HWND log = ControlOf(mainWindow, LogViewId);
    BringToFront(mainWindow);
    PostMessageW(log, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(log), -1);
    HWND menuWindow = FindMenuWindow(mainWindow);
    if (!menuWindow)
        Fail(NotFound, L"no menu opened on the log");
    return menuWindow;
}

// The probe library beside the driver's own program.
HMODULE LoadProbe() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L'\\') + 1);
    HMODULE probe = LoadLibraryW((folder + ProbeLibrary).c_str());
    if (!probe)
        Fail(NotFound, std::wstring(L"cannot load ") + ProbeLibrary);
    return probe;
}

std::wstring ProbeReport;
bool ProbeAnswered = false;

LRESULT CALLBACK ReceiveReport(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        ProbeReport.assign(static_cast<const wchar_t*>(data->lpData),
                           data->cbData / sizeof(wchar_t));
        ProbeAnswered = true;
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::vector<MenuItem> ParseReport(const std::wstring& report) {
    std::vector<MenuItem> items;
    for (std::size_t start = 0; start < report.size();) {
        const std::size_t end = report.find(L'\n', start);
        const std::wstring line = report.substr(start, end - start);
        const std::size_t idEnd = line.find(L'\t');
        const std::size_t flagsEnd = line.find(L'\t', idEnd + 1);
        if (idEnd == std::wstring::npos || flagsEnd == std::wstring::npos)
            Fail(NotFound, L"the menu probe's report cannot be read: " + line);
        items.push_back({static_cast<UINT>(std::wcstoul(line.c_str(), nullptr, 10)),
                         line.substr(flagsEnd + 1),
                         static_cast<int>(std::wcstol(line.c_str() + idEnd + 1, nullptr, 10))});
        start = end == std::wstring::npos ? report.size() : end + 1;
    }
    return items;
}

// The probe hooked into the program's thread, and the window its reports come to.
struct Probe {
    HHOOK hook;
    HWND receiver;
};

Probe StartProbe(HWND mainWindow) {
    HMODULE library = LoadProbe();
    auto hook = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(library, MenuProbeHookName)));
    const DWORD programThread = GetWindowThreadProcessId(mainWindow, nullptr);
    HHOOK hooked = hook ? SetWindowsHookExW(WH_GETMESSAGE, hook, library, programThread) : nullptr;
    if (!hooked)
        Fail(NotFound, L"the program's thread cannot be hooked");
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ReceiveReport;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TockmeterDriverMenuReport";
    RegisterClassW(&windowClass);
    HWND receiver = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                    nullptr, windowClass.hInstance, nullptr);
    return {hooked, receiver};
}

void StopProbe(const Probe& probe) {
    UnhookWindowsHookEx(probe.hook);
    DestroyWindow(probe.receiver);
}

// The open menu's items, read by the probe inside the program.
std::vector<MenuItem> ItemsOf(const Probe& probe, HWND menuWindow) {
    ProbeAnswered = false;
    PostMessageW(menuWindow, RegisterWindowMessageW(MenuProbeMessage),
                 reinterpret_cast<WPARAM>(probe.receiver), 0);
    const bool answered = WaitUntil([] {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        return ProbeAnswered;
    });
    if (!answered)
        Fail(NoAnswer, L"the menu probe did not answer");
    return ParseReport(ProbeReport);
}

int HighlightedIndex(const std::vector<MenuItem>& items) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].flags & MenuProbeHighlighted)
            return static_cast<int>(i);
    return -1;
}

void TypeUntilClosed(HWND menuWindow, WORD key) {
    TypeKey(key);
    if (!WaitUntil([&] { return !IsWindow(menuWindow) || !IsWindowVisible(menuWindow); }))
        Fail(NoAnswer, L"the menu did not close");
}

} // namespace

JsonValue LogMenuReport(HWND mainWindow, bool stayOpen) {
    HWND menuWindow = OpenLogMenu(mainWindow);
    const Probe probe = StartProbe(mainWindow);
    std::vector<JsonValue> items;
    for (const MenuItem& item : ItemsOf(probe, menuWindow))
        items.push_back(JsonObject({{"id", JsonNumber(item.id)},
                                    {"text", JsonString(item.text)},
                                    {"separator", JsonBool(item.flags & MenuProbeSeparator)},
                                    {"enabled", JsonBool(!(item.flags & MenuProbeDisabled))}}));
    StopProbe(probe);
    if (!stayOpen)
        TypeUntilClosed(menuWindow, VK_ESCAPE);
    return JsonObject({{"items", JsonArray(items)}});
}

JsonValue CloseMenu(HWND mainWindow) {
    HWND menuWindow = FindMenuWindow(mainWindow);
    if (!menuWindow)
        Fail(NotFound, L"no menu is open");
    BringToFront(mainWindow);
    TypeUntilClosed(menuWindow, VK_ESCAPE);
    return JsonObject({});
}

JsonValue ChooseLogMenuItem(HWND mainWindow, int commandId) {
    HWND menuWindow = OpenLogMenu(mainWindow);
    const Probe probe = StartProbe(mainWindow);
    std::vector<MenuItem> items = ItemsOf(probe, menuWindow);
    int target = -1;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].id == static_cast<UINT>(commandId) && !(items[i].flags & MenuProbeSeparator))
            target = static_cast<int>(i);
    if (target < 0 || (items[target].flags & MenuProbeDisabled)) {
        TypeUntilClosed(menuWindow, VK_ESCAPE);
        Fail(NotFound, L"the menu has no enabled item " + std::to_wstring(commandId));
    }
    // Down goes from item to item as the menu sees fit (past separators): follow the highlight
    // until it is on the item, once round the menu at most.
    for (std::size_t step = 0; HighlightedIndex(items) != target; ++step) {
        if (step > items.size())
            Fail(NoAnswer, L"Down never reached item " + std::to_wstring(commandId));
        const int before = HighlightedIndex(items);
        TypeKey(VK_DOWN);
        if (!WaitUntil(
                [&] { return HighlightedIndex(items = ItemsOf(probe, menuWindow)) != before; }))
            Fail(NoAnswer, L"Down did not move the menu's highlight");
    }
    StopProbe(probe);
    TypeUntilClosed(menuWindow, VK_RETURN);
    return JsonObject({});
}
