// The measurement beside the timing run: the stamps of every run of the session, the rate
// estimated from them after each tick, and the report when a run ends. The event loop calls the
// Measured* handlers in place of the timing run's own; each runs the timing run's handler
// unchanged and then looks at what it did.
#pragma once

#include "measure/session_runs.h"
#include "measure/tick_records.h"

#include <vector>

void MeasuredStart(); // the start button
void MeasuredTick();  // the period timer
void MeasuredStop();  // the stop button, and the end of the program while a run is flagged

const std::vector<MeasuredRun>& SessionRuns();
const TickRecords& SessionTickRecords();
// The run going on, or null.
const MeasuredRun* CurrentRun();
