#include "calibration/late_wake.h"

#include "app/app_state.h"
#include "app/log_view.h"

const std::wstring LateStampText =
    L"Late stamp: this interval is too long, the next one too short.";

const std::wstring LateFirstStampText =
    L"Late stamp: the first line came before the program looked; the averages read short.";

void ReportLateStart() {
    if (!App.LineWaitingAtFirstPoll)
        return;
    AppendLogLine(LateFirstStampText);
    ShowNewest();
}

void ReportLateWake() {
    if (!App.LineWaitingAtFirstPoll)
        return;
    AppendLogLine(LateStampText);
    // Without a drain: the events of the tick's last pause are the loop's to take, as they are
    // after every tick.
    ShowNewest();
}
