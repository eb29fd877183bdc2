#include "calibration/late_wake.h"

#include "state/app_state.h"
#include "text/number_text.h"
#include "window/log_view.h"

#include <cmath>

const std::wstring LateStampPrefix = L"Late stamp: ";

const std::wstring LateFirstStampText =
    L"Late stamp: the first line came before the program looked; the averages read short.";

std::wstring LateStampText(double intervalSeconds, double nominalSeconds) {
    const double off = intervalSeconds - nominalSeconds;
    std::wstring text = LateStampPrefix + L"this interval reads " + FixedText(std::abs(off), 3) +
                        L" s too " + (off >= 0.0 ? L"long" : L"short");
    // The lateness comes off the next interval.
    if (off >= 0.0)
        text += L", the next one short";
    return text + L"; the rate leaves it out.";
}

void ReportLateStamp(double intervalSeconds, double nominalSeconds) {
    AppendLogLine(LateStampText(intervalSeconds, nominalSeconds));
    // Without a drain: the events of the tick's last pause are the loop's to take, as they are
    // after every tick.
    ShowNewest();
}

void ReportLateStart() {
    if (!App.StampLate)
        return;
    AppendLogLine(LateFirstStampText);
    ShowNewest();
}
