// A choice made in a list while a handler is busy is taken by the handler's drain, but the list
// shows it: once the handler has returned, the program uses what the lists show.
#include "app/lifecycle.h"
#include "timing_fixture.h"
#include "window/control_ids.h"

#include <string>

namespace {

using ListAgreementTest = MicromiteRunTest;

// The upload lasts 53 line delays of 150 ms; the second one starts well after the first.
constexpr std::int64_t SecondUploadAt = UploadAt + 12 * Seconds;

TEST_F(ListAgreementTest, TheNextUploadSendsWhatTheListsShow) {
    const struct {
        const char* what;
        const char* settings; // the file at start-up; empty: none
        int listId;
        int index;
        std::string firstSends, secondSends;
        std::wstring setting;
        int timerPeriod;
    } cases[] = {
        {"CLOCKTRIM", "", ClockTrimListId, 37, "OPTION CLOCKTRIM 0\r", "OPTION CLOCKTRIM -5\r",
         L"-5", 9700},
        {"interval", "", IntervalListId, 3, "interval = 10\r", "interval = 30\r", L"30", 29700},
        // The interval list shows nothing for a stored 7: the setting keeps it.
        {"CLOCKTRIM, the interval list showing nothing", "[micromite]\r\nTime interval = 7\r\n",
         ClockTrimListId, 0, "interval = 7\r", "interval = 7\r", L"32", 6700},
    };
    for (const auto& c : cases) {
        SetUp();
        if (*c.settings)
            SimPutFile(SettingsPath, c.settings);
        SimSchedulePressButton(UploadAt, UploadButtonId);
        SimScheduleChooseListItem(UploadAt + 3 * Seconds, c.listId, c.index);
        SimSchedulePressButton(SecondUploadAt, UploadButtonId);
        SimScheduleClose(SecondUploadAt + 12 * Seconds);
        RunTockmeter();

        const std::string first = ReceivedFrom(UploadAt).substr(
            0, ReceivedFrom(UploadAt).size() - ReceivedFrom(SecondUploadAt).size());
        EXPECT_NE(first.find(c.firstSends), std::string::npos) << c.what;
        EXPECT_NE(ReceivedFrom(SecondUploadAt).find(c.secondSends), std::string::npos) << c.what;
        EXPECT_EQ(c.listId == ClockTrimListId ? App.ClockTrim : App.TimeInterval, c.setting)
            << c.what;
        EXPECT_EQ(App.TimerPeriod, c.timerPeriod) << c.what;
        // The port list shows COM7 for the stored "com7": the setting keeps its letters.
        EXPECT_EQ(App.ComPort, L"com7") << c.what;
    }
}

} // namespace
