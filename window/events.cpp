#include "window/events.h"

#include "platform/event_loop.h"
#include "window/control_ids.h"

#include <algorithm>
#include <deque>
#include <vector>

namespace {

struct Event {
    int kind = 0;
    int window = 0;
    int object = 0;
    int detail = 0;

    bool operator==(const Event& other) const {
        return kind == other.kind && window == other.window && object == other.object &&
               detail == other.detail;
    }
};

struct EventQueue {
    std::deque<Event> waiting;
    Event current;
    int programChanges = 0; // nesting depth of ProgramChange
    // The events a drain kept for the loop, each once, oldest first; a handful at most.
    std::vector<Event> kept;
};

EventQueue Queue;
// The program's own answer to the session's end; none until it sets one.
void (*SessionEndHandler)() = nullptr;

bool IsSizeEventOf(const Event& event, int window) {
    return event.kind == EventSize && event.window == window;
}

// What a drain keeps: the requests whose repeat does no harm and whose loss the user would not
// see (Stop, closing, the menu commands). A button that starts something is not kept.
bool KeptByDrain(const Event& event) {
    // The graph window's close request, and its new size, which it is redrawn at.
    if (event.window == GraphWindowNumber)
        return event.kind == EventClose || event.kind == EventSize;
    if (event.window != MainWindowNumber)
        return false;
    return event.kind == EventClose || event.kind == EventCommand ||
           (event.kind == EventControl && event.object == StopButtonId);
}

bool SameRequest(const Event& a, const Event& b) {
    return a.kind == b.kind && a.window == b.window && a.object == b.object;
}

} // namespace

void SetSessionEndHandler(void (*handler)()) {
    SessionEndHandler = handler;
}

void RaiseEvent(int kind, int window, int object, int detail) {
    // Nothing may wait in the queue for this one: the process may end as soon as it returns.
    if (kind == EventSessionEnd) {
        if (SessionEndHandler)
            SessionEndHandler();
        return;
    }
    if (Queue.programChanges > 0)
        return;
    const Event event{kind, window, object, detail};
    std::deque<Event>& waiting = Queue.waiting;
    if (!waiting.empty() && waiting.back() == event)
        return;
    // At most one size event waits, with the latest size; the one that follows a maximize is
    // added beside the older ones.
    const bool followsMaximize =
        !waiting.empty() && waiting.back().kind == EventMaximize && waiting.back().window == window;
    if (kind == EventSize && !followsMaximize) {
        waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                     [&](const Event& e) { return IsSizeEventOf(e, window); }),
                      waiting.end());
    }
    waiting.push_back(event);
}

int WaitEvent(int timeoutMilliseconds) {
    if (!Queue.waiting.empty()) {
        Queue.current = Queue.waiting.front();
        Queue.waiting.pop_front();
        return Queue.current.kind;
    }
    return static_cast<int>(TakePlatformMessage(timeoutMilliseconds));
}

int PollEvent() {
    return WaitEvent(0);
}

void DrainEvents() {
    while (DrainOneEvent() != 0) {
    }
}

int DrainOneEvent() {
    const int event = PollEvent();
    // A message handled gives its number; only an event taken from the queue is the current one.
    if (event < EventControl)
        return event;
    const Event& taken = Queue.current;
    if (KeptByDrain(taken) && std::none_of(Queue.kept.begin(), Queue.kept.end(),
                                           [&](const Event& e) { return SameRequest(e, taken); }))
        Queue.kept.push_back(taken);
    return event;
}

bool TakeKeptEvent(int kind, int object) {
    const auto found = std::find_if(Queue.kept.begin(), Queue.kept.end(), [&](const Event& e) {
        return e.kind == kind && e.object == object;
    });
    if (found == Queue.kept.end())
        return false;
    Queue.kept.erase(found);
    return true;
}

void ReleaseKeptEvents() {
    Queue.waiting.insert(Queue.waiting.begin(), Queue.kept.begin(), Queue.kept.end());
    Queue.kept.clear();
}

int CurrentEventWindow() {
    return Queue.current.window;
}

int CurrentEventObject() {
    return Queue.current.object;
}

void RemoveWindowEvents(int window) {
    std::deque<Event>& waiting = Queue.waiting;
    waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                 [&](const Event& e) { return e.window == window; }),
                  waiting.end());
}

ProgramChange::ProgramChange() {
    ++Queue.programChanges;
}

ProgramChange::~ProgramChange() {
    --Queue.programChanges;
}

int WaitingEventCount() {
    return static_cast<int>(Queue.waiting.size());
}

void ResetEventQueue() {
    Queue = EventQueue{};
}
