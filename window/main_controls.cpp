#include "window/main_controls.h"

#include "platform/controls.h"
#include "platform/dialogs.h"
#include "text/number_text.h"
#include "window/events.h"

#include <algorithm>
#include <cwctype>

const wchar_t* const OfferedIntervals[7] = {L"5", L"10", L"15", L"30", L"60", L"120", L"300"};

namespace {

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towupper(static_cast<wint_t>(a[i])) != std::towupper(static_cast<wint_t>(b[i])))
            return false;
    }
    return true;
}

} // namespace

void AddListItem(int listId, const std::wstring& text) {
    ProgramChange change;
    ListAddItem(listId, text);
}

std::wstring ListText(int listId) {
    const int selected = ListSelectedIndex(listId);
    return selected >= 0 ? ListItemText(listId, selected) : std::wstring();
}

void SetListText(int listId, const std::wstring& text) {
    ProgramChange change;
    if (text.empty()) {
        ListSelectIndex(listId, -1);
        return;
    }
    const int count = ListItemCount(listId);
    for (int index = 0; index < count; ++index) {
        if (SameTextIgnoringCase(ListItemText(listId, index), text)) {
            ListSelectIndex(listId, index);
            return;
        }
    }
}

bool ListShowsText(int listId, const std::wstring& text) {
    const std::wstring shown = ListText(listId);
    return !shown.empty() && SameTextIgnoringCase(shown, text);
}

std::int64_t LongestOfferedInterval() {
    std::int64_t longest = 0;
    for (const wchar_t* interval : OfferedIntervals)
        longest = std::max(longest, ParseInteger(interval));
    return longest;
}

void ShowMessage(const std::wstring& title, const std::wstring& text) {
    ShowMessageBox(title, text);
}
