#include "menu_probe.h"

#include <windows.h>

#include <string>

namespace {

// Asks a menu window for the menu it shows.
constexpr UINT MenuGetHandle = 0x01E1; // MN_GETHMENU
constexpr DWORD ReportLimit = 5000;

std::wstring MenuText(HMENU menu) {
    std::wstring report;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = L"";
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 256;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info))
            continue;
        const int flags = ((info.fType & MFT_SEPARATOR) ? MenuProbeSeparator : 0) |
                          ((info.fState & MFS_DISABLED) ? MenuProbeDisabled : 0) |
                          ((info.fState & MFS_HILITE) ? MenuProbeHighlighted : 0);
        report += std::to_wstring(info.wID) + L"\t" + std::to_wstring(flags) + L"\t" + text + L"\n";
    }
    return report;
}

void Report(HWND menuWindow, HWND receiver) {
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MenuGetHandle, 0, 0));
    const std::wstring text = menu ? MenuText(menu) : L"";
    COPYDATASTRUCT data = {};
    data.cbData = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(text.data());
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(receiver, WM_COPYDATA, reinterpret_cast<WPARAM>(menuWindow),
                        reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, ReportLimit, &ignored);
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    MenuProbeHook(int code, WPARAM removal, LPARAM messageAddress) {
    static const UINT probe = RegisterWindowMessageW(MenuProbeMessage);
    auto* message = reinterpret_cast<MSG*>(messageAddress);
    // The menu loop looks at a message before it takes it: answer once, when it is taken.
    if (code == HC_ACTION && removal == PM_REMOVE && message->message == probe) {
        Report(message->hwnd, reinterpret_cast<HWND>(message->wParam));
        message->message = WM_NULL;
    }
    return CallNextHookEx(nullptr, code, removal, messageAddress);
}
