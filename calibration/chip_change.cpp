#include "calibration/chip_change.h"

#include "measure/chip_fit.h"
#include "state/app_state.h"
#include "text/number_text.h"
#include "window/log_view.h"

#include <algorithm>

namespace {

MeasurementSession& Session() {
    return App.Measurements;
}

// Whether any run was made of the chip now measured (a run going on counts).
bool ChipHasRuns() {
    const std::vector<MeasuredRun>& runs = Session().runs;
    return std::any_of(runs.begin(), runs.end(),
                       [](const MeasuredRun& run) { return run.chip == Session().chip; });
}

void LogNewChip(const std::wstring& why) {
    AppendLogLine(L"New chip from here: " + why + L". Its runs are kept apart from those before.");
    ScrollToNewest();
}

// Nothing separates from a chip that has no runs yet.
void StartNewChip(const std::wstring& why) {
    if (!ChipHasRuns())
        return;
    ++Session().chip;
    LogNewChip(why);
}

} // namespace

void TakeNewChipSigns() {
    MeasurementSession& session = Session();
    const bool portChanged = !session.chipPort.empty() && session.chipPort != App.ComPort;
    if (!App.NewChipSign.empty())
        StartNewChip(App.NewChipSign);
    else if (portChanged)
        StartNewChip(L"the port changed from " + session.chipPort + L" to " + App.ComPort);
    if (portChanged || App.NewLinkSign)
        ForgetLink(session);
    App.NewChipSign.clear();
    App.NewLinkSign = false;
    session.chipPort = App.ComPort;
}

void PlaceRunOnItsChip(MeasuredRun& run) {
    // The run is the session's last.
    std::vector<MeasuredRun> earlier = ChipRuns(Session().runs, run.chip);
    earlier.pop_back();
    if (RateFitsChip(earlier, run))
        return;
    ++Session().chip;
    run.chip = Session().chip;
    LogNewChip(L"the rate at CLOCKTRIM " + IntegerText(run.trim) +
               L" cannot belong to the chip measured before");
}

void NewChipCommand() {
    const bool had = ChipHasRuns();
    StartNewChip(L"as you chose");
    if (!had) {
        AppendLogLine(L"New chip: no run has measured the chip before it, so nothing changes.");
        ScrollToNewest();
    }
}
