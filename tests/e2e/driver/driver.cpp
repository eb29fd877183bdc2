// tockmeter_e2e_driver: reads and drives the window "Tockmeter!" of a running tockmeter.exe from
// another process, with window messages, the way a UI-automation client does. It runs under the
// same Wine (and on the same display) as the program.
//
// Usage: tockmeter_e2e_driver [--wait MS] COMMAND [ARGUMENT...]
//
// One run performs one command and prints its result as one line of JSON (UTF-8) on stdout.
// The driver first waits for the window; MS (default 5000) bounds that wait and every wait for a
// message box or an effect (0: look once). Exit codes: 0 done; 1 bad command line; 2 the window,
// control or message box was not found in time; 3 the program did not answer a message (within
// 30 s) or did not react in time. The reason for a failure goes to stderr as a JSON string.
//
// Reading:
//   window            {"title", "left", "top", "width", "height" (outer frame, screen pixels),
//                      "clientWidth", "clientHeight", "minimized", "maximized", "visible"}
//   graph-window      the program's graph window (class "TockmeterGraphWindow"), waited for, as
//                     `window` reports the main window; exit 2 if none
//   control ID        {"id", "class", "text", "left", "top", "width", "height" (relative to the
//                      client area), "visible", "enabled"}
//   combo ID          {"items": [texts], "selected": index or -1, "text": selected text or ""}
//   log-lines         {"lines": [texts]}: the log control's (identifier 1) text split at its
//                     line breaks; a final line break leaves an empty last line
//   log-text          {"text"}: the log control's whole text as WM_GETTEXT gives it
//   focus             {"id", "class"}: the control that has the keyboard focus (or contains the
//                     window that has it); id 0 is the main window, -1 the focus outside it
//   message-box       {"title", "text", "ownedByWindow"} of the program's visible message box
//                     (ownedByWindow: its owner is the main window); exit 2 if none
//   log-view          {"firstVisibleLine", "lineCount"} of the log control (EM_GETFIRSTVISIBLELINE,
//                     EM_GETLINECOUNT), "newestLineWhole": its last line lies wholly within the
//                     view's height, above the horizontal scroll bar (the line may reach beyond
//                     the view's right edge), and "horizontalScrollBar": that bar is shown
//   log-selection     {"start", "end"} of the log's selection (EM_GETSEL), in characters
//   clipboard         {"text"}: the clipboard's text; exit 2 if it holds none
//   log-menu          {"items": [{"id", "text", "separator", "enabled"}]}: the log's right-click
//                     menu, opened as the keyboard opens it (WM_CONTEXTMENU without a position)
//                     and closed again with Escape. The items are read inside the program by the
//                     menu probe (menu_probe.h), which the driver finds beside itself.
//   log-menu-open     as log-menu, but the menu stays open (for a screenshot)
//   save-dialog       {"title", "fileName" (the file name field's text), "ownedByWindow"} of the
//                     program's Save As dialog
//
// Acting. Clicks, list choices and close requests are posted to the program's queue as a user's
// input is, so those commands return before the program has acted on them: read back to see
// the effect.
//   choose ID INDEX   selects the item of the drop-down list (CB_SETCURSEL) and notifies the
//                     main window (WM_COMMAND, CBN_SELCHANGE); prints the list as `combo` does
//   press ID          clicks the button (BM_CLICK); prints {}
//   set-focus ID      gives the control the keyboard focus; prints the focus as `focus` does
//   tab, shift-tab    types Tab or Shift+Tab (SendInput to the foreground window), waits until
//                     the focus or the focused control's text changes; prints as `focus` does
//   press-from-behind ID
//                     brings a window of the driver's own to the front, clicks the button as
//                     `press` does, waits for the program's message box while that window is
//                     still there and prints the box as `message-box` does
//   message-box-ok    presses the message box's OK and waits until the box is gone; prints {}
//   scroll-log CODE   scrolls the log as its scroll bar does (WM_VSCROLL with the SB_ code, e.g.
//                     6 to the top, 7 to the bottom); prints as `log-view` does
//   resize W H        gives the window a new outer size; prints as `window` does
//   minimize, maximize, restore
//                     shows the window so; prints as `window` does
//   key-ctrl LETTER   types Ctrl+LETTER (SendInput to the window, brought to the front); prints {}
//   log-menu-choose ID
//                     opens the log's menu as `log-menu` does and chooses the enabled item with
//                     the command identifier ID with Down and Enter; prints {}
//   menu-close        closes the program's open menu with Escape; prints {}
//   window-menu-command ID
//                     chooses the program's own command ID in the window menu (WM_SYSCOMMAND);
//                     prints {}
//   save-dialog-save PATH
//                     types PATH (a Windows path) into the Save As dialog's file name field,
//                     presses Save and waits until the dialog is gone; prints {}. Fails when the
//                     dialog asks whether to replace the file.
//   save-dialog-replace PATH
//                     as save-dialog-save, but the dialog must ask whether to replace the file:
//                     answers Yes; prints {"question"} with the question's text
//   save-dialog-cancel
//                     presses the Save As dialog's Cancel and waits until it is gone; prints {}
//   close             asks the window to close (WM_CLOSE); prints {}
//   end-session       tells the window that the user logs off, as the system does: sends
//                     WM_QUERYENDSESSION and, when the program agrees, WM_ENDSESSION; prints
//                     {"agreed"}. The system would then end the program: the caller does.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "json_text.h"
#include "keyboard.h"
#include "log_menu.h"
#include "save_dialog.h"
#include "target_window.h"

namespace {

constexpr int LogViewId = 1;

JsonValue WindowReport(HWND mainWindow) {
    wchar_t title[256];
    const int titleLength = GetWindowTextW(mainWindow, title, 256);
    RECT outer;
    GetWindowRect(mainWindow, &outer);
    RECT client;
    GetClientRect(mainWindow, &client);
    return JsonObject({
        {"title", JsonString(std::wstring(title, titleLength > 0 ? titleLength : 0))},
        {"left", JsonNumber(outer.left)},
        {"top", JsonNumber(outer.top)},
        {"width", JsonNumber(outer.right - outer.left)},
        {"height", JsonNumber(outer.bottom - outer.top)},
        {"clientWidth", JsonNumber(client.right)},
        {"clientHeight", JsonNumber(client.bottom)},
        {"minimized", JsonBool(IsIconic(mainWindow))},
        {"maximized", JsonBool(IsZoomed(mainWindow))},
        {"visible", JsonBool(IsWindowVisible(mainWindow))},
    });
}

JsonValue ControlReport(HWND mainWindow, int id) {
    HWND control = ControlOf(mainWindow, id);
    const RECT rect = RectInClient(control, mainWindow);
    return JsonObject({
        {"id", JsonNumber(id)},
        {"class", JsonString(ClassNameOf(control))},
        {"text", JsonString(TextOf(control))},
        {"left", JsonNumber(rect.left)},
        {"top", JsonNumber(rect.top)},
        {"width", JsonNumber(rect.right - rect.left)},
        {"height", JsonNumber(rect.bottom - rect.top)},
        {"visible", JsonBool(IsWindowVisible(control))},
        {"enabled", JsonBool(IsWindowEnabled(control))},
    });
}

JsonValue ComboReport(HWND combo) {
    std::vector<std::wstring> items;
    const LRESULT count = Ask(combo, CB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        std::vector<wchar_t> buffer(static_cast<std::size_t>(Ask(combo, CB_GETLBTEXTLEN, i)) + 1);
        const LRESULT length = Ask(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer.data()));
        items.emplace_back(buffer.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
    }
    const LRESULT selected = Ask(combo, CB_GETCURSEL);
    std::vector<JsonValue> itemValues;
    for (const std::wstring& item : items)
        itemValues.push_back(JsonString(item));
    const bool valid = selected >= 0 && selected < static_cast<LRESULT>(items.size());
    return JsonObject({
        {"items", JsonArray(itemValues)},
        {"selected", JsonNumber(valid ? selected : -1)},
        {"text", JsonString(valid ? items[static_cast<std::size_t>(selected)] : L"")},
    });
}

// The log's lines, split at its line breaks: WM_GETTEXT gives each as CR LF, and a lone CR or LF
// counts as one too. The text is read in one message, as `log-text` reads it: under Wine, asking
// for single lines (EM_GETLINE) from another process can end the program while it shows a
// message box.
JsonValue LogLines(HWND mainWindow) {
    const std::wstring text = TextOf(ControlOf(mainWindow, LogViewId));
    std::vector<JsonValue> lines;
    std::size_t start = 0;
    for (std::size_t end = 0; end <= text.size(); ++end) {
        if (end < text.size() && text[end] != L'\r' && text[end] != L'\n')
            continue;
        lines.push_back(JsonString(text.substr(start, end - start)));
        if (end + 1 < text.size() && text[end] == L'\r' && text[end + 1] == L'\n')
            ++end;
        start = end + 1;
    }
    return JsonObject({{"lines", JsonArray(lines)}});
}

HWND FocusedWindow(HWND mainWindow) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(mainWindow, nullptr);
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

JsonValue FocusReport(HWND mainWindow) {
    for (HWND window = FocusedWindow(mainWindow); window; window = GetAncestor(window, GA_PARENT)) {
        if (window == mainWindow)
            return JsonObject({{"id", JsonNumber(0)}, {"class", JsonString(ClassNameOf(window))}});
        if (GetAncestor(window, GA_PARENT) == mainWindow)
            return JsonObject({{"id", JsonNumber(GetDlgCtrlID(window))},
                               {"class", JsonString(ClassNameOf(window))}});
    }
    return JsonObject({{"id", JsonNumber(-1)}, {"class", JsonString(L"")}});
}

JsonValue SetFocusTo(HWND mainWindow, int id) {
    HWND control = ControlOf(mainWindow, id);
    // SetFocus works only on windows of the caller's input queue: share the program's for a
    // moment.
    const DWORD self = GetCurrentThreadId();
    const DWORD program = GetWindowThreadProcessId(mainWindow, nullptr);
    AttachThreadInput(self, program, TRUE);
    SetFocus(control);
    AttachThreadInput(self, program, FALSE);
    if (!WaitUntil([&] { return FocusedWindow(mainWindow) == control; }))
        Fail(NoAnswer, L"control " + std::to_wstring(id) + L" did not take the focus");
    return FocusReport(mainWindow);
}

JsonValue PressTab(HWND mainWindow, bool shift) {
    HWND before = FocusedWindow(mainWindow);
    const std::wstring textBefore = before ? TextOf(before) : L"";
    BringToFront(mainWindow);
    if (shift)
        TypeKey(VK_TAB, {VK_SHIFT});
    else
        TypeKey(VK_TAB);
    // A Tab either moves the focus or is typed into the focused control: wait for either.
    if (!WaitUntil([&] {
            HWND now = FocusedWindow(mainWindow);
            return now != before || (now && TextOf(now) != textBefore);
        }))
        Fail(NoAnswer, L"the key changed neither the focus nor the focused control's text");
    return FocusReport(mainWindow);
}

JsonValue TypeControlLetter(HWND mainWindow, const std::wstring& letter) {
    // The virtual key of a letter is its capital's code.
    const wint_t key = letter.size() == 1 ? std::towupper(letter[0]) : 0;
    if (key < L'A' || key > L'Z')
        Fail(BadCommandLine, L"not a letter: " + letter);
    BringToFront(mainWindow);
    TypeKey(static_cast<WORD>(key), {VK_CONTROL});
    return JsonObject({});
}

JsonValue MessageBoxReport(HWND mainWindow) {
    HWND box = FindMessageBox(mainWindow);
    if (!box)
        Fail(NotFound, L"no message box");
    // The message text is the box's static control 0xFFFF, on Windows as under Wine.
    HWND text = GetDlgItem(box, 0xFFFF);
    return JsonObject({{"title", JsonString(TextOf(box))},
                       {"text", JsonString(text ? TextOf(text) : L"")},
                       {"ownedByWindow", JsonBool(GetWindow(box, GW_OWNER) == mainWindow)}});
}

// Takes the driver's own window messages, so that its window can come to the front.
void TakeOwnMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The top of a line in the log's client area; EM_POSFROMCHAR's edit-field form, which takes no
// pointer into this process.
int LineTop(HWND log, int line) {
    const LRESULT start = Ask(log, EM_LINEINDEX, static_cast<WPARAM>(line));
    return static_cast<short>(HIWORD(Ask(log, EM_POSFROMCHAR, static_cast<WPARAM>(start))));
}

// Whether the last line lies wholly within the client area's height, which the scroll bars are
// not part of. A line's height is the step from the line before it.
bool NewestLineWhole(HWND log, LRESULT lineCount) {
    if (lineCount < 2)
        return false;
    const int top = LineTop(log, static_cast<int>(lineCount - 1));
    const int height = top - LineTop(log, static_cast<int>(lineCount - 2));
    RECT client;
    GetClientRect(log, &client);
    return height > 0 && top >= client.top && top + height <= client.bottom;
}

JsonValue LogView(HWND mainWindow) {
    HWND log = ControlOf(mainWindow, LogViewId);
    const LRESULT lineCount = Ask(log, EM_GETLINECOUNT);
    const bool horizontalBar = (GetWindowLongW(log, GWL_STYLE) & WS_HSCROLL) != 0;
    return JsonObject({{"firstVisibleLine", JsonNumber(Ask(log, EM_GETFIRSTVISIBLELINE))},
                       {"lineCount", JsonNumber(lineCount)},
                       {"newestLineWhole", JsonBool(NewestLineWhole(log, lineCount))},
                       {"horizontalScrollBar", JsonBool(horizontalBar)}});
}

JsonValue LogSelection(HWND mainWindow) {
    // Both ends packed in the answer, as texts of the scenarios' size allow.
    const LRESULT ends = Ask(ControlOf(mainWindow, LogViewId), EM_GETSEL);
    return JsonObject({{"start", JsonNumber(LOWORD(ends))}, {"end", JsonNumber(HIWORD(ends))}});
}

// The clipboard's text, shared by every program of the Wine session.
JsonValue ClipboardText() {
    if (!WaitUntil([] { return OpenClipboard(nullptr) != FALSE; }))
        Fail(NoAnswer, L"the clipboard stayed open in another program");
    std::wstring text;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (const auto* characters = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr) {
        text = characters;
        GlobalUnlock(data);
    }
    CloseClipboard();
    if (!data)
        Fail(NotFound, L"the clipboard holds no text");
    return JsonObject({{"text", JsonString(text)}});
}

JsonValue ScrollLog(HWND mainWindow, int code) {
    Ask(ControlOf(mainWindow, LogViewId), WM_VSCROLL, static_cast<WPARAM>(code));
    return LogView(mainWindow);
}

JsonValue PressMessageBoxOk(HWND mainWindow) {
    HWND box = FindMessageBox(mainWindow);
    if (!box)
        Fail(NotFound, L"no message box");
    HWND ok = GetDlgItem(box, IDOK);
    if (!ok)
        Fail(NotFound, L"the message box has no OK button");
    PostMessageW(ok, BM_CLICK, 0, 0);
    if (!WaitUntil([&] { return !IsWindow(box); }))
        Fail(NoAnswer, L"the message box did not close");
    return JsonObject({});
}

JsonValue Choose(HWND mainWindow, int id, int index) {
    HWND combo = ControlOf(mainWindow, id);
    if (Ask(combo, CB_SETCURSEL, index) == CB_ERR)
        Fail(NotFound, L"list " + std::to_wstring(id) + L" has no item " + std::to_wstring(index));
    PostMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    return ComboReport(combo);
}

JsonValue Press(HWND mainWindow, int id) {
    PostMessageW(ControlOf(mainWindow, id), BM_CLICK, 0, 0);
    return JsonObject({});
}

JsonValue PressFromBehind(HWND mainWindow, int id) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TockmeterDriverInFront";
    RegisterClassW(&windowClass);
    HWND front = CreateWindowExW(0, windowClass.lpszClassName, L"In front", WS_OVERLAPPEDWINDOW, 0,
                                 0, 320, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    ShowWindow(front, SW_SHOW);
    SetForegroundWindow(front);
    if (!WaitUntil([&] {
            TakeOwnMessages();
            return GetForegroundWindow() == front;
        }))
        Fail(NoAnswer, L"the driver's window did not come to the front");
    Press(mainWindow, id);
    const JsonValue report = MessageBoxReport(mainWindow);
    DestroyWindow(front);
    return report;
}

// A command chosen in the window menu reaches the window as WM_SYSCOMMAND with its identifier.
JsonValue WindowMenuCommand(HWND mainWindow, int commandId) {
    PostMessageW(mainWindow, WM_SYSCOMMAND, static_cast<WPARAM>(commandId), 0);
    return JsonObject({});
}

JsonValue Close(HWND mainWindow) {
    PostMessageW(mainWindow, WM_CLOSE, 0, 0);
    return JsonObject({});
}

JsonValue EndSession(HWND mainWindow) {
    DWORD_PTR agreed = 0;
    if (!SendMessageTimeoutW(mainWindow, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                             AnswerLimit, &agreed))
        Fail(NoAnswer, L"the program did not answer WM_QUERYENDSESSION");
    if (agreed) {
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutW(mainWindow, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF,
                                 SMTO_ABORTIFHUNG, AnswerLimit, &ignored))
            Fail(NoAnswer, L"the program did not answer WM_ENDSESSION");
    }
    return JsonObject({{"agreed", JsonBool(agreed != 0)}});
}

JsonValue LogText(HWND mainWindow) {
    return JsonObject({{"text", JsonString(TextOf(ControlOf(mainWindow, LogViewId)))}});
}

JsonValue ShowAs(HWND mainWindow, int how) {
    ShowWindow(mainWindow, how);
    return WindowReport(mainWindow);
}

JsonValue Resize(HWND mainWindow, int width, int height) {
    SetWindowPos(mainWindow, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return WindowReport(mainWindow);
}

// A command's arguments as typed; those that are numbers are read by Number.
using Arguments = std::vector<std::wstring>;

JsonValue GraphWindowReport(HWND mainWindow) {
    HWND graph = FindProgramWindow(mainWindow, L"TockmeterGraphWindow");
    if (!graph)
        Fail(NotFound, L"no graph window");
    return WindowReport(graph);
}

int Number(const std::wstring& text) {
    wchar_t* end = nullptr;
    const long number = std::wcstol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != L'\0')
        Fail(BadCommandLine, L"not a number: " + text);
    return static_cast<int>(number);
}

struct Command {
    const wchar_t* name;
    int argumentCount;
    JsonValue (*run)(HWND mainWindow, const Arguments& arguments);
};

const Command Commands[] = {
    {L"window", 0, [](HWND w, const Arguments&) { return WindowReport(w); }},
    {L"graph-window", 0, [](HWND w, const Arguments&) { return GraphWindowReport(w); }},
    {L"control", 1, [](HWND w, const Arguments& a) { return ControlReport(w, Number(a[0])); }},
    {L"combo", 1,
     [](HWND w, const Arguments& a) { return ComboReport(ControlOf(w, Number(a[0]))); }},
    {L"log-lines", 0, [](HWND w, const Arguments&) { return LogLines(w); }},
    {L"log-text", 0, [](HWND w, const Arguments&) { return LogText(w); }},
    {L"focus", 0, [](HWND w, const Arguments&) { return FocusReport(w); }},
    {L"message-box", 0, [](HWND w, const Arguments&) { return MessageBoxReport(w); }},
    {L"log-view", 0, [](HWND w, const Arguments&) { return LogView(w); }},
    {L"choose", 2,
     [](HWND w, const Arguments& a) { return Choose(w, Number(a[0]), Number(a[1])); }},
    {L"press", 1, [](HWND w, const Arguments& a) { return Press(w, Number(a[0])); }},
    {L"set-focus", 1, [](HWND w, const Arguments& a) { return SetFocusTo(w, Number(a[0])); }},
    {L"tab", 0, [](HWND w, const Arguments&) { return PressTab(w, false); }},
    {L"shift-tab", 0, [](HWND w, const Arguments&) { return PressTab(w, true); }},
    {L"press-from-behind", 1,
     [](HWND w, const Arguments& a) { return PressFromBehind(w, Number(a[0])); }},
    {L"message-box-ok", 0, [](HWND w, const Arguments&) { return PressMessageBoxOk(w); }},
    {L"scroll-log", 1, [](HWND w, const Arguments& a) { return ScrollLog(w, Number(a[0])); }},
    {L"resize", 2,
     [](HWND w, const Arguments& a) { return Resize(w, Number(a[0]), Number(a[1])); }},
    {L"minimize", 0, [](HWND w, const Arguments&) { return ShowAs(w, SW_MINIMIZE); }},
    {L"maximize", 0, [](HWND w, const Arguments&) { return ShowAs(w, SW_MAXIMIZE); }},
    {L"restore", 0, [](HWND w, const Arguments&) { return ShowAs(w, SW_RESTORE); }},
    {L"close", 0, [](HWND w, const Arguments&) { return Close(w); }},
    {L"window-menu-command", 1,
     [](HWND w, const Arguments& a) { return WindowMenuCommand(w, Number(a[0])); }},
    {L"key-ctrl", 1, [](HWND w, const Arguments& a) { return TypeControlLetter(w, a[0]); }},
    {L"log-selection", 0, [](HWND w, const Arguments&) { return LogSelection(w); }},
    {L"clipboard", 0, [](HWND, const Arguments&) { return ClipboardText(); }},
    {L"log-menu", 0, [](HWND w, const Arguments&) { return LogMenuReport(w, false); }},
    {L"log-menu-open", 0, [](HWND w, const Arguments&) { return LogMenuReport(w, true); }},
    {L"menu-close", 0, [](HWND w, const Arguments&) { return CloseMenu(w); }},
    {L"log-menu-choose", 1,
     [](HWND w, const Arguments& a) { return ChooseLogMenuItem(w, Number(a[0])); }},
    {L"save-dialog", 0, [](HWND w, const Arguments&) { return SaveDialogReport(w); }},
    {L"save-dialog-save", 1,
     [](HWND w, const Arguments& a) { return SaveDialogSave(w, a[0], false); }},
    {L"save-dialog-replace", 1,
     [](HWND w, const Arguments& a) { return SaveDialogSave(w, a[0], true); }},
    {L"save-dialog-cancel", 0, [](HWND w, const Arguments&) { return SaveDialogCancel(w); }},
    {L"end-session", 0, [](HWND w, const Arguments&) { return EndSession(w); }},
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    int next = 1;
    if (next + 1 < argc && std::wcscmp(argv[next], L"--wait") == 0) {
        WaitLimit = static_cast<DWORD>(Number(argv[next + 1]));
        next += 2;
    }
    if (next >= argc)
        Fail(BadCommandLine, L"usage: tockmeter_e2e_driver [--wait MS] COMMAND [ARGUMENT...]");
    for (const Command& command : Commands) {
        if (std::wcscmp(argv[next], command.name) != 0)
            continue;
        if (argc - next - 1 != command.argumentCount)
            Fail(BadCommandLine, std::wstring(L"wrong number of arguments for ") + command.name);
        const Arguments arguments(argv + next + 1, argv + argc);
        const std::string output = command.run(MainWindow(), arguments) + "\n";
        std::fwrite(output.data(), 1, output.size(), stdout);
        return 0;
    }
    Fail(BadCommandLine, std::wstring(L"unknown command: ") + argv[next]);
}
