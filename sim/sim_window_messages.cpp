// What reaches the simulated window as platform messages: the expiries of its timers and the
// scripted user's actions, taken in virtual time by the event loop, its drains and message boxes.
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/event_loop.h"
#include "platform/log_control.h"
#include "platform/window.h"
#include "sim/sim_state.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::int64_t NanosecondsPerMillisecond = 1000000;
// SetTimer's limits (USER_TIMER_MINIMUM and USER_TIMER_MAXIMUM).
constexpr std::uint32_t ShortestTimerPeriod = 10;
constexpr std::uint32_t LongestTimerPeriod = 0x7FFFFFFF;

constexpr unsigned MessageMove = 0x0003;       // WM_MOVE
constexpr unsigned MessageSize = 0x0005;       // WM_SIZE
constexpr unsigned MessageClose = 0x0010;      // WM_CLOSE
constexpr unsigned MessageEndSession = 0x0016; // WM_ENDSESSION
constexpr unsigned MessageKeyDown = 0x0100;    // WM_KEYDOWN
constexpr unsigned MessageChar = 0x0102;       // WM_CHAR
constexpr unsigned MessageCommand = 0x0111;    // WM_COMMAND
constexpr unsigned MessageSysCommand = 0x0112; // WM_SYSCOMMAND
constexpr unsigned MessageTimer = 0x0113;      // WM_TIMER
constexpr unsigned MessageUser = 0x0400;       // WM_USER

constexpr int ListSelectionChange = 1; // CBN_SELCHANGE
constexpr int ButtonClicked = 0;       // BN_CLICKED

// Where Windows parks a minimized window, and the size it reports for it.
constexpr WindowRect MinimizedFrame{-32000, -32000, -32000 + 160, -32000 + 28};

SimDesktop& Desktop() {
    return Sim().desktop;
}

void Schedule(std::int64_t atNanoseconds, std::function<unsigned()> action) {
    Desktop().actions.emplace(atNanoseconds, std::move(action));
}

// The user acts only on an open window; an action that falls due while it is not is dropped.
void ScheduleOnWindow(std::int64_t atNanoseconds, std::function<unsigned(SimWindow&)> action) {
    Schedule(atNanoseconds, [action = std::move(action)]() -> unsigned {
        SimWindow& window = Desktop().window;
        return window.open ? action(window) : 0;
    });
}

// Dragging a border or the title bar leaves the window in its normal state with that frame.
void PlaceNormally(SimWindow& window, WindowRect frame) {
    window.show = SimWindow::Show::Normal;
    window.frame = window.normalFrame = frame;
    window.client = ClientSizeOfFrame({frame.right - frame.left, frame.bottom - frame.top});
}

struct Due {
    bool any = false;
    std::int64_t atNanoseconds = 0;
    bool isAction = false;
    int timerId = 0;
};

// The earliest timer expiry or scripted action; at an equal time the action goes first.
Due NextDue() {
    const SimDesktop& desktop = Desktop();
    Due next;
    if (!desktop.actions.empty())
        next = {true, desktop.actions.begin()->first, true, 0};
    for (const auto& timer : desktop.timerDueNanoseconds) {
        if (!next.any || timer.second < next.atNanoseconds)
            next = {true, timer.second, false, timer.first};
    }
    return next;
}

unsigned TakeExpiry(int timerId) {
    SimDesktop& desktop = Desktop();
    const std::int64_t period = desktop.window.armedTimers[timerId] * NanosecondsPerMillisecond;
    std::int64_t& due = desktop.timerDueNanoseconds[timerId];
    // Expiries that passed while no message was taken merge into this one.
    due += ((SimNowNanoseconds() - due) / period + 1) * period;
    RaiseEvent(EventTimer, 0, timerId, 0);
    return MessageTimer;
}

unsigned TakeAction() {
    // Out of the list before it runs: it may schedule, take messages or reset the world.
    auto node = Desktop().actions.extract(Desktop().actions.begin());
    return node.mapped()();
}

// Takes the earliest timer expiry or scripted action due by the deadline, moving virtual time on
// to it and passing over dropped actions. Gives its message number, or 0 when none was due.
unsigned TakeNextDueBy(std::int64_t deadline) {
    for (Due next = NextDue(); next.any && next.atNanoseconds <= deadline; next = NextDue()) {
        SimAdvanceNanoseconds(next.atNanoseconds - SimNowNanoseconds());
        const unsigned message = next.isAction ? TakeAction() : TakeExpiry(next.timerId);
        if (message != 0)
            return message;
    }
    return 0;
}

} // namespace

void ArmWindowTimer(int timerId, std::uint32_t periodMilliseconds) {
    SimDesktop& desktop = Desktop();
    if (!desktop.window.open)
        return;
    const std::uint32_t period =
        std::min(std::max(periodMilliseconds, ShortestTimerPeriod), LongestTimerPeriod);
    desktop.window.armedTimers[timerId] = period;
    desktop.timerDueNanoseconds[timerId] = SimNowNanoseconds() + period * NanosecondsPerMillisecond;
}

void DisarmWindowTimer(int timerId) {
    Desktop().window.armedTimers.erase(timerId);
    Desktop().timerDueNanoseconds.erase(timerId);
}

unsigned TakePlatformMessage(int timeoutMilliseconds) {
    const std::int64_t deadline =
        SimNowNanoseconds() + std::max(timeoutMilliseconds, 0) * NanosecondsPerMillisecond;
    const unsigned message = TakeNextDueBy(deadline);
    if (message == 0)
        SimAdvanceNanoseconds(deadline - SimNowNanoseconds());
    return message;
}

void ShowMessageBox(const std::wstring& title, const std::wstring& text) {
    SimDesktop& desktop = Desktop();
    desktop.messageBoxes.push_back({title, text, SimNowNanoseconds()});
    const std::int64_t closedAt = SimNowNanoseconds() + desktop.messageBoxReadingNanoseconds;
    // The box's own message loop handles whatever falls due while the user reads.
    while (TakeNextDueBy(closedAt) != 0) {
    }
    SimAdvanceNanoseconds(closedAt - SimNowNanoseconds());
}

std::wstring AskSaveFilePath(const SaveFileQuestion& question) {
    SimDesktop& desktop = Desktop();
    desktop.saveQuestions.push_back(question);
    return desktop.saveAnswer ? desktop.saveAnswer(question) : std::wstring();
}

const std::vector<SaveFileQuestion>& SimSaveQuestions() {
    return Desktop().saveQuestions;
}

void SimAnswerSaveDialogs(std::function<std::wstring(const SaveFileQuestion&)> answer) {
    Desktop().saveAnswer = std::move(answer);
}

const std::vector<SimMessageBox>& SimMessageBoxes() {
    return Desktop().messageBoxes;
}

void SimSetMessageBoxReadingTime(std::int64_t nanoseconds) {
    Desktop().messageBoxReadingNanoseconds = std::max<std::int64_t>(nanoseconds, 0);
}

void SimScheduleChooseListItem(std::int64_t atNanoseconds, int listId, int index) {
    ScheduleOnWindow(atNanoseconds, [=](SimWindow&) {
        ListSelectIndex(listId, index);
        RaiseEvent(EventControl, 0, listId, ListSelectionChange);
        return MessageCommand;
    });
}

void SimSchedulePressButton(std::int64_t atNanoseconds, int buttonId) {
    ScheduleOnWindow(atNanoseconds, [=](SimWindow&) {
        RaiseEvent(EventControl, 0, buttonId, ButtonClicked);
        return MessageCommand;
    });
}

void SimScheduleClose(std::int64_t atNanoseconds) {
    ScheduleOnWindow(atNanoseconds, [](SimWindow&) {
        RaiseEvent(EventClose, 0, 0, 0);
        return MessageClose;
    });
}

void SimScheduleSessionEnd(std::int64_t atNanoseconds) {
    ScheduleOnWindow(atNanoseconds, [](SimWindow&) {
        RaiseEvent(EventSessionEnd, 0, 0, 0);
        return MessageEndSession;
    });
}

void SimScheduleResize(std::int64_t atNanoseconds, int clientWidth, int clientHeight) {
    ScheduleOnWindow(atNanoseconds, [=](SimWindow& window) {
        const WindowRect& from = window.normalFrame;
        PlaceNormally(window, SimFrameAround(from.left, from.top, {clientWidth, clientHeight}));
        RaiseEvent(EventSize, 0, 0, 0);
        return MessageSize;
    });
}

void SimScheduleMinimize(std::int64_t atNanoseconds) {
    ScheduleOnWindow(atNanoseconds, [](SimWindow& window) {
        window.show = SimWindow::Show::Minimized;
        window.frame = MinimizedFrame;
        window.client = {0, 0};
        RaiseEvent(EventMinimize, 0, 0, 0);
        return MessageSysCommand;
    });
}

void SimScheduleMaximize(std::int64_t atNanoseconds, int clientWidth, int clientHeight) {
    ScheduleOnWindow(atNanoseconds, [=](SimWindow& window) {
        window.show = SimWindow::Show::Maximized;
        window.client = {clientWidth, clientHeight};
        // A maximized window's sizing border hangs off the screen's top-left corner.
        window.frame = SimFrameAround(-SimFrameLeft, -SimFrameBottom, window.client);
        RaiseEvent(EventMaximize, 0, 0, 0);
        RaiseEvent(EventSize, 0, 0, 0);
        return MessageSysCommand;
    });
}

void SimScheduleRestore(std::int64_t atNanoseconds) {
    ScheduleOnWindow(atNanoseconds, [](SimWindow& window) {
        PlaceNormally(window, window.normalFrame);
        RaiseEvent(EventRestore, 0, 0, 0);
        RaiseEvent(EventSize, 0, 0, 0);
        return MessageSysCommand;
    });
}

void SimScheduleMove(std::int64_t atNanoseconds, int left, int top) {
    ScheduleOnWindow(atNanoseconds, [=](SimWindow& window) {
        const WindowRect& from = window.normalFrame;
        PlaceNormally(window,
                      {left, top, left + from.right - from.left, top + from.bottom - from.top});
        RaiseEvent(EventMove, 0, 0, 0);
        return MessageMove;
    });
}

void SimScheduleMenuCommand(std::int64_t atNanoseconds, int commandId) {
    ScheduleOnWindow(atNanoseconds, [=](SimWindow& window) -> unsigned {
        for (const auto& command : window.menuCommands) {
            if (command.id == commandId) {
                RaiseEvent(EventCommand, 0, commandId, 0);
                return MessageSysCommand;
            }
        }
        return 0;
    });
}

void SimScheduleCtrlKey(std::int64_t atNanoseconds, wchar_t key) {
    ScheduleOnWindow(atNanoseconds, [=](SimWindow& window) -> unsigned {
        for (const auto& command : window.menuCommands) {
            if (command.ctrlKey != 0 && command.ctrlKey == key) {
                RaiseEvent(EventCommand, 0, command.id, 0);
                return MessageKeyDown;
            }
        }
        return 0;
    });
}

// The user puts the caret at the end of the log and types there.
void SimScheduleTypeIntoLog(std::int64_t atNanoseconds, int logId, const std::wstring& text) {
    ScheduleOnWindow(atNanoseconds, [=](SimWindow&) {
        const int end = EditTextLength(logId);
        EditSetSelection(logId, end, end);
        EditReplaceSelection(logId, text, true);
        return MessageChar;
    });
}

void SimScheduleAction(std::int64_t atNanoseconds, std::function<void()> action) {
    Schedule(atNanoseconds, [action = std::move(action)]() {
        action();
        return MessageUser;
    });
}

int SimPendingActions() {
    return static_cast<int>(Desktop().actions.size());
}
