// Modal dialogs over the main window: the message box and the system's Save As dialog. A part of
// the window layer of the seam to the operating system (platform/platform.h).
#pragma once

#include <string>

// A modal message box with one OK button and no icon. While it is open the program's other
// visible top-level windows are disabled (unless foreground) and lose any topmost state; its
// owner is the main window when it exists, else the foreground window when that belongs to
// this process. Returns once the user has closed it; every change to the other windows is
// undone.
void ShowMessageBox(const std::wstring& title, const std::wstring& text);

// What the Save As dialog asks.
struct SaveFileQuestion {
    std::wstring title;        // the dialog's title
    std::wstring folder;       // where it opens
    std::wstring proposedName; // the file name it proposes
    std::wstring typeName;     // the file type offered, e.g. "Text files"
    std::wstring extension;    // its extension without the dot, added to a name typed without one
};

// The system's Save As dialog, modal, owned by the main window. Returns the full path the user
// chose, having confirmed there that an existing file of that name is to be replaced; an empty
// text when the user cancelled or the dialog could not be shown.
std::wstring AskSaveFilePath(const SaveFileQuestion& question);
