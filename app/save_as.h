// Save As: a text of the program's written to a file the user names in the system's dialog.
#pragma once

#include <string>

// What is saved, as the dialog and a failure message name it.
struct SaveAsKind {
    const wchar_t* title;      // the dialog's title, e.g. "Save Log As"
    const wchar_t* typeName;   // e.g. "Text files"
    const wchar_t* extension;  // e.g. "txt"
    const wchar_t* what;       // e.g. "The log"
    const wchar_t* stillThere; // what the user still has when the save fails
};

// Asks where to save: the dialog opens in this session's latest folder (at first the program's
// own) and proposes "Tockmeter" with the date and time to the minute. The path chosen, or an
// empty text when the user cancelled.
std::wstring AskWhereToSave(const SaveAsKind& kind);

// Saves the bytes at the path, replacing a file of that name only with the complete new one;
// a save that fails says why in a message box. True when saved.
bool SaveBytesAt(const SaveAsKind& kind, const std::wstring& path, const std::string& bytes);
