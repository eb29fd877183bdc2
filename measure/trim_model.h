// What the runs of a session teach about the controller's CLOCKTRIM: its rate is
// base + step × CLOCKTRIM, with the step fitted once two CLOCKTRIM values were measured and the
// typical step assumed before that. Pure arithmetic over its arguments.
#pragma once

#include <vector>

// The CLOCKTRIM values the firmware takes (the list offers 32 too, which the firmware refuses),
// and the step of a typical chip's RC oscillator.
constexpr int HighestClockTrim = 31;
constexpr int LowestClockTrim = -31;
constexpr double TypicalTrimStepPpm = 470.0;

struct TrimMeasurement {
    int trim = 0;
    double ppm = 0.0;
    double boundPpm = 0.0;
};

struct TrimModel {
    bool known = false;      // false: no measurement
    bool stepFitted = false; // false: the typical step is assumed
    int trimsMeasured = 0;   // distinct CLOCKTRIM values
    int lowestTrim = 0, highestTrim = 0;
    double basePpm = 0.0; // rate at CLOCKTRIM 0
    double stepPpm = TypicalTrimStepPpm;
};

// Weighted by each measurement's bound. A fitted step that is not positive (measurements too
// close or too poor to tell) falls back to the typical step.
TrimModel FitTrimModel(const std::vector<TrimMeasurement>& measurements);

// The model's rate at a CLOCKTRIM value.
double ModelRatePpm(const TrimModel& model, int trim);

// The CLOCKTRIM value whose rate the model puts nearest zero, within the firmware's range.
int AdvisedTrim(const TrimModel& model);
