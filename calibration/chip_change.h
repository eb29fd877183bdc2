// One chip at a time: the runs of the chip at the other end of the link are kept apart from those
// of any chip measured before it in the session, so that no advice blends two chips. The session
// starts a new chip when the link or the controller says the chip may be another (App.NewChipSign),
// when the port changed, when a run's rate cannot belong to the chip measured so far, and when the
// user says so. The log says when and why; the log and the measurements stay.
#pragma once

#include "measure/session_runs.h"

#include <string>

// Before a run starts: the signs seen since the chip's last run start a new chip.
void TakeNewChipSigns();

// A run that has ended: when its rate cannot belong to the chip the earlier runs measured, it
// becomes the first run of a new chip.
void PlaceRunOnItsChip(MeasuredRun& run);

// The menu command: the runs from here on measure a new chip.
void NewChipCommand();
