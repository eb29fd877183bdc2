// The automatic trim: upload at a CLOCKTRIM value, measure until the rate is known well enough
// to decide, upload the value the session's runs advise, measure again, and go on to a neighbour
// when that one may keep time better. It is a state advanced by its own timer's events and by the
// timing run's handlers returning: no loop of its own, no thread. Each step runs the upload and
// timing run handlers, which log what they always log. Its rules are in measure/trim_search.h.
#pragma once

#include <string>

// The interval the search measures at, as the settings would hold it.
extern const std::wstring AutoTrimInterval;

bool AutoTrimActive();

// The menu command. Ends a timing run going on, then begins the search.
void StartAutoTrim();

// The automatic trim's timer expired: the next step begins.
void AutoTrimTimerEvent();

// After each tick of a run the search measures: decides whether the rate is known well enough.
void AutoTrimAfterTick();

// Ends the search where it stands (Stop, the close request): the chosen interval is put back, and
// the log says so.
void CancelAutoTrim();

// Ends the search before what the user did takes effect (Prog or Start pressed, a list's choice):
// its run stops, the chosen interval is put back, and the log says why.
void StopAutoTrimBecause(const std::wstring& why);
