// A whole program run against the simulated Micromite on COM7, and what its log holds.
#pragma once

#include "app_fixture.h"
#include "sim/micromite_model.h"
#include "window/control_ids.h"

#include <algorithm>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

inline const std::wstring SettingsPath = L"C:\\Tockmeter\\Tockmeter.inf";
// The simulated wall clock reads 12:00:00 at virtual time 0.
constexpr int WallClockStartHour = 12;
constexpr double ClockErrorPpm = 250.0;

// Everything the program logged, line by line (the log holds each line end as one CR).
inline std::vector<std::wstring> LogLines() {
    std::vector<std::wstring> lines;
    std::wstring line;
    for (wchar_t c : SimFindControl(LogViewId)->text) {
        if (c == L'\r') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    lines.push_back(line);
    return lines;
}

// The lines that turn a run's stamps into advice, logged when a run ends.
inline bool IsRateReportLine(const std::wstring& line) {
    for (const wchar_t* start : {L"Rate at CLOCKTRIM ", L"Rate: ", L"Step ", L"Advice: CLOCKTRIM ",
                                 L"To keep it, start your program with OPTION CLOCKTRIM ",
                                 L"The bound allows for a "})
        if (line.rfind(start, 0) == 0)
            return true;
    return false;
}

// The log without those lines: what the upload and the timing run log themselves.
inline std::vector<std::wstring> RunLogLines() {
    std::vector<std::wstring> lines = LogLines();
    lines.erase(std::remove_if(lines.begin(), lines.end(), IsRateReportLine), lines.end());
    return lines;
}

inline std::wstring LastLogLine() {
    return RunLogLines().back();
}

inline bool IsHeaderLine(const std::wstring& line) {
    static const std::wregex header(L"\\d\\d:\\d\\d:\\d\\d,  Interval,  Average");
    return std::regex_match(line, header);
}

struct TickLine {
    std::wstring clock;
    double interval, average;
};

// The tick lines logged after the last header line.
inline std::vector<TickLine> TickLinesOfLastRun() {
    static const std::wregex tick(
        L"(\\d\\d:\\d\\d:\\d\\d),  (-?\\d+\\.\\d{6}),  (-?\\d+\\.\\d{6})");
    std::vector<TickLine> ticks;
    for (const std::wstring& line : LogLines()) {
        std::wsmatch match;
        if (IsHeaderLine(line))
            ticks.clear();
        else if (std::regex_match(line, match, tick))
            ticks.push_back({match[1], std::stod(match[2]), std::stod(match[3])});
    }
    return ticks;
}

inline std::wstring WallClockAt(std::int64_t nanoseconds) {
    const std::int64_t seconds = WallClockStartHour * 3600 + nanoseconds / Seconds;
    wchar_t text[16];
    std::swprintf(text, 16, L"%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

// The upload takes 53 line delays of 150 ms; the start comes after it.
constexpr std::int64_t UploadAt = 1 * Seconds;
constexpr std::int64_t StartAt = 10 * Seconds;

class MicromiteRunTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        MicromiteOptions options;
        options.baseErrorPpm = ClockErrorPpm;
        micromite = &SimConnectMicromite(L"COM7", options);
    }

    // Times at which the controller began each tick line since the given time.
    std::vector<std::int64_t> TickTimesFrom(std::int64_t fromNanoseconds) const {
        std::vector<std::int64_t> times;
        for (const MicromiteLine& line : micromite->record.lines)
            if (line.tick && line.atNanoseconds >= fromNanoseconds)
                times.push_back(line.atNanoseconds);
        return times;
    }

    // The bytes the controller received from the given time on, in one string.
    std::string ReceivedFrom(std::int64_t fromNanoseconds) const {
        std::string bytes;
        for (const MicromiteReceived& piece : micromite->record.received)
            if (piece.atNanoseconds >= fromNanoseconds)
                bytes += piece.bytes;
        return bytes;
    }

    MicromiteModel* micromite = nullptr;
};
