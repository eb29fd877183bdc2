#include "window/events.h"

#include "app_fixture.h"
#include "platform/event_loop.h"
#include "platform/window.h"

namespace {

using EventQueueTest = AppTest;

// Takes every waiting event and gives kind and object of each, oldest first.
std::vector<std::pair<int, int>> TakeAll() {
    std::vector<std::pair<int, int>> taken;
    while (WaitingEventCount() > 0) {
        const int kind = WaitEvent(0);
        taken.emplace_back(kind, CurrentEventObject());
    }
    return taken;
}

TEST_F(EventQueueTest, KeepsOrderAndDropsOnlyARepeatOfTheNewestEvent) {
    RaiseEvent(EventControl, 0, 5, 0);
    RaiseEvent(EventControl, 0, 5, 0); // the newest again: dropped
    RaiseEvent(EventControl, 0, 25, 0);
    RaiseEvent(EventControl, 0, 5, 0); // equal to an older one only: kept
    RaiseEvent(EventControl, 0, 5, 1); // another detail: kept
    RaiseEvent(EventTimer, 0, 34, 0);
    const std::vector<std::pair<int, int>> expected = {{EventControl, 5},
                                                       {EventControl, 25},
                                                       {EventControl, 5},
                                                       {EventControl, 5},
                                                       {EventTimer, 34}};
    EXPECT_EQ(TakeAll(), expected);
}

TEST_F(EventQueueTest, AtMostOneSizeEventWaitsExceptBesideAMaximize) {
    RaiseEvent(EventSize, 0, 0, 0);
    RaiseEvent(EventControl, 0, 18, 1);
    RaiseEvent(EventSize, 0, 0, 0);
    const std::vector<std::pair<int, int>> oneSize = {{EventControl, 18}, {EventSize, 0}};
    EXPECT_EQ(TakeAll(), oneSize);

    RaiseEvent(EventSize, 0, 0, 0);
    RaiseEvent(EventMaximize, 0, 0, 0);
    RaiseEvent(EventSize, 0, 0, 0);
    const std::vector<std::pair<int, int>> both = {
        {EventSize, 0}, {EventMaximize, 0}, {EventSize, 0}};
    EXPECT_EQ(TakeAll(), both);
}

TEST_F(EventQueueTest, NothingIsQueuedWhileTheProgramChangesAControl) {
    {
        ProgramChange change;
        RaiseEvent(EventControl, 0, 1, 0x300);
        { ProgramChange nested; }
        RaiseEvent(EventControl, 0, 1, 0x300);
    }
    EXPECT_EQ(WaitingEventCount(), 0);
    RaiseEvent(EventControl, 0, 1, 0x300);
    EXPECT_EQ(WaitingEventCount(), 1);
}

TEST_F(EventQueueTest, AClosedWindowsEventsAreRemoved) {
    RaiseEvent(EventControl, 0, 5, 0);
    RaiseEvent(EventControl, 1, 5, 0);
    RemoveWindowEvents(0);
    ASSERT_EQ(WaitingEventCount(), 1);
    WaitEvent(0);
    EXPECT_EQ(CurrentEventWindow(), 1);
}

TEST_F(EventQueueTest, WaitEventTakesQueuedEventsBeforeMessagesAndKeepsTheCurrentEvent) {
    OpenMainWindow(L"Tockmeter!", 200, 200, 468, 287);
    RaiseEvent(EventTimer, 0, 34, 0);
    EXPECT_EQ(WaitEvent(5), EventTimer);
    EXPECT_EQ(CurrentEventObject(), 34);
    EXPECT_EQ(SimNowNanoseconds(), 0); // taken from the queue without waiting

    // Nothing waiting and no message: the wait runs out, the current event stays as it was.
    EXPECT_EQ(WaitEvent(5), 0);
    EXPECT_EQ(SimNowNanoseconds(), 5 * Milliseconds);
    EXPECT_EQ(CurrentEventObject(), 34);

    // A message is handled and its number returned; the event it raised comes next.
    SimSchedulePressButton(7 * Milliseconds, 25);
    const int message = WaitEvent(5);
    EXPECT_NE(message, 0);
    EXPECT_LT(message, EventControl);
    EXPECT_EQ(WaitEvent(5), EventControl);
    EXPECT_EQ(CurrentEventObject(), 25);
}

TEST_F(EventQueueTest, DrainHandlesPendingMessagesAndDiscardsEveryEvent) {
    OpenMainWindow(L"Tockmeter!", 200, 200, 468, 287);
    RaiseEvent(EventControl, 0, 5, 0);
    SimSchedulePressButton(0, 26);
    SimScheduleClose(0);
    SimSchedulePressButton(1 * Milliseconds, 25); // not yet due: the drain does not wait
    DrainEvents();
    EXPECT_EQ(WaitingEventCount(), 0);
    EXPECT_EQ(SimPendingActions(), 1);
    EXPECT_EQ(SimNowNanoseconds(), 0);
}

} // namespace
