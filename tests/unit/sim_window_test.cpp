// The simulated window's own rules that every test of the program leans on: the log control's
// lines, the merging of timer expiries, the waits of TakePlatformMessage and the message box.
#include "app_fixture.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/log_control.h"
#include "platform/window.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int LogId = 1;
constexpr int TimerId = 34;
constexpr unsigned TimerMessage = 0x0113;
constexpr unsigned ActionMessage = 0x0400;

class SimWindowTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        OpenMainWindow(L"Tockmeter!", 200, 200, 468, 287);
        CreateLogControl(LogId, 10, 35, 448, 242);
    }

    static std::vector<std::pair<int, int>> TakeAllEvents() {
        std::vector<std::pair<int, int>> taken;
        while (WaitingEventCount() > 0) {
            const int kind = WaitEvent(0);
            taken.emplace_back(kind, CurrentEventObject());
        }
        return taken;
    }
};

TEST_F(SimWindowTest, LogLinesEndInOneCrWhateverBreakWasInserted) {
    const struct {
        const wchar_t* inserted;
        const wchar_t* held;
        std::vector<std::wstring> lines; // as EditGetLine gives them
    } cases[] = {
        {L"", L"", {L""}},
        {L"one", L"one", {L"one"}},
        {L"a\nb", L"a\rb", {L"a\r", L"b"}},
        {L"a\r\nb\rc", L"a\rb\rc", {L"a\r", L"b\r", L"c"}},
        {L"ends\r\n", L"ends\r", {L"ends\r", L""}},
        {L"\n\r\n\r", L"\r\r\r", {L"\r", L"\r", L"\r", L""}},
        {L"a\n\nb", L"a\r\rb", {L"a\r", L"\r", L"b"}},
    };
    for (const auto& c : cases) {
        SetUp();
        EditReplaceSelection(LogId, c.inserted, true);
        SCOPED_TRACE(testing::Message() << "inserted " << testing::PrintToString(c.inserted));
        const std::wstring held = c.held;
        EXPECT_EQ(SimFindControl(LogId)->text, held);
        EXPECT_EQ(EditTextLength(LogId), static_cast<int>(held.size()));
        const int count = static_cast<int>(c.lines.size());
        EXPECT_EQ(EditLineCount(LogId), count);
        int start = 0;
        int lastLength = 0;
        for (int n = 0; n < count; ++n) {
            const std::wstring& line = c.lines[static_cast<std::size_t>(n)];
            lastLength =
                static_cast<int>(line.size()) - (line.empty() || line.back() != L'\r' ? 0 : 1);
            EXPECT_EQ(EditLineIndex(LogId, n), start) << "line " << n;
            EXPECT_EQ(EditLineLength(LogId, start), lastLength) << "line " << n;
            EXPECT_EQ(EditGetLine(LogId, n, 100), line) << "line " << n;
            start += static_cast<int>(line.size());
        }
        // The caret stands after the insertion, in the last line.
        EXPECT_EQ(EditLineIndex(LogId, -1), start - lastLength);
        EXPECT_EQ(EditLineLength(LogId, -1), lastLength);
        // Beyond the text: no such line, but a character index falls in the last line.
        EXPECT_EQ(EditLineIndex(LogId, count), -1);
        EXPECT_EQ(EditGetLine(LogId, count, 100), L"");
        EXPECT_EQ(EditGetLine(LogId, -2, 100), L"");
        EXPECT_EQ(EditLineLength(LogId, start + 5), lastLength);
    }
}

TEST_F(SimWindowTest, GetLineIsCutToTheCapacity) {
    EditReplaceSelection(LogId, L"abc\ndef", true);
    EXPECT_EQ(EditGetLine(LogId, 0, 4), L"abc\r");
    EXPECT_EQ(EditGetLine(LogId, 0, 3), L"abc");
    EXPECT_EQ(EditGetLine(LogId, 1, 2), L"de");
    EXPECT_EQ(EditGetLine(LogId, 1, 0), L"");
}

TEST_F(SimWindowTest, SelectionRangesAndReplacement) {
    const struct {
        int start, end;
        int selectionStart, selectionEnd;
        const wchar_t* afterReplacing; // the selection by "X\nY"
    } cases[] = {
        {1, 3, 1, 3, L"aX\rY\ref"},    {0, -1, 0, 6, L"X\rY"},
        {-1, 0, 2, 2, L"abX\rYc\ref"}, // no selection, the caret where it was
        {4, 99, 4, 6, L"abc\rX\rY"},   {-5, 2, 0, 2, L"X\rYc\ref"},
    };
    for (const auto& c : cases) {
        SetUp();
        EditReplaceSelection(LogId, L"abc\nef", false);
        EditSetSelection(LogId, 2, 2);
        EditExSetSelection(LogId, c.start, c.end);
        const SimControl& log = *SimFindControl(LogId);
        EXPECT_EQ(log.selectionStart, c.selectionStart) << c.start << ", " << c.end;
        EXPECT_EQ(log.selectionEnd, c.selectionEnd) << c.start << ", " << c.end;
        EditReplaceSelection(LogId, L"X\nY", true);
        EXPECT_EQ(log.text, c.afterReplacing) << c.start << ", " << c.end;
        EXPECT_EQ(log.selectionStart, log.selectionEnd);
        EXPECT_EQ(log.selectionEnd, std::min(c.selectionStart, c.selectionEnd) + 3);
        // Only the replacement asked to be undoable is in the undo history.
        EXPECT_EQ(log.undoableEdits, 1);
    }
}

TEST_F(SimWindowTest, ExpiriesPassedWithoutATakeGiveOneEvent) {
    ArmWindowTimer(TimerId, 10);
    SimAdvanceNanoseconds(35 * Milliseconds);
    EXPECT_EQ(TakePlatformMessage(0), TimerMessage);
    EXPECT_EQ(TakePlatformMessage(0), 0u); // the expiries at 10, 20 and 30 ms were one
    EXPECT_EQ(TakeAllEvents(), (std::vector<std::pair<int, int>>{{EventTimer, TimerId}}));
    // The timer keeps its beat: next at 40 ms, not 35 + 10.
    EXPECT_EQ(TakePlatformMessage(100), TimerMessage);
    EXPECT_EQ(SimNowNanoseconds(), 40 * Milliseconds);
}

TEST_F(SimWindowTest, TimerPeriodsAreKeptWithinSetTimersLimits) {
    const struct {
        std::uint32_t asked, kept;
    } cases[] = {{0, 10}, {9, 10}, {10, 10}, {9700, 9700}, {0xFFFFFFFF, 0x7FFFFFFF}};
    for (const auto& c : cases) {
        ArmWindowTimer(TimerId, c.asked);
        EXPECT_EQ(SimMainWindow().armedTimers.at(TimerId), c.kept) << c.asked;
    }
}

TEST_F(SimWindowTest, AWaitJumpsToWhatFallsDueWithinItAndNeverPast) {
    const auto actionAt = [](std::int64_t at) { return [at] { SimScheduleAction(at, [] {}); }; };
    const struct {
        const char* name;
        std::function<void()> setUp;
        int timeout;
        unsigned message;
        std::int64_t now;
    } cases[] = {
        {"nothing, no wait", [] {}, 0, 0, 0},
        {"nothing, negative wait", [] {}, -3, 0, 0},
        {"nothing", [] {}, 5, 0, 5 * Milliseconds},
        {"action within", actionAt(3 * Milliseconds), 5, ActionMessage, 3 * Milliseconds},
        {"action at the end", actionAt(5 * Milliseconds), 5, ActionMessage, 5 * Milliseconds},
        {"action after", actionAt(7 * Milliseconds), 5, 0, 5 * Milliseconds},
        {"timer within", [] { ArmWindowTimer(TimerId, 10); }, 20, TimerMessage, 10 * Milliseconds},
        {"action before a timer due with it",
         [] {
             ArmWindowTimer(TimerId, 10);
             SimScheduleAction(10 * Milliseconds, [] {});
         },
         20, ActionMessage, 10 * Milliseconds},
        {"action dropped, the wait goes on",
         [] {
             CloseMainWindow();
             SimSchedulePressButton(2 * Milliseconds, 25);
         },
         5, 0, 5 * Milliseconds},
    };
    for (const auto& c : cases) {
        SetUp();
        c.setUp();
        EXPECT_EQ(TakePlatformMessage(c.timeout), c.message) << c.name;
        EXPECT_EQ(SimNowNanoseconds(), c.now) << c.name;
    }
}

TEST_F(SimWindowTest, WhileAMessageBoxIsReadDueTimersAndActionsRaiseTheirEvents) {
    ArmWindowTimer(TimerId, 10);
    SimScheduleClose(12 * Milliseconds);
    SimScheduleAction(15 * Milliseconds, [] { CloseMainWindow(); }); // its timer ends with it
    SimSetMessageBoxReadingTime(25 * Milliseconds);
    SimAdvanceNanoseconds(1 * Milliseconds);
    ShowMessageBox(L"OOPS!", L"text");
    ASSERT_EQ(SimMessageBoxes().size(), 1u);
    EXPECT_EQ(SimMessageBoxes()[0].shownAtNanoseconds, 1 * Milliseconds);
    EXPECT_EQ(SimNowNanoseconds(), 26 * Milliseconds);
    EXPECT_FALSE(SimMainWindow().open);
    EXPECT_EQ(SimPendingActions(), 0);
    EXPECT_EQ(TakeAllEvents(),
              (std::vector<std::pair<int, int>>{{EventTimer, TimerId}, {EventClose, 0}}));
}

} // namespace
