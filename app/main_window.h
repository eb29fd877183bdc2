// The main window: four drop-down lists and three buttons along its top, the log below them.
#pragma once

#include <cstdint>
#include <string>

// Sets up the window layer and reads the display's resolution for font sizes.
void SetUpWindowLayer();

// Makes the log font and sets the log view's top edge; done with the settings at start-up.
void LoadLogFont();

// Opens the window, creates and fills its controls, sets the lists from the settings, drains
// the first events, scans the COM ports and fills the port list.
void BuildMainWindow();

void AddListItem(int listId, const std::wstring& text);
// The selected item's text, or the empty text when none is selected.
std::wstring ListText(int listId);
// Selects the first item equal to the text in any letter case; the empty text selects nothing;
// a text that matches no item leaves the selection as it was.
void SetListText(int listId, const std::wstring& text);
// Whether the selected item is the text in some letter case (the item SetListText would select).
bool ListShowsText(int listId, const std::wstring& text);

// The longest interval the interval list offers, in seconds.
std::int64_t LongestOfferedInterval();

struct ScreenPoint {
    int x, y;
};
struct PixelSize {
    int width, height;
};
// Where the window's outer frame stands and how large its client area is, as the settings keep
// them. A minimized or maximized window gives the place and size it has when restored.
ScreenPoint FramePosition();
PixelSize InnerSize();

// Fits the log view to the window's current inner size.
void ResizeLogView();

// A modal message box with one OK button; returns when the user has closed it.
void ShowMessage(const std::wstring& title, const std::wstring& text);
