#include "calibration/late_wake.h"

#include "app/app_state.h"
#include "app/log_view.h"
#include "text/number_text.h"

#include <cmath>

const std::wstring LateStampPrefix = L"Late stamp: ";
const std::wstring OutOfPlaceStampPrefix = L"Stamp out of place: ";

const std::wstring LateFirstStampText =
    L"Late stamp: the first line came before the program looked; the averages read short.";

std::wstring UntrustedStampText(bool late, double intervalSeconds, double nominalSeconds) {
    const double off = intervalSeconds - nominalSeconds;
    std::wstring text = (late ? LateStampPrefix : OutOfPlaceStampPrefix) +
                        L"this interval reads " + FixedText(std::abs(off), 3) + L" s too " +
                        (off >= 0.0 ? L"long" : L"short");
    // A late stamp takes its lateness from the next interval.
    if (late && off >= 0.0)
        text += L", the next one short";
    return text + L"; the rate leaves it out.";
}

void ReportUntrustedStamp(double intervalSeconds, double nominalSeconds) {
    AppendLogLine(UntrustedStampText(App.StampLate, intervalSeconds, nominalSeconds));
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
