// Finding Tockmeter's windows and talking to them from another process.
//
// Every wait and every message to the program is bounded, so that a hung program makes the
// driver fail instead of hanging with it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Milliseconds to wait for a window to appear or for a change to show (the --wait option).
extern DWORD WaitLimit;

// Milliseconds a program may take to answer one message before it counts as hung. The program
// answers only between its handlers, and a handler may block for seconds.
constexpr DWORD AnswerLimit = 30000;

// The driver's exit codes besides 0 (done).
enum ExitCode { BadCommandLine = 1, NotFound = 2, NoAnswer = 3 };

// Prints the reason on stderr and ends the driver with the given exit code.
[[noreturn]] void Fail(ExitCode code, const std::wstring& reason);

// Polls `done` every few milliseconds until it returns true or WaitLimit has passed; returns
// its last result.
template <typename Check> bool WaitUntil(Check done) {
    const ULONGLONG end = GetTickCount64() + WaitLimit;
    for (;;) {
        if (done())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(20);
    }
}

// The top-level window "Tockmeter!", waited for; fails with NotFound when it does not appear.
HWND MainWindow();

// The child of the main window with this dialog identifier; fails with NotFound without one.
HWND ControlOf(HWND mainWindow, int id);

// A visible top-level window of the main window's process with this class, for which `accept`
// (when given) returns true; waited for. nullptr when none appears.
HWND FindProgramWindow(HWND mainWindow, const std::wstring& className,
                       std::function<bool(HWND)> accept = nullptr);

// A visible message box (a top-level dialog of class "#32770") of the main window's process,
// waited for; nullptr when none appears.
HWND FindMessageBox(HWND mainWindow);

// Sends a message and returns the program's answer; fails with NoAnswer when the program's
// thread does not answer within AnswerLimit. Texts in the message are copied across the processes
// by the system for the standard messages (WM_GETTEXT, CB_GETLBTEXT).
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// The window's text as the window itself answers WM_GETTEXT (for an edit control: its content).
std::wstring TextOf(HWND window);

std::wstring ClassNameOf(HWND window);

// The window's rectangle relative to the client area of `parent`.
RECT RectInClient(HWND window, HWND parent);
