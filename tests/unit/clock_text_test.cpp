#include "text/clock_text.h"

#include "platform/clock.h"
#include "sim/sim.h"

#include <gtest/gtest.h>

namespace {

class ClockTextTest : public ::testing::Test {
protected:
    void SetUp() override { SimReset(); }
};

TEST_F(ClockTextTest, CurrentDateTimeCountsWallClockSecondsWithinTheSpan) {
    const struct {
        LocalDateTime now;
        DateValue expected;
    } cases[] = {
        {{1970, 1, 1, 0, 0, 0}, 0},
        {{1970, 1, 1, 0, 1, 40}, 100},
        {{2000, 2, 29, 12, 0, 0}, 951825600},
        {{2026, 12, 10, 1, 49, 58}, 1796867398},
        {{2038, 1, 19, 3, 14, 7}, 2147483647},
        {{2038, 1, 19, 3, 14, 8}, NoDate},
        {{1969, 12, 31, 23, 59, 59}, NoDate},
        {{2100, 1, 1, 0, 0, 0}, NoDate},
    };
    for (const auto& c : cases) {
        SimSetLocalDateTime(c.now);
        EXPECT_EQ(CurrentDateTime(), c.expected) << c.now.year << "-" << c.now.month;
    }
}

TEST_F(ClockTextTest, CurrentDateTimeFollowsVirtualTime) {
    SimSetLocalDateTime({1970, 1, 1, 0, 0, 0});
    SimAdvanceNanoseconds(100'999'000'000);
    EXPECT_EQ(CurrentDateTime(), 100); // milliseconds are dropped
}

TEST_F(ClockTextTest, ReplacesTokensInEitherCase) {
    const struct {
        const wchar_t* mask;
        DateValue date;
        const wchar_t* expected;
    } cases[] = {
        {L"%hh:%ii:%ss", 100, L"00:01:40"},
        {L"%yyyy-%mm-%dd", 100, L"1970-01-01"},
        {L"%YY", 100, L"70"},
        {L"%Yyyy/%MM/%Dd %HH:%Ii:%sS", 951825600 + 3723, L"2000/02/29 13:02:03"},
        {L"%yyyy-%mm-%dd %hh:%ii:%ss", 2147483647, L"2038-01-19 03:14:07"},
        {L"%yyy", 100, L"70y"}, // the longest word that fits, then the rest as it is
        {L"100%", 100, L"100%"},
        {L"%x%", 100, L"%x%"},
        {L"%%hh", 100, L"%00"},
        {L"", 100, L""},
        {L"plain text", 100, L"plain text"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClockText(c.mask, c.date), c.expected) << "mask: " << c.mask;
}

TEST_F(ClockTextTest, NoDateGivesZeroFields) {
    EXPECT_EQ(ClockText(L"%hh:%ii:%ss", NoDate), L"00:00:00");
    EXPECT_EQ(ClockText(L"%yyyy-%mm-%dd %yy", NoDate), L"0000-00-00 00");
}

TEST_F(ClockTextTest, ReadsBackTheWallClock) {
    SimSetLocalDateTime({2026, 12, 10, 23, 59, 58});
    EXPECT_EQ(ClockText(L"%yyyy-%mm-%dd %hh:%ii:%ss", CurrentDateTime()), L"2026-12-10 23:59:58");
    SimAdvanceNanoseconds(2'000'000'000);
    EXPECT_EQ(ClockText(L"%yyyy-%mm-%dd %hh:%ii:%ss", CurrentDateTime()), L"2026-12-11 00:00:00");
}

} // namespace
