#include "app/lifecycle.h"

#include "app/app_state.h"
#include "app/control_ids.h"
#include "app/events.h"
#include "app/main_window.h"
#include "calibration/tick_program.h"
#include "calibration/timing_run.h"
#include "platform/platform.h"
#include "serial/command_exchange.h"
#include "serial/serial_port.h"
#include "settings/settings.h"

namespace {

// The loop is idle for at most this long between two looks at the window.
constexpr int LoopWaitMilliseconds = 5;
constexpr int ClosingPauseMilliseconds = 50;

// A choice in a list sets the setting that the list shows.
struct ListSetting {
    int listId;
    std::wstring AppState::*setting;
};
const ListSetting ListSettings[] = {
    {PortListId, &AppState::ComPort},
    {SpeedListId, &AppState::SerialSpeed},
    {ClockTrimListId, &AppState::ClockTrim},
    {IntervalListId, &AppState::TimeInterval},
};

// The buttons run their handlers to completion; the window waits meanwhile.
struct ButtonHandler {
    int buttonId;
    void (*handler)();
};
const ButtonHandler ButtonHandlers[] = {
    {UploadButtonId, UploadTickProgram},
    {StartButtonId, StartTimingRun},
    {StopButtonId, StopTimingRun},
};

void OnControlEvent(int controlId) {
    for (const ButtonHandler& button : ButtonHandlers) {
        if (button.buttonId == controlId) {
            button.handler();
            return;
        }
    }
    for (const ListSetting& list : ListSettings) {
        if (list.listId == controlId) {
            App.*list.setting = ListText(controlId);
            if (controlId == IntervalListId)
                DeriveTimerPeriod();
            return;
        }
    }
}

void Dispatch(int event) {
    switch (event) {
    case EventControl:
        OnControlEvent(CurrentEventObject());
        break;
    case EventTimer: // the period timer is the only one
        TickHandler();
        break;
    case EventSize:
        ResizeLogView();
        break;
    case EventClose:
        App.QuitRequested = 1;
        break;
    default:
        break;
    }
}

void StartUp() {
    SetUpWindowLayer();
    FindProgramDir();
    InitTimingClock();
    MakeLinkBuffers();
    LoadSettings();
    LoadLogFont();
    BuildMainWindow();
}

void RunMainLoop() {
    do {
        App.LastEvent = WaitEvent(LoopWaitMilliseconds);
        App.LastEventWindow = CurrentEventWindow();
        if (App.LastEventWindow == MainWindowNumber)
            Dispatch(App.LastEvent);
    } while (App.QuitRequested != 1);
}

void ShutDown() {
    SaveSettings();
    // The window and the log still exist for the run's last line.
    if (App.RunActive == 1)
        StopTimingRun();
    FreeLinkBuffers();
    PauseMilliseconds(ClosingPauseMilliseconds);
    CloseMainWindow();
    RemoveWindowEvents(MainWindowNumber);
    CloseAllPorts();
    ReleaseWindowLayer();
}

} // namespace

void OnSessionEnd() {
    SaveSettings();
}

int RunTockmeter() {
    StartUp();
    RunMainLoop();
    ShutDown();
    return 0;
}
