// AppState: the one process-wide state record. Each group of fields belongs to the subsystem
// named beside it; the defaults are filled in where the record is defined.
#pragma once

#include "measure/session_runs.h"
#include "measure/stray_line_note.h"
#include "measure/tick_count.h"
#include "measure/tick_fit.h"
#include "measure/tick_line.h"
#include "measure/trim_search.h"

#include <cstdint>
#include <string>
#include <vector>

struct AppState {
    // The event loop (app/lifecycle.cpp).
    int QuitRequested = 0;
    int LastEvent = 0;       // what WaitEvent last gave: an event kind, 0, or a message number
    int LastEventWindow = 0; // the window of the current event

    // The main window (app/main_window.cpp): the log view's top edge, set with the log font.
    int LogTop = 0;

    // Settings (settings/settings.cpp): loaded at start-up, saved at exit.
    std::wstring ProgramDir; // ends with a path separator
    std::int32_t MainX = 200;
    std::int32_t MainY = 200;
    std::int32_t MainW = 468;
    std::int32_t MainH = 287;
    // The port the settings file keeps (on Linux the adapter's lasting name where it has one),
    // and the port in use, which start-up may find under another name or choose for the user
    // without keeping it (serial/kept_port.h).
    std::wstring StoredComPort = L"com7";
    std::wstring ComPort = L"com7";
    std::wstring SerialSpeed = L"38400";
    std::int32_t LineDelay = 150; // milliseconds, at least 100 once loaded
    std::wstring ClockTrim = L"0";
    std::int32_t MaxPortNo = 32;
    std::wstring TimeInterval = L"10"; // seconds
    std::int32_t TimerPeriod = 9700;   // milliseconds, derived from TimeInterval
    // The graph window's place and inner size (app/graph_window.cpp), kept in a group of their
    // own once known: read from the file, or the graph shown in this session.
    bool GraphPlaceKnown = false;
    std::int32_t GraphX = 240;
    std::int32_t GraphY = 240;
    std::int32_t GraphW = 640;
    std::int32_t GraphH = 480;

    // Port discovery (serial/port_scan.cpp): the COM ports that opened, in ascending order.
    std::vector<std::wstring> FoundPorts;

    // The command exchange (serial/command_exchange.cpp).
    std::vector<char> ReceiveBuffer;
    std::vector<char> TransmitBuffer;
    std::int64_t ArrivalStamp = 0; // counter value when input was last found waiting

    // The timing run (calibration/timing_run.cpp). Times are microseconds on the performance
    // counter's own time line.
    int RunActive = 0;
    float TickCount = 0.0f; // intervals measured in this run
    double MicrosecondsPerCount = 0.0;
    double StartTime = 0.0;
    double PreviousTime = 0.0;
    double LatestTime = 0.0;
    double ElapsedSeconds = 0.0;
    // The interval, in seconds, of the tick program uploaded last in this session; 0: none yet.
    std::int64_t UploadedInterval = 0;
    // The CLOCKTRIM text of that upload; empty: none yet, or the controller refused it.
    std::wstring UploadedClockTrim;
    // The CLOCKTRIM text the controller refused at the latest upload; empty: none.
    std::wstring RefusedClockTrim;
    // The CLOCKTRIM text sent at the latest upload whose echo and prompt did not come back, so
    // the controller may not have it; empty: none.
    std::wstring UnconfirmedClockTrim;
    // The latest tick line's stamp is not its arrival: the line came before the program looked
    // (its first byte was found by the first look of a wait, or by the read after a tick), so the
    // stamp is the moment of looking.
    bool StampLate = false;
    // The run's lines as they are read, which tick each line is by its counter, how many
    // intervals the latest tick line's interval spans, and the lines that were not tick lines.
    TickLineReader TickLines;
    TickCounting Counting;
    std::int64_t LatestTickSpan = 0;
    StrayLineNote StrayLines;
    // The run's latest good tick line, and a line whose count went back, held until the next
    // line tells a restart from a garbled count.
    TickSighting LatestTickLine;
    bool TickLineHeld = false;
    TickSighting HeldTickLine;
    std::string HeldTickLineText;
    // Tick lines read since the latest good one but not counted (read together with another, set
    // aside, held): not lost.
    std::int64_t UncountedTickLines = 0;
    long long GarbledTickLines = 0; // set aside in this run

    // Beside the timing run (calibration/measured_run.cpp): the stamps of the session's runs.
    MeasurementSession Measurements;
    // Why the chip at the other end may be another one now (its port was lost, it started up
    // afresh), said by what saw it; empty: nothing seen. The next run starts a new chip.
    std::wstring NewChipSign;
    // The adapter may be another one too (the port was lost): what the link showed is forgotten.
    bool NewLinkSign = false;
    // The automatic trim (calibration/auto_trim.cpp).
    AutoTrimState AutoTrim;

    // Save As (app/save_as.cpp): the folder of this session's latest save; empty: none yet.
    std::wstring SaveFolder;
};

extern AppState App;
