// The window layer's events, how the event loop takes the platform's messages, and the main
// window's timers. A part of the seam to the operating system (platform/platform.h);
// platform/window.h says what a call does without the window.
#pragma once

#include <cstdint>

// What the program's controls and window report. The values lie above every window message
// number, so that a kind and a message number never mean the same thing.
enum EventKind : int {
    EventControl = 0x10001, // a control reported a user action; object: the control's identifier
    EventTimer,             // a window timer expired; object: the timer's identifier
    EventSize,              // the window got a new inner size (not when minimized)
    EventClose,             // the user asked to close the window; it stays open
    EventActivate,          // the window was activated or deactivated
    EventMove,              // the window was moved
    EventMinimize,
    EventMaximize,
    EventRestore,
    EventRepaint, // the window's background was repainted
    EventClick,   // the user clicked on the window's own surface
    EventCommand, // the user chose a menu command (AddMenuCommand); object: its identifier
    // The session ends (log-off, shutdown): the process may be ended as soon as RaiseEvent
    // returns, without a close event, so what must outlive it is done inside RaiseEvent.
    EventSessionEnd,
};

// Implemented above the seam: the platform calls it from inside TakePlatformMessage (or inside
// any platform loop, such as an open message box) for each event that its window and controls
// raise. Detail is what a control reported (its notification code), else 0.
void RaiseEvent(int kind, int window, int object, int detail);

// Takes one pending platform message without waiting; when there is none and timeout is above
// 0, waits up to timeout milliseconds for one to be pending (input, posted and sent messages,
// timers, painting, hot keys) and takes it. Offers it to the window's keyboard shortcuts (Tab
// and Shift+Tab move the focus), else translates and dispatches it; the handling raises events.
// Returns the message's number, or 0 when no message was taken.
unsigned TakePlatformMessage(int timeoutMilliseconds);

// Window timers of the main window. Arming an armed identifier restarts it with the new period;
// disarming one that is not armed does nothing. Expiries that pass while no message is taken
// give a single timer event.
void ArmWindowTimer(int timerId, std::uint32_t periodMilliseconds);
void DisarmWindowTimer(int timerId);
