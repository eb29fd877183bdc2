// The event queue between the window layer and the event loop. The platform raises events
// (RaiseEvent in platform/event_loop.h) while it handles window messages; the loop takes them one
// at a time with WaitEvent. Kinds are the EventKind values of platform/event_loop.h.
#pragma once

// Takes the oldest waiting event and gives its kind; with none waiting, handles at most one
// platform message (waiting up to timeout milliseconds for one) and gives its number, or 0 when
// none came. The events raised by that message are given by the calls that follow.
int WaitEvent(int timeoutMilliseconds);

// WaitEvent that never waits.
int PollEvent();

// Handles every pending platform message and takes every event, then returns: the window
// repaints and reacts, but no handler runs. Stop, the close request and the menu commands are
// kept for the loop (ReleaseKeptEvents), as are the graph window's close request and new size;
// every other event is discarded, since a second upload or start the user did not see coming
// could do harm.
void DrainEvents();
// One step of the drain, for a wait that keeps the window alive: takes one waiting event, or
// handles at most one pending platform message, without waiting, and keeps or discards it as the
// drain does. Gives what PollEvent gave; the event's window and object are the current event's.
int DrainOneEvent();

// Takes back a kept event, once: a handler that acts on it itself (the tick wait on Stop, the
// automatic trim on Stop and the close request) says so, and the loop then does not act again.
bool TakeKeptEvent(int kind, int object);
// Puts the kept events back at the head of the queue, in the order they came: the loop calls it
// after each handler, so that what the user asked for meanwhile is carried out next.
void ReleaseKeptEvents();

// The window and object of the event that WaitEvent last took.
int CurrentEventWindow();
int CurrentEventObject();

// Removes the waiting events of a window that is being closed.
void RemoveWindowEvents(int window);

// While one of these is alive the program itself is changing a control: nothing it raises is
// queued, since only the user's actions are events.
struct ProgramChange {
    ProgramChange();
    ~ProgramChange();
    ProgramChange(const ProgramChange&) = delete;
    ProgramChange& operator=(const ProgramChange&) = delete;
};

// What the session's end (the user logging off, the system shutting down) calls at once, in
// place of an event: the process may end as soon as it returns.
void SetSessionEndHandler(void (*handler)());

// The number of events waiting (for tests).
int WaitingEventCount();
// Empties the queue and forgets the current event (at start-up, and between tests).
void ResetEventQueue();
