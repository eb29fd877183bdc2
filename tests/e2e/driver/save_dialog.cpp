#include "save_dialog.h"

#include "target_window.h"

namespace {

// The file name field: a combo box with an edit inside (cmb13), on Windows as under Wine.
constexpr int FileNameFieldId = 0x47C;

HWND FindSaveDialog(HWND mainWindow) {
    HWND dialog = FindProgramWindow(mainWindow, L"#32770", [](HWND window) {
        return GetDlgItem(window, FileNameFieldId) != nullptr;
    });
    if (!dialog)
        Fail(NotFound, L"no Save As dialog");
    return dialog;
}

// The edit control innermost in the file name field, which holds the name typed.
HWND FileNameEdit(HWND dialog) {
    for (HWND window = GetDlgItem(dialog, FileNameFieldId); window;
         window = GetWindow(window, GW_CHILD)) {
        if (ClassNameOf(window) == L"Edit")
            return window;
    }
    Fail(NotFound, L"the Save As dialog has no file name field");
}

// The dialog's push button with this identifier; other children (a tool bar) may share it.
HWND DialogButton(HWND dialog, int id) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == id && ClassNameOf(child) == L"Button")
            return child;
    Fail(NotFound, L"the Save As dialog has no button " + std::to_wstring(id));
}

// A message box that the dialog shows above itself.
HWND FindQuestion(HWND mainWindow, HWND dialog, DWORD waitLimit) {
    const DWORD fullWait = WaitLimit;
    WaitLimit = waitLimit;
    HWND box = FindProgramWindow(
        mainWindow, L"#32770", [&](HWND window) { return GetWindow(window, GW_OWNER) == dialog; });
    WaitLimit = fullWait;
    return box;
}

std::wstring QuestionText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? TextOf(text) : L"";
}

void WaitUntilGone(HWND dialog) {
    if (!WaitUntil([&] { return !IsWindow(dialog); }))
        Fail(NoAnswer, L"the Save As dialog did not close");
}

} // namespace

JsonValue SaveDialogReport(HWND mainWindow) {
    HWND dialog = FindSaveDialog(mainWindow);
    return JsonObject({{"title", JsonString(TextOf(dialog))},
                       {"fileName", JsonString(TextOf(FileNameEdit(dialog)))},
                       {"ownedByWindow", JsonBool(GetWindow(dialog, GW_OWNER) == mainWindow)}});
}

JsonValue SaveDialogSave(HWND mainWindow, const std::wstring& path, bool replacing) {
    HWND dialog = FindSaveDialog(mainWindow);
    Ask(FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(DialogButton(dialog, IDOK), BM_CLICK, 0, 0);
    if (!replacing) {
        // The dialog closes, or asks first.
        if (!WaitUntil([&] { return !IsWindow(dialog) || FindQuestion(mainWindow, dialog, 0); }))
            Fail(NoAnswer, L"the Save As dialog did not close");
        if (IsWindow(dialog)) {
            HWND box = FindQuestion(mainWindow, dialog, 0);
            Fail(NoAnswer, L"the Save As dialog asks: " + (box ? QuestionText(box) : L""));
        }
        return JsonObject({});
    }
    HWND box = FindQuestion(mainWindow, dialog, WaitLimit);
    if (!box)
        Fail(NotFound, L"the Save As dialog did not ask whether to replace the file");
    const std::wstring question = QuestionText(box);
    HWND yes = GetDlgItem(box, IDYES);
    if (!yes)
        Fail(NotFound, L"the question has no Yes button: " + question);
    PostMessageW(yes, BM_CLICK, 0, 0);
    WaitUntilGone(dialog);
    return JsonObject({{"question", JsonString(question)}});
}

JsonValue SaveDialogCancel(HWND mainWindow) {
    HWND dialog = FindSaveDialog(mainWindow);
    PostMessageW(DialogButton(dialog, IDCANCEL), BM_CLICK, 0, 0);
    WaitUntilGone(dialog);
    return JsonObject({});
}
