#include "app/lifecycle.h"

#include "app/graph_window.h"
#include "app/log_commands.h"
#include "app/main_window.h"
#include "calibration/auto_trim.h"
#include "calibration/chip_change.h"
#include "calibration/measured_run.h"
#include "calibration/rate_report.h"
#include "calibration/tick_program.h"
#include "calibration/timing_run.h"
#include "platform/clock.h"
#include "platform/event_loop.h"
#include "platform/graph_window.h"
#include "platform/menu_commands.h"
#include "platform/window.h"
#include "serial/command_exchange.h"
#include "serial/kept_port.h"
#include "serial/serial_port.h"
#include "settings/settings.h"
#include "state/app_state.h"
#include "window/control_ids.h"
#include "window/events.h"
#include "window/main_controls.h"

namespace {

// The loop is idle for at most this long between two looks at the window.
constexpr int LoopWaitMilliseconds = 5;
constexpr int ClosingPauseMilliseconds = 50;

// A choice in a list sets the setting that the list shows, and what follows from it.
struct ListSetting {
    int listId;
    std::wstring AppState::*setting;
    void (*follow)();       // null: nothing follows
    const wchar_t* changed; // why the automatic trim stops
};
const ListSetting ListSettings[] = {
    {PortListId, &AppState::ComPort, KeepPortInUse, L"the port list was changed."},
    {SpeedListId, &AppState::SerialSpeed, nullptr, L"the speed list was changed."},
    {ClockTrimListId, &AppState::ClockTrim, nullptr, L"the CLOCKTRIM list was changed."},
    {IntervalListId, &AppState::TimeInterval, DeriveTimerPeriod,
     L"the interval list was changed."},
};
constexpr std::size_t ListCount = sizeof(ListSettings) / sizeof(ListSettings[0]);

// The user's choice ends the automatic trim first, which puts back the interval the user had;
// the choice then wins over it, and its list shows it again.
void TakeChoice(const ListSetting& list, const std::wstring& chosen) {
    if (AutoTrimActive()) {
        StopAutoTrimBecause(list.changed);
        SetListText(list.listId, chosen);
    }
    App.*list.setting = chosen;
    if (list.follow)
        list.follow();
}

// A choice made in a list while a handler was busy is lost to the handler's drain, but the list
// shows it: once a handler has returned, the settings take what the lists show. A list that shows
// nothing, or the stored text in another letter case, leaves its setting as it is. All are read
// before any is taken, as ending the automatic trim sets the interval list.
void TakeWhatTheListsShow() {
    std::wstring shown[ListCount];
    for (std::size_t i = 0; i < ListCount; ++i)
        shown[i] = ListText(ListSettings[i].listId);
    for (std::size_t i = 0; i < ListCount; ++i) {
        const ListSetting& list = ListSettings[i];
        if (!shown[i].empty() && !ListShowsText(list.listId, App.*list.setting))
            TakeChoice(list, shown[i]);
    }
}

// The buttons run their handlers to completion; the window waits meanwhile.
struct ButtonHandler {
    int buttonId;
    void (*handler)();
    const wchar_t* pressed; // why the automatic trim stops before the handler; null: Stop's own end
};
// The timing run's handlers are reached through the measurement beside them.
const ButtonHandler ButtonHandlers[] = {
    {UploadButtonId, UploadTickProgram, L"Prog was pressed."},
    {StartButtonId, MeasuredStart, L"Start was pressed."},
    {StopButtonId, MeasuredStop, nullptr},
};

// The commands of the window menu and the log's menu, in their order there.
struct MenuCommand {
    int commandId;
    const wchar_t* text;
    int flags; // MenuCommandFlag
    wchar_t ctrlKey;
    void (*handler)();
};
constexpr int InBothMenus = InWindowMenu | InLogMenu;
const MenuCommand MenuCommands[] = {
    {CopyCommandId, L"&Copy", InLogMenu | NeedsLogSelection, L'C', CopyLogCommand},
    {SelectAllCommandId, L"Select &All", InLogMenu, L'A', SelectAllCommand},
    {SaveLogCommandId, L"&Save Log As...", InBothMenus | AfterSeparator, L'S', SaveLogCommand},
    {SaveMeasurementsCommandId, L"Save &Measurements As...", InBothMenus, 0,
     SaveMeasurementsCommand},
    {SaveGraphCommandId, L"Save Gra&ph As...", InBothMenus | InGraphMenu, 0, SaveGraphCommand},
    {ClearLogCommandId, L"C&lear Log", InLogMenu | AfterSeparator, 0, ClearLogCommand},
    {TrimAutomaticallyCommandId, L"Trim automatically", InBothMenus | AfterSeparator, 0,
     StartAutoTrim},
    {ShowRateCommandId, L"Show the rate now", InBothMenus, 0, ShowRateNow},
    {NewChipCommandId, L"New chip", InBothMenus, 0, NewChipCommand},
    {ShowGraphCommandId, L"Show &graph", InBothMenus, L'G', ShowGraphCommand},
};

void OnControlEvent(int controlId) {
    for (const ButtonHandler& button : ButtonHandlers) {
        if (button.buttonId == controlId) {
            // A button the user presses takes over from the automatic trim: Prog and Start
            // find it ended and the user's interval back; Stop ends the search's run, then it.
            if (button.pressed)
                StopAutoTrimBecause(button.pressed);
            const bool searching = AutoTrimActive();
            button.handler();
            if (searching)
                CancelAutoTrim();
            TakeWhatTheListsShow();
            return;
        }
    }
    for (const ListSetting& list : ListSettings) {
        if (list.listId == controlId) {
            TakeChoice(list, ListText(controlId));
            return;
        }
    }
}

// The graph follows the measurements once a handler has logged what it measured.
void Dispatch(int event) {
    switch (event) {
    case EventControl:
        OnControlEvent(CurrentEventObject());
        break;
    case EventTimer:
        if (CurrentEventObject() == AutoTrimTimerId) {
            AutoTrimTimerEvent();
        } else {
            MeasuredTick();
            AutoTrimAfterTick();
        }
        TakeWhatTheListsShow();
        break;
    case EventCommand:
        for (const MenuCommand& command : MenuCommands)
            if (command.commandId == CurrentEventObject())
                command.handler();
        TakeWhatTheListsShow();
        break;
    case EventSize:
        ResizeLogView();
        return;
    case EventClose:
        App.QuitRequested = 1;
        CancelAutoTrim();
        return;
    default:
        return;
    }
    RedrawGraphIfChanged();
}

void StartUp() {
    SetUpWindowLayer();
    FindProgramDir();
    InitTimingClock();
    MakeLinkBuffers();
    LoadSettings();
    LoadLogFont();
    // The window offers the commands from its first moment on.
    for (const MenuCommand& command : MenuCommands)
        AddMenuCommand(command.commandId, command.text, command.flags, command.ctrlKey);
    BuildMainWindow();
}

void RunMainLoop() {
    do {
        App.LastEvent = WaitEvent(LoopWaitMilliseconds);
        App.LastEventWindow = CurrentEventWindow();
        if (App.LastEventWindow == MainWindowNumber)
            Dispatch(App.LastEvent);
        else if (App.LastEventWindow == GraphWindowNumber)
            OnGraphWindowEvent(App.LastEvent);
        // What the user asked for while the handler was busy comes next.
        ReleaseKeptEvents();
    } while (App.QuitRequested != 1);
}

void ShutDown() {
    SaveSettings();
    // The window and the log still exist for the run's last line.
    if (App.RunActive == 1)
        MeasuredStop();
    FreeLinkBuffers();
    PauseMilliseconds(ClosingPauseMilliseconds);
    CloseGraph();
    CloseMainWindow();
    RemoveWindowEvents(MainWindowNumber);
    CloseAllPorts();
    ReleaseWindowLayer();
}

} // namespace

void OnSessionEnd() {
    // The automatic trim measures at an interval of its own; the user's choice is what is kept.
    const std::wstring interval = App.TimeInterval;
    if (AutoTrimActive())
        App.TimeInterval = App.AutoTrim.chosenInterval;
    SaveSettings();
    App.TimeInterval = interval;
}

int RunTockmeter() {
    SetSessionEndHandler(OnSessionEnd);
    StartUp();
    RunMainLoop();
    ShutDown();
    return 0;
}
