#include "calibration/rate_report.h"

#include "calibration/measured_run.h"
#include "text/number_text.h"
#include "window/log_view.h"

#include <cmath>

namespace {

const std::wstring PlusMinus = L"\u00B1";

std::wstring PpmText(double ppm) {
    return FixedText(ppm, 1);
}

std::wstring RateLine(const MeasuredRun& run) {
    const std::wstring where =
        run.trimKnown ? L"Rate at CLOCKTRIM " + IntegerText(run.trim) + L": " : L"Rate: ";
    if (!run.estimate.known)
        return where + L"not known yet, too few tick lines.";
    std::wstring line = where + RateText(run.estimate.ppm) + L" " + PlusMinus +
                        PpmText(run.estimate.boundPpm) + L" (" +
                        IntegerText(run.estimate.intervals) + L" intervals)";
    if (!run.trimKnown && !run.refusedTrim.empty())
        line += L", CLOCKTRIM unknown: the Micromite refused " + run.refusedTrim;
    else if (!run.trimKnown && !run.unconfirmedTrim.empty())
        line += L", CLOCKTRIM unknown: the Micromite did not confirm " + run.unconfirmedTrim;
    else if (!run.trimKnown)
        line += L", CLOCKTRIM unknown: no upload in this session";
    return line + L".";
}

// Why a bound is wide when the stamps sit still on an adapter's timer, and what would narrow it.
std::wstring UnseenGridLine(double gridSeconds) {
    return L"The bound allows for a " + IntegerText(std::llround(gridSeconds * 1000.0)) +
           L" ms adapter timer that these stamps cannot show: more intervals, a longer "
           L"interval or an adapter set to low latency would narrow it.";
}

} // namespace

std::wstring StepLine(const TrimModel& model) {
    if (model.stepFitted)
        return L"Step " + PpmText(model.stepPpm) + L" ppm per CLOCKTRIM, fitted over " +
               IntegerText(model.lowestTrim) + L" to " + IntegerText(model.highestTrim) + L".";
    const std::wstring assumed =
        L"Step assumed " + PpmText(model.stepPpm) + L" ppm per CLOCKTRIM: ";
    if (model.trimsMeasured < 2)
        return assumed + L"one value measured.";
    return assumed + L"the runs do not show it.";
}

std::wstring KeepLine(int trim) {
    return L"To keep it, start your program with OPTION CLOCKTRIM " + IntegerText(trim) + L".";
}

std::wstring RateText(double ppm) {
    return PpmText(std::abs(ppm)) + (ppm >= 0.0 ? L" ppm fast" : L" ppm slow");
}

std::vector<std::wstring> RateReportLines(const MeasuredRun& run,
                                          const std::vector<MeasuredRun>& session) {
    std::vector<std::wstring> lines{RateLine(run)};
    if (run.estimate.known && run.estimate.unseenGridSeconds > 0.0)
        lines.push_back(UnseenGridLine(run.estimate.unseenGridSeconds));
    const TrimModel model = SessionTrimModel(ChipRuns(session, run.chip));
    if (!model.known)
        return lines;
    const int advised = AdvisedTrim(model);
    lines.push_back(StepLine(model));
    lines.push_back(L"Advice: CLOCKTRIM " + IntegerText(advised) + L", expected " +
                    RateText(ModelRatePpm(model, advised)) + L".");
    lines.push_back(KeepLine(advised));
    return lines;
}

void LogRateReport(const MeasuredRun& run, const std::vector<MeasuredRun>& session) {
    for (const std::wstring& line : RateReportLines(run, session))
        AppendLogLine(line);
    ScrollToNewest();
}

void ShowRateNow() {
    const std::vector<MeasuredRun>& session = SessionRuns();
    if (session.empty()) {
        AppendLogLine(L"No rate yet: upload the tick program, then start a timing run.");
        ScrollToNewest();
        return;
    }
    LogRateReport(session.back(), session);
}
