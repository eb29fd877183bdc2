#include "settings/settings.h"

#include "files/folder_of_path.h"
#include "platform/program_paths.h"
#include "settings/graph_settings.h"
#include "settings/settings_file.h"
#include "state/app_state.h"
#include "text/number_text.h"
#include "window/frame_place.h"

#include <algorithm>
#include <cstdint>

namespace {

const wchar_t* const SettingsFileName = L"Tockmeter.inf";
constexpr int SettingsFormat = GroupSpacing;
constexpr std::int32_t LineDelayFloor = 100;
// The timer fires this long before a tick line is due, so the poll is already running.
constexpr std::int64_t TimerLeadMilliseconds = 300;
// The window timer's longest period.
constexpr std::int32_t LongestTimerPeriodMilliseconds = INT32_MAX;

std::wstring SettingsPath() {
    return SettingsFolderPath() + SettingsFileName;
}

// The interval is held first, to a range beyond anything the timer takes, so that the product
// cannot overflow.
std::int64_t PeriodMilliseconds(std::int64_t intervalSeconds) {
    constexpr std::int64_t Limit = INT32_MAX / 1000 + 1;
    const std::int64_t interval = std::clamp<std::int64_t>(intervalSeconds, -Limit, Limit);
    return interval * 1000 - TimerLeadMilliseconds;
}

} // namespace

void FindProgramDir() {
    App.ProgramDir = FolderOfPath(ProgramFilePath());
}

void LoadSettings() {
    const AppState defaults;
    OpenForReading(SettingsPath(), SettingsFormat);

    SelectGroup(L"Windows");
    App.MainX = ReadInteger(L"MainX", defaults.MainX);
    App.MainY = ReadInteger(L"MainY", defaults.MainY);
    App.MainW = ReadInteger(L"MainW", defaults.MainW);
    App.MainH = ReadInteger(L"MainH", defaults.MainH);

    SelectGroup(L"micromite");
    App.StoredComPort = ReadText(L"uM comport", defaults.StoredComPort);
    App.ComPort = App.StoredComPort;
    App.SerialSpeed = ReadText(L"uM SerialSpeed", defaults.SerialSpeed);
    App.LineDelay = ReadInteger(L"LineDelay", defaults.LineDelay);
    App.ClockTrim = ReadText(L"CLOCKTRIM", defaults.ClockTrim);
    App.MaxPortNo = ReadInteger(L"Max port no", defaults.MaxPortNo);
    App.TimeInterval = ReadText(L"Time interval", defaults.TimeInterval);

    LoadGraphSettings();
    CloseFile();

    if (App.LineDelay < LineDelayFloor)
        App.LineDelay = LineDelayFloor;
    DeriveTimerPeriod();
}

void SaveSettings() {
    const ScreenPoint position = FramePosition();
    const PixelSize inner = InnerSize();
    App.MainX = position.x;
    App.MainY = position.y;
    App.MainW = inner.width;
    App.MainH = inner.height;

    CreateForWriting(SettingsPath(), SettingsFormat);

    SelectGroup(L"Windows");
    WriteComment(L"Main Window");
    WriteInteger(L"MainX", App.MainX);
    WriteInteger(L"MainY", App.MainY);
    WriteInteger(L"MainW", App.MainW);
    WriteInteger(L"MainH", App.MainH);

    SelectGroup(L"micromite");
    WriteText(L"uM comport", App.StoredComPort);
    WriteText(L"uM SerialSpeed", App.SerialSpeed);
    WriteInteger(L"LineDelay", App.LineDelay);
    WriteText(L"CLOCKTRIM", App.ClockTrim);
    WriteInteger(L"Max port no", App.MaxPortNo);
    WriteText(L"Time interval", App.TimeInterval);

    SaveGraphSettings();
    CloseFile();
}

std::int32_t TimerPeriodFor(std::int64_t intervalSeconds) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(PeriodMilliseconds(intervalSeconds), INT32_MIN, INT32_MAX));
}

void DeriveTimerPeriod() {
    App.TimerPeriod = TimerPeriodFor(ParseInteger(App.TimeInterval));
}

bool IntervalCanBeTimed() {
    const std::int64_t period = PeriodMilliseconds(ParseInteger(App.TimeInterval));
    return period >= 1 && period <= LongestTimerPeriodMilliseconds;
}

std::wstring UntimedIntervalText() {
    const std::int64_t longest = (LongestTimerPeriodMilliseconds + TimerLeadMilliseconds) / 1000;
    return L"The interval \"" + App.TimeInterval + L"\" cannot be timed: the timer takes 1 to " +
           IntegerText(longest) + L" s. Choose an interval in the list.";
}
