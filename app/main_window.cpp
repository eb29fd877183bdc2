#include "app/main_window.h"

#include "platform/controls.h"
#include "platform/serial.h"
#include "platform/window.h"
#include "serial/lone_port.h"
#include "serial/port_scan.h"
#include "serial/port_stable_names.h"
#include "state/app_state.h"
#include "text/number_text.h"
#include "window/control_ids.h"
#include "window/events.h"
#include "window/frame_place.h"
#include "window/log_view.h"
#include "window/main_controls.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int ListFieldHeight = 20;
// The total height of a drop-down list (field and open list) with and without visual styles.
constexpr int ThemedListExtra = 30;
constexpr int UnthemedListHeight = 350;
constexpr int LogMargin = 10;
constexpr int LogTopEdge = 35;
constexpr int LogFontPoints = 8;
constexpr int FallbackDpi = 96;

struct ControlPlace {
    int id;
    int left;
    int width;
    const wchar_t* caption; // buttons only
    const wchar_t* tooltip;
};

// The row along the top, in order of creation (which is also the Tab order).
const ControlPlace TopRow[] = {
    {PortListId, 10, 90, nullptr, L"Serial port"},
    {SpeedListId, 110, 60, nullptr, L"Serial baud rate"},
    {ClockTrimListId, 180, 40, nullptr, L"CLOCKTRIM value"},
    {IntervalListId, 230, 40, nullptr, L"Timing interval (seconds)"},
    {UploadButtonId, 280, 60, L"Prog", L"Load program onto uMite"},
    {StartButtonId, 350, 60, L"Start", L"Start timing run"},
    {StopButtonId, 420, 60, L"Stop", L"Stop timing run"},
};
constexpr int RowTop = 10;
constexpr int ButtonHeight = 20;

const wchar_t* const SpeedItems[] = {L"4800",  L"9600",   L"19200", L"38400",
                                     L"57600", L"115200", L"230400"};
constexpr int HighestClockTrim = 32;
constexpr int LowestClockTrim = -31;

int DisplayDpi = FallbackDpi;

// A points size as a character height in pixels: negative, rounded half away from zero.
int CharacterHeight(int points, int dotsPerInch) {
    const long scaled = static_cast<long>(points) * dotsPerInch;
    return -static_cast<int>((scaled * 2 + 72) / 144);
}

void CreateTopRow() {
    const int listHeight =
        VisualStylesInUse() ? ListFieldHeight + ThemedListExtra : UnthemedListHeight;
    for (const ControlPlace& place : TopRow) {
        if (place.caption)
            CreatePushButton(place.id, place.left, RowTop, place.width, ButtonHeight,
                             place.caption);
        else
            CreateDropDownList(place.id, place.left, RowTop, place.width, ListFieldHeight,
                               listHeight);
    }
}

void AddStableNamesToPortTooltip() {
    for (const ControlPlace& place : TopRow) {
        if (place.id != PortListId)
            continue;
        const std::wstring described = TooltipWithStableNames(place.tooltip, App.FoundPorts);
        if (!described.empty())
            AddTooltip(PortListId, described);
    }
}

// The stored port, under the name it has now; or when it names none of the ports found, the one
// adapter plugged in, which Prog then uses but the settings do not keep until the user makes it
// theirs. A stored adapter that is not plugged in leaves the choice to the user: another adapter
// may lead to another controller, whose program an upload would erase.
void ChoosePort() {
    const std::wstring stored = SerialPortOfKeptName(App.StoredComPort);
    if (stored.empty())
        return;
    SetListText(PortListId, stored);
    if (!ListText(PortListId).empty()) {
        App.ComPort = stored;
        return;
    }
    const std::wstring lone = LonePortToChoose(App.FoundPorts);
    if (lone.empty())
        return;
    SetListText(PortListId, lone);
    App.ComPort = lone;
}

void FillFixedLists() {
    for (const wchar_t* speed : SpeedItems)
        AddListItem(SpeedListId, speed);
    for (const wchar_t* interval : OfferedIntervals)
        AddListItem(IntervalListId, interval);
    for (int trim = HighestClockTrim; trim >= LowestClockTrim; --trim)
        AddListItem(ClockTrimListId, IntegerText(trim));
}

} // namespace

void SetUpWindowLayer() {
    const int dpi = InitWindowLayer();
    DisplayDpi = dpi > 0 ? dpi : FallbackDpi;
}

void LoadLogFont() {
    LoadFont(LogFontId, L"Courier New", CharacterHeight(LogFontPoints, DisplayDpi));
    App.LogTop = LogTopEdge;
}

void BuildMainWindow() {
    const ScreenPoint place = OpeningPlace(App.MainX, App.MainY, App.MainW, App.MainH);
    OpenMainWindow(L"Tockmeter!", place.x, place.y, App.MainW, App.MainH);
    {
        ProgramChange change;
        CreateTopRow();
        CreateLogView(LogMargin, App.LogTop, Saturated(std::int64_t{App.MainW} - 2 * LogMargin),
                      Saturated(std::int64_t{App.MainH} - App.LogTop - LogMargin));
        for (const ControlPlace& place : TopRow)
            AddTooltip(place.id, place.tooltip);
        SetControlFont(LogViewId, LogFontId);
    }
    FillFixedLists();
    SetListText(SpeedListId, App.SerialSpeed);
    SetListText(ClockTrimListId, App.ClockTrim);
    SetListText(IntervalListId, App.TimeInterval);
    DrainEvents();
    PortScan();
    for (const std::wstring& port : App.FoundPorts)
        AddListItem(PortListId, port);
    ChoosePort();
    AddStableNamesToPortTooltip();
}

void ResizeLogView() {
    const WindowSize inner = MainWindowClientSize();
    const int width = inner.width - 2 * LogMargin;
    const int height = inner.height - App.LogTop - LogMargin;
    MoveControl(LogViewId, LogMargin, App.LogTop, width > 0 ? width : 0, height > 0 ? height : 0);
}
