// The lines that turn a run's stamps into advice: the rate with its bound, what the session's
// runs say of the CLOCKTRIM step, the value to use, and how to keep it.
#pragma once

#include "measure/session_runs.h"
#include "measure/trim_model.h"

#include <string>
#include <vector>

// A rate as the log shows it: "345.2 ppm fast" or "12.0 ppm slow".
std::wstring RateText(double ppm);

// What the model says of the step, and how to keep a CLOCKTRIM value.
std::wstring StepLine(const TrimModel& model);
std::wstring KeepLine(int trim);

// The lines for a run, ended or still going, and the session it belongs to.
std::vector<std::wstring> RateReportLines(const MeasuredRun& run,
                                          const std::vector<MeasuredRun>& session);

// Appends those lines to the log.
void LogRateReport(const MeasuredRun& run, const std::vector<MeasuredRun>& session);

// The menu command: the lines for the run going on, else for the last run.
void ShowRateNow();
