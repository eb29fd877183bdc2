#include "app/lifecycle.h"

#include "app_fixture.h"
#include "window/control_ids.h"

#include <string>

namespace {

const std::wstring SettingsPath = L"C:\\Tockmeter\\Tockmeter.inf";

class LifecycleTest : public AppTest {
protected:
    static std::string SavedFile() {
        std::string bytes;
        EXPECT_TRUE(SimGetFile(SettingsPath, bytes));
        return bytes;
    }

    static bool Saved(const std::string& line) {
        return SavedFile().find(line + "\r\n") != std::string::npos;
    }

    static const SimControl& Log() { return *SimFindControl(LogViewId); }
};

TEST_F(LifecycleTest, RunsUntilTheWindowIsClosedThenSavesAndCloses) {
    SimScheduleClose(3 * Seconds);
    EXPECT_EQ(RunTockmeter(), 0);
    EXPECT_FALSE(SimMainWindow().open);
    EXPECT_TRUE(SimWindowLayerReleased());
    EXPECT_TRUE(Saved("MainX = 200"));
    EXPECT_TRUE(Saved("MainH = 287"));
    EXPECT_EQ(App.QuitRequested, 1);
    // The close came at 3 s; the loop woke every 5 ms and noticed it at once; 50 ms pause at exit.
    EXPECT_EQ(SimNowNanoseconds(), 3 * Seconds + 50 * Milliseconds);
    EXPECT_TRUE(SimTimerResolutionRaised());
}

TEST_F(LifecycleTest, ListChoicesSetTheirSettings) {
    SimScheduleChooseListItem(1 * Seconds, SpeedListId, 6);     // 230400
    SimScheduleChooseListItem(1 * Seconds, ClockTrimListId, 0); // 32
    SimScheduleChooseListItem(2 * Seconds, IntervalListId, 0);  // 5
    SimScheduleAction(3 * Seconds, [] {
        EXPECT_EQ(App.SerialSpeed, L"230400");
        EXPECT_EQ(App.ClockTrim, L"32");
        EXPECT_EQ(App.TimeInterval, L"5");
        EXPECT_EQ(App.TimerPeriod, 4700);
    });
    SimScheduleClose(4 * Seconds);
    RunTockmeter();
    EXPECT_TRUE(Saved("uM SerialSpeed = 230400"));
    EXPECT_TRUE(Saved("CLOCKTRIM = 32"));
    EXPECT_TRUE(Saved("Time interval = 5"));
    EXPECT_EQ(SimPendingActions(), 0);
}

TEST_F(LifecycleTest, AChoiceTakenByTheStartUpDrainShowsButDoesNotSet) {
    SimScheduleChooseListItem(0, IntervalListId, 0);
    SimScheduleClose(1 * Seconds);
    RunTockmeter();
    EXPECT_EQ(SimFindControl(IntervalListId)->selected, 0);
    EXPECT_TRUE(Saved("Time interval = 10"));
}

TEST_F(LifecycleTest, TheLogFollowsTheWindowSize) {
    const struct {
        int width, height;
        int logWidth, logHeight;
    } cases[] = {{600, 400, 580, 355}, {20, 45, 0, 0}, {21, 46, 1, 1}, {5, 5, 0, 0}};
    for (const auto& c : cases) {
        SetUp();
        SimScheduleResize(1 * Seconds, c.width, c.height);
        SimScheduleClose(2 * Seconds);
        RunTockmeter();
        EXPECT_EQ(Log().left, 10);
        EXPECT_EQ(Log().top, 35);
        EXPECT_EQ(Log().width, c.logWidth) << c.width << " x " << c.height;
        EXPECT_EQ(Log().height, c.logHeight) << c.width << " x " << c.height;
        EXPECT_TRUE(Saved("MainW = " + std::to_string(c.width)));
    }
}

TEST_F(LifecycleTest, MinimizingLeavesTheLogAndMaximizingResizesIt) {
    SimScheduleMinimize(1 * Seconds);
    SimScheduleAction(2 * Seconds, [] {
        EXPECT_EQ(SimFindControl(LogViewId)->width, 448);
        EXPECT_EQ(SimFindControl(LogViewId)->height, 242);
    });
    SimScheduleRestore(3 * Seconds);
    SimScheduleMaximize(4 * Seconds, 1280, 990);
    SimScheduleClose(5 * Seconds);
    RunTockmeter();
    EXPECT_EQ(Log().width, 1260);
    EXPECT_EQ(Log().height, 945);
}

// At log-off the system may end the program without a close: the settings of the session are
// saved as the session end reaches the window, also while a handler waits on a message box.
TEST_F(LifecycleTest, TheSessionEndSavesTheSettingsAtOnce) {
    const struct {
        const char* when;
        bool handlerWaiting;
    } cases[] = {{"idle", false}, {"while Start shows that the port is missing", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        SetUp();
        SimAddComDevice(L"COM7"); // the port scan finds a port and says nothing
        SimPutFile(SettingsPath, "[micromite]\r\nuM comport = com9\r\n");
        SimSetMessageBoxReadingTime(60 * Seconds);
        SimScheduleMove(1 * Seconds, 321, 123);
        SimScheduleChooseListItem(1 * Seconds, IntervalListId, 4);
        if (c.handlerWaiting)
            SimSchedulePressButton(2 * Seconds, StartButtonId);
        SimScheduleSessionEnd(10 * Seconds);
        std::string atSessionEnd;
        SimScheduleAction(10 * Seconds + 1, [&] { SimGetFile(SettingsPath, atSessionEnd); });
        SimScheduleClose(100 * Seconds);
        RunTockmeter();
        EXPECT_EQ(SimMessageBoxes().size(), c.handlerWaiting ? 1u : 0u);
        EXPECT_NE(atSessionEnd.find("MainX = 321\r\n"), std::string::npos) << atSessionEnd;
        EXPECT_NE(atSessionEnd.find("Time interval = 60\r\n"), std::string::npos);
        EXPECT_NE(atSessionEnd.find("uM comport = com9\r\n"), std::string::npos);
    }
}

TEST_F(LifecycleTest, AWindowClosedWhileMinimizedStoresItsRestoredPlaceAndSize) {
    SimScheduleMove(1 * Seconds, 321, 123);
    SimScheduleResize(1 * Seconds, 640, 480);
    SimScheduleMinimize(2 * Seconds);
    SimScheduleClose(3 * Seconds);
    RunTockmeter();
    EXPECT_TRUE(Saved("MainX = 321"));
    EXPECT_TRUE(Saved("MainY = 123"));
    EXPECT_TRUE(Saved("MainW = 640"));
    EXPECT_TRUE(Saved("MainH = 480"));
}

TEST_F(LifecycleTest, TheWindowOpensWhereItWasClosed) {
    SimScheduleMove(1 * Seconds, 40, 60);
    SimScheduleClose(2 * Seconds);
    RunTockmeter();
    const std::string saved = SavedFile();

    SetUp();
    SimPutFile(SettingsPath, saved);
    SimScheduleAction(1 * Seconds, [] {
        EXPECT_EQ(SimMainWindow().frame.left, 40);
        EXPECT_EQ(SimMainWindow().frame.top, 60);
    });
    SimScheduleClose(2 * Seconds);
    RunTockmeter();
    EXPECT_EQ(SavedFile(), saved);
}

} // namespace
