// The event queue between the window layer and the event loop. The platform raises events
// (RaiseEvent in platform/platform.h) while it handles window messages; the loop takes them one
// at a time with WaitEvent. Kinds are the EventKind values of platform/platform.h.
#pragma once

// Takes the oldest waiting event and gives its kind; with none waiting, handles at most one
// platform message (waiting up to timeout milliseconds for one) and gives its number, or 0 when
// none came. The events raised by that message are given by the calls that follow.
int WaitEvent(int timeoutMilliseconds);

// WaitEvent that never waits.
int PollEvent();

// Handles every pending platform message and discards every event, then returns: the window
// repaints and reacts, but no handler runs.
void DrainEvents();
// One step of the drain, for a wait that keeps the window alive: takes one waiting event, or
// handles at most one pending platform message, without waiting, and discards it as the drain
// does. Gives what PollEvent gave; the event's window and object are the current event's.
int DrainOneEvent();

// A drain discards every event, but keeps note of the kinds and objects it discarded, so that a
// task the program runs over many handlers (the automatic trim) can still honour a press of
// Stop or a close request that a drain took. Forgetting starts the note afresh.
bool DrainDiscarded(int kind, int object);
void ForgetDiscardedEvents();

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

// The number of events waiting (for tests).
int WaitingEventCount();
// Empties the queue and forgets the current event (at start-up, and between tests).
void ResetEventQueue();
