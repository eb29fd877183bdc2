// Whether a run's rate can belong to the chip the earlier runs measured. CLOCKTRIM speeds an RC
// oscillator up by a step of some hundreds of ppm, and warmth moves it by a few: a rate at the
// same value far from the earlier one, or one that would need a step below zero or far beyond any
// chip's, is another chip's (swapped in a socket, a second adapter, a board powered anew).
//
// Pure arithmetic over its arguments.
#pragma once

#include "measure/session_runs.h"

#include <vector>

// The steps a chip's CLOCKTRIM may have, and how far warmth may move its rate within a session.
constexpr double LeastChipStepPpm = 0.0;
constexpr double GreatestChipStepPpm = 2000.0;
constexpr double ChipWanderPpm = 30.0;

// Compares the run with every one of the chip's earlier runs whose CLOCKTRIM and rate are known.
// A run without them fits any chip.
bool RateFitsChip(const std::vector<MeasuredRun>& earlierRuns, const MeasuredRun& run);
