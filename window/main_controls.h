// The main window's lists and its message box, as the program's parts use them.
#pragma once

#include <cstdint>
#include <string>

void AddListItem(int listId, const std::wstring& text);
// The selected item's text, or the empty text when none is selected.
std::wstring ListText(int listId);
// Selects the first item equal to the text in any letter case; the empty text selects nothing;
// a text that matches no item leaves the selection as it was.
void SetListText(int listId, const std::wstring& text);
// Whether the selected item is the text in some letter case (the item SetListText would select).
bool ListShowsText(int listId, const std::wstring& text);

// The intervals the interval list offers, in seconds, in its order.
extern const wchar_t* const OfferedIntervals[7];
// The longest of them.
std::int64_t LongestOfferedInterval();

// A modal message box with one OK button; returns when the user has closed it.
void ShowMessage(const std::wstring& title, const std::wstring& text);
