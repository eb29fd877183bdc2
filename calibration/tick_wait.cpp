#include "calibration/tick_wait.h"

#include "app/app_state.h"
#include "app/main_window.h"
#include "platform/platform.h"
#include "serial/command_exchange.h"
#include "serial/serial_port.h"
#include "text/number_text.h"

#include <algorithm>

namespace {

// Beyond the window timer's longest period (about 24.8 days) no tick is ever awaited anyway.
constexpr std::int64_t LongestIntervalSeconds = 25 * 24 * 3600;
constexpr std::int64_t FirstLineSeconds = 2;

} // namespace

std::int64_t TickWaitBoundSeconds() {
    const std::int64_t uploaded =
        App.UploadedInterval > 0 ? App.UploadedInterval : LongestOfferedInterval();
    const std::int64_t interval = std::clamp<std::int64_t>(
        std::max(ParseInteger(App.TimeInterval), uploaded), 0, LongestIntervalSeconds);
    const std::int64_t clockSlack = (interval + 19) / 20;
    return interval + clockSlack + FirstLineSeconds;
}

TickWait WaitForTickLine(std::int64_t boundSeconds) {
    const double boundMicroseconds = static_cast<double>(boundSeconds) * 1e6;
    const std::int64_t begin = QueryCounter();
    App.LineWaitingAtFirstPoll = false;
    for (bool firstPoll = true;; firstPoll = false) {
        if (!ReadAvailableText().empty()) {
            App.LineWaitingAtFirstPoll = firstPoll;
            return TickWait::LineArrived;
        }
        if (!IsPortOpen(LinkPortSlot))
            return TickWait::LinkClosed;
        if (PortLost(LinkPortSlot))
            return TickWait::PortGone;
        const double waited =
            static_cast<double>(QueryCounter() - begin) * App.MicrosecondsPerCount;
        if (waited >= boundMicroseconds)
            return TickWait::TimedOut;
    }
}

std::wstring NoTickLineText(TickWait outcome, std::int64_t boundSeconds) {
    const std::wstring text = L"No tick line came from the Micromite";
    switch (outcome) {
    case TickWait::LinkClosed:
        return text + L": the link is closed.";
    case TickWait::PortGone:
        return text + L": its port no longer answers.";
    default:
        return text + L" within " + IntegerText(boundSeconds) + L" s.";
    }
}
