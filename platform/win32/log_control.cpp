// The log control on Windows: a rich edit control, addressed with the messages of a multi-line
// edit field.
#include <windows.h>

#include <commctrl.h>
#include <richedit.h>
#include <uxtheme.h>
#include <vsstyle.h>

#include <cstddef>

#include "platform/log_control.h"
#include "platform/win32/window_internal.h"
#include "platform/window.h"

namespace {

constexpr DWORD LogStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL |
                           ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL |
                           ES_WANTRETURN;

// The rich edit control draws no themed border of its own. Under visual styles it gets the
// edit field's themed border in a non-client ring this wide: the border line, then one pixel
// of the field's background between it and the text.
constexpr int ThemedBorderWidth = 2;
constexpr UINT_PTR ThemedBorderSubclass = 1;

constexpr LPARAM LargestTextLimit = 0x7FFFFFFF;

// EM_GETLINE takes the buffer's capacity in its first 16-bit word.
constexpr int LargestLineCopy = 0xFFFF;

HWND LogWindow(int id) {
    const WindowControl* control = FindControl(id);
    return control && control->kind == ControlKind::Log ? control->window : nullptr;
}

void DrawThemedBorder(HWND log) {
    using OpenThemeDataProc = HTHEME(WINAPI*)(HWND, LPCWSTR);
    using CloseThemeDataProc = HRESULT(WINAPI*)(HTHEME);
    using DrawThemeBackgroundProc =
        HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
    const auto openTheme =
        ProcedureAs<OpenThemeDataProc>(OptionalProcedure(WindowLayer.uxtheme, "OpenThemeData"));
    const auto closeTheme =
        ProcedureAs<CloseThemeDataProc>(OptionalProcedure(WindowLayer.uxtheme, "CloseThemeData"));
    const auto drawBackground = ProcedureAs<DrawThemeBackgroundProc>(
        OptionalProcedure(WindowLayer.uxtheme, "DrawThemeBackground"));

    HDC dc = GetWindowDC(log);
    if (!dc)
        return;
    RECT outer{};
    GetWindowRect(log, &outer);
    OffsetRect(&outer, -outer.left, -outer.top);
    // Only the ring is ours; the scroll bars and the text inside it are the control's.
    ExcludeClipRect(dc, outer.left + ThemedBorderWidth, outer.top + ThemedBorderWidth,
                    outer.right - ThemedBorderWidth, outer.bottom - ThemedBorderWidth);
    HTHEME theme = openTheme && closeTheme && drawBackground ? openTheme(log, L"Edit") : nullptr;
    if (theme) {
        const int state = !IsWindowEnabled(log) ? ETS_DISABLED
                          : GetFocus() == log   ? ETS_FOCUSED
                                                : ETS_NORMAL;
        drawBackground(theme, dc, EP_EDITTEXT, state, &outer, nullptr);
        closeTheme(theme);
    } else {
        // The theme was switched off while the program runs: the classic sunken edge.
        DrawEdge(dc, &outer, EDGE_SUNKEN, BF_RECT);
    }
    ReleaseDC(log, dc);
}

LRESULT CALLBACK ThemedBorderProc(HWND log, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR) {
    switch (message) {
    case WM_NCCALCSIZE: {
        // Reserve the ring before the control places its scroll bars inside it.
        RECT& proposed = wParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                                : *reinterpret_cast<RECT*>(lParam);
        InflateRect(&proposed, -ThemedBorderWidth, -ThemedBorderWidth);
        if (proposed.right < proposed.left)
            proposed.right = proposed.left;
        if (proposed.bottom < proposed.top)
            proposed.bottom = proposed.top;
        return DefSubclassProc(log, message, wParam, lParam);
    }
    case WM_NCPAINT:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE: {
        // The border shows the focus, so it is drawn again when that changes.
        const LRESULT result = DefSubclassProc(log, message, wParam, lParam);
        DrawThemedBorder(log);
        return result;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(log, ThemedBorderProc, ThemedBorderSubclass);
        break;
    default:
        break;
    }
    return DefSubclassProc(log, message, wParam, lParam);
}

// The older library knows only the ANSI layout of the structure; for the colour alone the two
// layouts agree, but the size tells the control which one it got.
template <typename CharFormat> void SetAutoColour(HWND log) {
    CharFormat format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR;
    format.dwEffects = CFE_AUTOCOLOR;
    SendMessageW(log, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    SendMessageW(log, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

} // namespace

void ApplyLogAutoColour(HWND log) {
    if (WindowLayer.oldRichEdit)
        SetAutoColour<CHARFORMATA>(log);
    else
        SetAutoColour<CHARFORMATW>(log);
}

void CreateLogControl(int id, int left, int top, int width, int height) {
    if (!WindowLayer.mainWindow)
        return;
    const wchar_t* windowClass = nullptr;
    if (LoadSystemLibrary(L"RICHED20.DLL")) {
        windowClass = L"RichEdit20W";
        WindowLayer.oldRichEdit = false;
    } else if (LoadSystemLibrary(L"RICHED32.DLL")) {
        windowClass = L"RichEdit";
        WindowLayer.oldRichEdit = true;
    } else {
        return;
    }
    const bool themed = VisualStylesInUse();
    HWND log = CreateWindowExW(themed ? 0 : WS_EX_CLIENTEDGE, windowClass, L"", LogStyle, left, top,
                               width, height, WindowLayer.mainWindow,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               WindowLayer.instance, nullptr);
    if (!log)
        return;
    RegisterControl(id, log, ControlKind::Log, 0);
    if (themed && SetWindowSubclass(log, ThemedBorderProc, ThemedBorderSubclass, 0))
        SetWindowPos(log, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    // The log is never trimmed, so no limit. Windows reads EM_LIMITTEXT's -1 as the largest
    // count, but Wine keeps it as -1 and then refuses every typed character; the largest
    // positive count means the same on both.
    SendMessageW(log, EM_EXLIMITTEXT, 0, LargestTextLimit);
    SendMessageW(log, EM_SETEVENTMASK, 0, ENM_CHANGE);
}

int EditTextLength(int id) {
    HWND log = LogWindow(id);
    if (!log)
        return 0;
    if (WindowLayer.oldRichEdit) // its paragraph ends are CR LF in its own character counts too
        return static_cast<int>(SendMessageW(log, WM_GETTEXTLENGTH, 0, 0));
    // WM_GETTEXTLENGTH would count every paragraph end as CR LF, two characters, while the
    // control's character positions count it as one.
    GETTEXTLENGTHEX how{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT length = SendMessageW(log, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0);
    return length > 0 ? static_cast<int>(length) : 0;
}

void EditHideSelection(int id, bool hide) {
    if (HWND log = LogWindow(id))
        SendMessageW(log, EM_HIDESELECTION, hide ? TRUE : FALSE, 0);
}

void EditSetSelection(int id, int start, int end) {
    if (HWND log = LogWindow(id))
        SendMessageW(log, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

void EditReplaceSelection(int id, const std::wstring& text, bool undoable) {
    if (HWND log = LogWindow(id))
        SendMessageW(log, EM_REPLACESEL, undoable ? TRUE : FALSE,
                     reinterpret_cast<LPARAM>(text.c_str()));
}

int EditLineCount(int id) {
    HWND log = LogWindow(id);
    return log ? static_cast<int>(SendMessageW(log, EM_GETLINECOUNT, 0, 0)) : 0;
}

int EditLineIndex(int id, int line) {
    HWND log = LogWindow(id);
    if (!log || line < 0) // -1 would name the caret's line
        return -1;
    return static_cast<int>(SendMessageW(log, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
}

int EditLineLength(int id, int characterIndex) {
    HWND log = LogWindow(id);
    if (!log)
        return 0;
    return static_cast<int>(
        SendMessageW(log, EM_LINELENGTH, static_cast<WPARAM>(characterIndex), 0));
}

std::wstring EditGetLine(int id, int line, int capacity) {
    HWND log = LogWindow(id);
    if (!log || line < 0 || capacity <= 0)
        return std::wstring();
    if (capacity > LargestLineCopy)
        capacity = LargestLineCopy;
    // One spare character, should the control add a terminating zero after all.
    std::wstring buffer(static_cast<std::size_t>(capacity) + 1, L'\0');
    buffer[0] = static_cast<wchar_t>(capacity);
    const LRESULT copied = SendMessageW(log, EM_GETLINE, static_cast<WPARAM>(line),
                                        reinterpret_cast<LPARAM>(buffer.data()));
    buffer.resize(copied > 0 && copied <= capacity ? static_cast<std::size_t>(copied) : 0);
    return buffer;
}

void EditExSetSelection(int id, int start, int end) {
    HWND log = LogWindow(id);
    if (!log)
        return;
    CHARRANGE range{start, end};
    SendMessageW(log, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

void EditCopySelection(int id) {
    if (HWND log = LogWindow(id))
        SendMessageW(log, WM_COPY, 0, 0);
}
