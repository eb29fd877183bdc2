// The system's Save As dialog (comdlg32, in every Windows).
#include <windows.h>

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "platform/dialogs.h"
#include "platform/win32/window_internal.h"

namespace {

// Room for a path of any length Windows can hold.
constexpr std::size_t PathRoom = 32768;

// The filter is pairs of texts, each ending in a zero, and an empty text after the last.
std::wstring FilterOf(const SaveFileQuestion& question) {
    const std::wstring pattern = L"*." + question.extension;
    std::wstring filter = question.typeName + L" (" + pattern + L")";
    filter.push_back(L'\0');
    filter += pattern;
    filter.push_back(L'\0');
    filter += L"All files (*.*)";
    filter.push_back(L'\0');
    filter += L"*.*";
    filter.push_back(L'\0');
    return filter;
}

} // namespace

std::wstring AskSaveFilePath(const SaveFileQuestion& question) {
    std::vector<wchar_t> path(PathRoom, L'\0');
    question.proposedName.copy(path.data(), std::min(question.proposedName.size(), PathRoom - 1));
    const std::wstring filter = FilterOf(question);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = WindowLayer.mainWindow;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrInitialDir = question.folder.empty() ? nullptr : question.folder.c_str();
    dialog.lpstrTitle = question.title.c_str();
    dialog.lpstrDefExt = question.extension.c_str();
    // The program's working folder stays where it is: the dialog would move it to the folder
    // chosen.
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                   OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (!GetSaveFileNameW(&dialog))
        return std::wstring();
    return std::wstring(path.data());
}
