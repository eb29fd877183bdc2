// What the line and the device can do wrong during an upload and a timing run: unplugged, a
// flood of bytes, framing errors. The program always ends what it was doing with a defined
// outcome, and the window still closes and saves its settings.
#include "app/lifecycle.h"
#include "calibration/late_wake.h"
#include "calibration/measured_run.h"
#include "timing_fixture.h"
#include "window/control_ids.h"

#include <algorithm>

namespace {

using LineFaultTest = MicromiteRunTest;

const std::wstring PortGoneLine =
    L"No tick line came from the Micromite: its port no longer answers.";

bool Logged(const std::wstring& line) {
    const std::vector<std::wstring> log = LogLines();
    return std::find(log.begin(), log.end(), line) != log.end();
}

TEST_F(LineFaultTest, UnpluggedDuringAnUploadAbandonsIt) {
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimScheduleComUnplug(L"COM7", UploadAt + 2 * Seconds);
    bool endedEarly = false;
    SimScheduleAction(UploadAt + 4 * Seconds, [&] { endedEarly = SimOpenComCount() == 0; });
    SimScheduleClose(UploadAt + 20 * Seconds);
    EXPECT_EQ(RunTockmeter(), 0);

    EXPECT_TRUE(endedEarly);
    EXPECT_EQ(LastLogLine(), L"Upload abandoned: the Micromite's port no longer answers.");
    EXPECT_FALSE(Logged(L"Program uM completed"));
    EXPECT_EQ(App.UploadedInterval, 0);
    EXPECT_TRUE(SimFileExists(SettingsPath));
}

// Unplugged while the program polls for a line, and while it waits for the timer between two
// lines: each time the run ends at once, as Stop ends it.
TEST_F(LineFaultTest, UnpluggedDuringARunEndsItAtOnce) {
    const struct {
        const char* when;
        std::int64_t unplugAfterStart;
    } cases[] = {
        {"waiting for the first line", 900 * Milliseconds},
        {"waiting for a later line", 20 * Seconds + 990 * Milliseconds},
        {"between two lines", 25 * Seconds},
    };
    for (const auto& c : cases) {
        SetUp();
        SimSchedulePressButton(UploadAt, UploadButtonId);
        SimSchedulePressButton(StartAt, StartButtonId);
        const std::int64_t unplugAt = StartAt + c.unplugAfterStart;
        SimScheduleComUnplug(L"COM7", unplugAt);
        bool endedSoon = false;
        SimScheduleAction(unplugAt + 11 * Seconds,
                          [&] { endedSoon = App.RunActive == 0 && SimOpenComCount() == 0; });
        SimScheduleClose(unplugAt + 20 * Seconds);
        EXPECT_EQ(RunTockmeter(), 0) << c.when;

        EXPECT_TRUE(endedSoon) << c.when;
        const std::vector<std::wstring> log = RunLogLines();
        ASSERT_GE(log.size(), 2u) << c.when;
        EXPECT_EQ(log[log.size() - 2], PortGoneLine) << c.when;
        EXPECT_EQ(log.back(), L"Time check stopped.") << c.when;
        EXPECT_TRUE(SimFileExists(SettingsPath)) << c.when;
    }
}

// A megabyte of bytes at the line's full speed, zero bytes among them.
void Flood(std::int64_t fromNanoseconds) {
    constexpr int BytesPerPiece = 96;
    constexpr std::int64_t PieceNanoseconds = BytesPerPiece * 10 * Seconds / 38400;
    std::string piece;
    for (int i = 0; i < BytesPerPiece; ++i)
        piece += i % 7 == 0 ? '\0' : static_cast<char>('!' + i % 90);
    for (int i = 0; i < (1 << 20) / BytesPerPiece; ++i)
        SimQueueComInput(L"COM7", fromNanoseconds + i * PieceNanoseconds, piece);
}

TEST_F(LineFaultTest, AFloodDuringAnUploadOnlyFillsTheLogWithWhatWasRead) {
    SimSchedulePressButton(UploadAt, UploadButtonId);
    Flood(UploadAt);
    SimScheduleClose(UploadAt + 20 * Seconds);
    RunTockmeter();
    EXPECT_EQ(LastLogLine(), L"Program uM completed");
    // Each of the 15 logged replies is at most one receive buffer.
    EXPECT_LT(SimFindControl(LogViewId)->text.size(), 15 * 5000u + 1000u);
    EXPECT_EQ(micromite->trim, 0);
}

// The flood's bytes mix with the tick lines on the line. A tick line whose counter came through
// is stamped as if the flood were not there; one the flood broke is said once as not a tick line
// and counted as lost by the next counter. The flood itself never ends a wait early.
TEST_F(LineFaultTest, AFloodDuringARunIsMeasuredThroughAndOnlyBrokenLinesAreLost) {
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    const std::int64_t floodAt = StartAt + 30 * Seconds;
    Flood(floodAt);
    const std::int64_t floodEnd = floodAt + (std::int64_t{1} << 20) * 10 * Seconds / 38400;
    SimScheduleClose(floodEnd + 400 * Seconds);
    RunTockmeter();

    const std::vector<std::int64_t> truth = TickTimesFrom(StartAt);
    ASSERT_EQ(SessionRuns().size(), 1u);
    const std::vector<TickStamp>& stamps = SessionRuns()[0].stamps;
    ASSERT_GE(stamps.size(), truth.size() - 5);
    for (const TickStamp& stamp : stamps) {
        ASSERT_LT(stamp.tick, static_cast<std::int64_t>(truth.size()));
        EXPECT_TRUE(stamp.trusted) << stamp.tick;
        EXPECT_NEAR(stamp.seconds, static_cast<double>(truth[stamp.tick]) / 1e9, 2e-6)
            << stamp.tick;
    }
    // Each line the flood broke is missing from the stamps and said in the log.
    std::vector<std::wstring> log = RunLogLines();
    const auto said = [&](const std::wstring& start) {
        return std::count_if(log.begin(), log.end(),
                             [&](const std::wstring& line) { return line.rfind(start, 0) == 0; });
    };
    const std::ptrdiff_t lost = static_cast<std::ptrdiff_t>(truth.size() - stamps.size());
    EXPECT_EQ(said(L"1 tick line lost: this interval spans 2 ticks."), lost);
    EXPECT_GE(said(L"Not a tick line: "), 1);
    EXPECT_LE(said(L"Not a tick line: "), 10);
    EXPECT_EQ(said(LateStampPrefix), 0);
    EXPECT_EQ(LastLogLine(), L"Time check stopped.");
    // Nothing else reaches the log: after the header, the tick lines and those lines.
    const auto header = std::find_if(log.begin(), log.end(), IsHeaderLine);
    EXPECT_EQ(log.end() - header, static_cast<std::ptrdiff_t>(TickLinesOfLastRun().size()) +
                                      said(L"Not a tick line: ") + lost +
                                      said(L"Lines in this run that were not tick lines: ") + 2);
}

TEST_F(LineFaultTest, FramingErrorsAreClearedAndNotReported) {
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    for (int second = 25; second < 60; second += 5)
        SimScheduleAction(StartAt + second * Seconds, [] { SimRaiseComLineError(L"COM7"); });
    SimScheduleClose(StartAt + 66 * Seconds);
    RunTockmeter();

    const std::vector<std::int64_t> truth = TickTimesFrom(StartAt);
    const std::vector<TickLine> logged = TickLinesOfLastRun();
    ASSERT_EQ(logged.size(), truth.size() - 1);
    EXPECT_NEAR(logged.back().average,
                static_cast<double>(truth.back() - truth.front()) / 1e9 / logged.size(), 2e-6);
    EXPECT_EQ(LastLogLine(), L"Time check stopped.");
}

// Flow control left on by an earlier program (DSR flow on an adapter that never raises DSR would
// let no byte out) is cleared when the link opens: the upload reaches the controller.
TEST_F(LineFaultTest, FlowControlLeftByAnotherProgramDoesNotHoldTheUploadBack) {
    SimComFlow leftOn;
    leftOn.dsrFlow = leftOn.dsrSensitivity = leftOn.xonXoff = true;
    leftOn.dtrHandshake = leftOn.abortOnError = true;
    SimScheduleAction(UploadAt - Milliseconds, [&] { SimSetComFlow(L"COM7", leftOn); });
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimScheduleClose(StartAt);
    RunTockmeter();

    EXPECT_NE(micromite->program.find("PRINT n"), std::string::npos);
    EXPECT_TRUE(Logged(L"Program uM completed"));
    const SimComFlow& flow = SimComDeviceRecord(L"COM7")->flow;
    EXPECT_FALSE(flow.dsrFlow || flow.dsrSensitivity || flow.xonXoff || flow.dtrHandshake ||
                 flow.abortOnError);
}

// A driver that reports more input than it holds: each read asks for bytes that never come,
// and must return with what is there instead of waiting for them.
TEST_F(LineFaultTest, ADriverThatOverstatesItsInputHoldsNoReadBack) {
    SimOverstateComInput(L"COM7", 3);
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimScheduleClose(StartAt);
    RunTockmeter();

    EXPECT_TRUE(Logged(L"Program uM completed"));
    const SimComRecord& record = *SimComDeviceRecord(L"COM7");
    EXPECT_GT(record.readsBeyondWaiting, 0);
    EXPECT_EQ(record.readsLeftWaiting, 0);
}

} // namespace
