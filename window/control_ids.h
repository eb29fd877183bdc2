// Identifiers of the main window, its controls, the log font and the period timer.
#pragma once

constexpr int MainWindowNumber = 0;
constexpr int GraphWindowNumber = 1; // GraphWindowEvents of platform/graph_window.h

constexpr int LogViewId = 1;
constexpr int UploadButtonId = 5;
constexpr int PortListId = 18;
constexpr int SpeedListId = 20;
constexpr int ClockTrimListId = 21;
constexpr int StartButtonId = 25;
constexpr int StopButtonId = 26;
constexpr int IntervalListId = 28;

constexpr int LogFontId = 33;
constexpr int PeriodTimerId = 34;

// Beside the controls: the automatic trim's own timer, and the menu commands.
constexpr int AutoTrimTimerId = 35;
constexpr int TrimAutomaticallyCommandId = 0x110;
constexpr int ShowRateCommandId = 0x120;
constexpr int CopyCommandId = 0x130;
constexpr int SelectAllCommandId = 0x140;
constexpr int SaveLogCommandId = 0x150;
constexpr int SaveMeasurementsCommandId = 0x160;
constexpr int ClearLogCommandId = 0x170;
constexpr int ShowGraphCommandId = 0x180;
constexpr int SaveGraphCommandId = 0x190;
constexpr int NewChipCommandId = 0x1A0;
