// The timing run: stamps each tick line of the controller on the performance counter and logs
// the interval just measured and the running average.
#pragma once

// At start-up: the factor from counter values to microseconds.
void InitTimingClock();

// The start button: starts the controller's tick program and measures from its first line on.
// A second Start starts the measurement over.
void StartTimingRun();

// The stop button, and program end while a run is flagged: interrupts the controller and
// closes the link.
void StopTimingRun();

// Every timer event: waits for the next tick line and logs its interval and the average.
void TickHandler();

// Start and Prog refuse an interval the period timer cannot time, before anything is sent: a log
// line and a message box say so. True when refused.
bool RefuseUntimedInterval();
