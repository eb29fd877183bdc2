// The program's Save As dialog (the system's GetSaveFileNameW dialog), answered as the user does.
#pragma once

#include <windows.h>

#include <string>

#include "json_text.h"

// {"title", "fileName", "ownedByWindow"} of the dialog, waited for.
JsonValue SaveDialogReport(HWND mainWindow);

// Types the path into the dialog's file name field and presses Save; waits until the dialog is
// gone. With `replacing`, the dialog must first ask whether to replace the file: the question is
// answered Yes and reported as {"question"}; without it, such a question is a failure.
JsonValue SaveDialogSave(HWND mainWindow, const std::wstring& path, bool replacing);

// Presses Cancel and waits until the dialog is gone.
JsonValue SaveDialogCancel(HWND mainWindow);
