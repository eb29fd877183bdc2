#include "app/events.h"

#include "app/lifecycle.h"
#include "platform/platform.h"

#include <algorithm>
#include <deque>
#include <utility>
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
    // Kind and object of each event a drain discarded, each once; a handful at most.
    std::vector<std::pair<int, int>> discarded;
};

EventQueue Queue;

bool IsSizeEventOf(const Event& event, int window) {
    return event.kind == EventSize && event.window == window;
}

} // namespace

void RaiseEvent(int kind, int window, int object, int detail) {
    // Nothing may wait in the queue for this one: the process may end as soon as it returns.
    if (kind == EventSessionEnd) {
        OnSessionEnd();
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
    const std::pair<int, int> taken{event, Queue.current.object};
    if (event >= EventControl &&
        std::find(Queue.discarded.begin(), Queue.discarded.end(), taken) == Queue.discarded.end())
        Queue.discarded.push_back(taken);
    return event;
}

bool DrainDiscarded(int kind, int object) {
    const std::pair<int, int> wanted{kind, object};
    return std::find(Queue.discarded.begin(), Queue.discarded.end(), wanted) !=
           Queue.discarded.end();
}

void ForgetDiscardedEvents() {
    Queue.discarded.clear();
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
