// The main window's drop-down lists, push buttons, tooltips and fonts on Windows.
#include <windows.h>

#include <commctrl.h>

#include <cstddef>

#include "platform/controls.h"
#include "platform/win32/window_internal.h"

namespace {

constexpr DWORD ControlStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP;

// Selection-field height of a combo box, as CB_GETITEMHEIGHT and CB_SETITEMHEIGHT name it.
constexpr WPARAM SelectionField = static_cast<WPARAM>(-1);

// The size of TTTOOLINFOW up to lParam: version 6 of the common controls accepts it, while the
// full size of newer headers is refused by older versions (without the program's manifest).
constexpr UINT ToolInfoSize = static_cast<UINT>(offsetof(TTTOOLINFOW, lParam) + sizeof(LPARAM));

HWND CreateChild(const wchar_t* windowClass, const wchar_t* caption, DWORD style, int id, int left,
                 int top, int width, int height) {
    if (!WindowLayer.mainWindow)
        return nullptr;
    return CreateWindowExW(
        0, windowClass, caption, style, left, top, width, height, WindowLayer.mainWindow,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), WindowLayer.instance, nullptr);
}

HWND ListWindow(int id) {
    const WindowControl* control = FindControl(id);
    return control && control->kind == ControlKind::DropDownList ? control->window : nullptr;
}

HFONT FontOf(int fontId) {
    for (const auto& font : WindowLayer.fonts)
        if (font.first == fontId)
            return font.second;
    return nullptr;
}

int ClosedHeight(HWND list) {
    RECT rect{};
    GetWindowRect(list, &rect);
    return rect.bottom - rect.top;
}

} // namespace

WindowControl* FindControl(int id) {
    for (auto& control : WindowLayer.controls)
        if (control.id == id)
            return &control;
    return nullptr;
}

WindowControl* FindControlByWindow(HWND window) {
    for (auto& control : WindowLayer.controls)
        if (control.window == window)
            return &control;
    return nullptr;
}

HWND ControlWindow(int id) {
    const WindowControl* control = FindControl(id);
    return control ? control->window : nullptr;
}

void RegisterControl(int id, HWND window, ControlKind kind, int fieldHeight) {
    if (!window)
        return;
    WindowLayer.controls.push_back({id, window, kind, fieldHeight});
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
}

void FitDropDownField(const WindowControl& control) {
    // The closed combo box is its selection field plus edges whose size depends on the
    // version and the theme, so the field's height is found from what the control reports.
    // Each further pass corrects the height last asked for: some implementations (Wine's) keep
    // a field a little higher than asked, so the reported height cannot be the starting point
    // twice.
    LRESULT asked = SendMessageW(control.window, CB_GETITEMHEIGHT, SelectionField, 0);
    if (asked == CB_ERR)
        return;
    for (int pass = 0; pass < 3; ++pass) {
        const int difference = control.fieldHeight - ClosedHeight(control.window);
        if (difference == 0)
            return;
        asked = asked + difference > 1 ? asked + difference : 1;
        SendMessageW(control.window, CB_SETITEMHEIGHT, SelectionField, asked);
    }
}

void CreateDropDownList(int id, int left, int top, int width, int fieldHeight, int totalHeight) {
    // The creation height is the closed field and the open list together.
    HWND list = CreateChild(WC_COMBOBOXW, nullptr, ControlStyle | WS_VSCROLL | CBS_DROPDOWNLIST, id,
                            left, top, width, totalHeight);
    RegisterControl(id, list, ControlKind::DropDownList, fieldHeight);
    if (const WindowControl* control = FindControl(id))
        FitDropDownField(*control);
}

void CreatePushButton(int id, int left, int top, int width, int height,
                      const std::wstring& caption) {
    HWND button = CreateChild(WC_BUTTONW, caption.c_str(), ControlStyle | BS_PUSHBUTTON, id, left,
                              top, width, height);
    RegisterControl(id, button, ControlKind::PushButton, 0);
}

void AddTooltip(int id, const std::wstring& text) {
    HWND control = ControlWindow(id);
    if (!control)
        return;
    if (!WindowLayer.tooltip) {
        // TTS_ALWAYSTIP: shown while the window is inactive too; TTS_NOPREFIX: an ampersand is
        // shown, not taken as a mnemonic marker.
        WindowLayer.tooltip = CreateWindowExW(
            WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, WindowLayer.mainWindow,
            nullptr, WindowLayer.instance, nullptr);
        if (!WindowLayer.tooltip)
            return;
    }
    TTTOOLINFOW tool{};
    tool.cbSize = ToolInfoSize;
    // TTF_SUBCLASS lets the tooltip watch the control's mouse messages itself.
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = WindowLayer.mainWindow;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text.c_str()); // copied by the tooltip
    SendMessageW(WindowLayer.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void LoadFont(int fontId, const std::wstring& face, int height) {
    HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    if (!font)
        return;
    for (auto& entry : WindowLayer.fonts) {
        if (entry.first == fontId) {
            DeleteObject(entry.second);
            entry.second = font;
            return;
        }
    }
    WindowLayer.fonts.emplace_back(fontId, font);
}

void SetControlFont(int id, int fontId) {
    const WindowControl* control = FindControl(id);
    HFONT font = FontOf(fontId);
    if (!control || !font)
        return;
    SendMessageW(control->window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (control->kind == ControlKind::DropDownList)
        FitDropDownField(*control); // the new font resized the field
    else if (control->kind == ControlKind::Log)
        ApplyLogAutoColour(control->window);
}

void MoveControl(int id, int left, int top, int width, int height) {
    if (HWND control = ControlWindow(id))
        MoveWindow(control, left, top, width, height, TRUE);
}

void ListAddItem(int id, const std::wstring& text) {
    if (HWND list = ListWindow(id))
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int ListItemCount(int id) {
    HWND list = ListWindow(id);
    if (!list)
        return 0;
    const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

std::wstring ListItemText(int id, int index) {
    HWND list = ListWindow(id);
    if (!list || index < 0)
        return std::wstring();
    const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0)
        return std::wstring();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 && copied <= length ? static_cast<std::size_t>(copied) : 0);
    return text;
}

int ListSelectedIndex(int id) {
    HWND list = ListWindow(id);
    if (!list)
        return -1;
    const LRESULT index = SendMessageW(list, CB_GETCURSEL, 0, 0);
    return index >= 0 ? static_cast<int>(index) : -1;
}

void ListSelectIndex(int id, int index) {
    if (HWND list = ListWindow(id))
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
