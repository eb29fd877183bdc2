// The program's settings: where the settings file lives, and its groups, keys and defaults.
#pragma once

#include <string>

// Fills App.ProgramDir from the running program's path.
void FindProgramDir();

// Reads every setting from the settings file beside the program (defaults where missing),
// applies the LineDelay floor and derives TimerPeriod. The file is left as it was.
void LoadSettings();

// Reads the main window's place and inner size back, then writes every setting into a fresh
// settings file beside the program.
void SaveSettings();

// The period timer's period for an interval: the interval in seconds x 1000 - 300 ms, computed
// without overflow and held to 32 bits.
std::int32_t TimerPeriodFor(std::int64_t intervalSeconds);

// TimerPeriod = TimerPeriodFor(TimeInterval), the chosen interval's period, which the settings
// keep.
void DeriveTimerPeriod();

// Whether the period timer can time the interval: a period from 1 ms to the window timer's
// longest (some 24.8 days). The settings file may hold any text.
bool IntervalCanBeTimed();
// What the program says when it cannot.
std::wstring UntimedIntervalText();
