#include "window/log_view.h"

#include "app_fixture.h"
#include "platform/log_control.h"
#include "platform/window.h"
#include "window/control_ids.h"

#include <vector>

namespace {

class LogViewTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        OpenMainWindow(L"Tockmeter!", 200, 200, 468, 287);
        CreateLogView(10, 35, 448, 242);
    }

    static std::vector<std::wstring> Lines() {
        std::vector<std::wstring> lines;
        for (int line = 0; line < LogLineCount(); ++line)
            lines.push_back(LogLineText(line));
        return lines;
    }

    static const SimControl& Log() { return *SimFindControl(LogViewId); }
};

TEST_F(LogViewTest, AppendedTextsBecomeLines) {
    const struct {
        std::vector<std::wstring> appended;
        std::vector<std::wstring> lines;
    } cases[] = {
        {{}, {}},
        {{L"Time check started."}, {L"Time check started."}},
        {{L""}, {L""}},
        {{L"", L"Time check started."}, {L"", L"Time check started."}},
        {{L"", L""}, {L"", L""}},
        {{L"a", L""}, {L"a", L""}},
        {{L"a\r\n", L"b"}, {L"a", L"", L"b"}},
        {{L"a", L"b\nc", L"d\re"}, {L"a", L"b", L"c", L"d", L"e"}},
        {{L"> \r\n> "}, {L"> ", L"> "}},
    };
    for (const auto& c : cases) {
        SetUp();
        for (const std::wstring& text : c.appended)
            AppendLogLine(text);
        EXPECT_EQ(Lines(), c.lines) << "after " << c.appended.size() << " appends";
    }
}

TEST_F(LogViewTest, ALineThatDoesNotExistIsEmpty) {
    AppendLogLine(L"one");
    AppendLogLine(L"two");
    EXPECT_EQ(LogLineText(2), L"");
    EXPECT_EQ(LogLineText(-5), L"");
    EXPECT_EQ(LogLineText(1), L"two");
}

TEST_F(LogViewTest, AppendsRaiseNoEventsAndCanBeUndone) {
    AppendLogLine(L"one");
    AppendLogLine(L"two");
    EXPECT_EQ(WaitingEventCount(), 0);
    // "one", then a line break and "two": each insertion can be undone.
    EXPECT_EQ(Log().undoableEdits, 3);
    EXPECT_FALSE(Log().selectionHidden);
}

TEST_F(LogViewTest, ScrollToNewestClearsTheSelectionAndKeepsTheCaretAtTheEnd) {
    AppendLogLine(L"first");
    EditExSetSelection(LogViewId, 0, 3); // the user selects part of the first line
    AppendLogLine(L"second");
    ScrollToNewest();
    const int end = EditTextLength(LogViewId);
    EXPECT_EQ(Log().selectionStart, end);
    EXPECT_EQ(Log().selectionEnd, end);
}

TEST_F(LogViewTest, SelectLogLineSelectsTheLineAndItsBreak) {
    AppendLogLine(L"first");
    AppendLogLine(L"second");
    SelectLogLine(0);
    EXPECT_EQ(Log().selectionStart, 0);
    EXPECT_EQ(Log().selectionEnd, 6);
}

TEST_F(LogViewTest, TextTheUserTypedCountsAndTheNextAppendStartsAfterIt) {
    AppendLogLine(L"program line");
    SimScheduleTypeIntoLog(0, LogViewId, L"\rnote");
    ScrollToNewest(); // the drain takes the typing and discards its event
    EXPECT_EQ(LogLineCount(), 2);
    AppendLogLine(L"next");
    const std::vector<std::wstring> expected = {L"program line", L"note", L"next"};
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(WaitingEventCount(), 0);
}

} // namespace
