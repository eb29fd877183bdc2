// The tick program upload against the simulated Micromite, in virtual time.
#include "calibration/tick_program.h"

#include "link_fixture.h"
#include "serial/command_exchange.h"
#include "serial/serial_port.h"
#include "sim/micromite_model.h"
#include "window/control_ids.h"
#include "window/log_view.h"

#include <string>
#include <vector>

namespace {

class TickProgramTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        App.LineDelay = 150;
        micromite = &SimConnectMicromite(L"COM7", MicromiteOptions{});
        // The power-up banner went out long before the upload.
        SimAdvanceNanoseconds(5 * Seconds);
        std::string banner;
        MicromiteTakeOutput(*micromite, SimNowNanoseconds(), banner);
    }
    static std::vector<std::wstring> LogLines() {
        std::vector<std::wstring> lines;
        for (int i = 0; i < LogLineCount(); ++i)
            lines.push_back(LogLineText(i));
        return lines;
    }

    MicromiteModel* micromite = nullptr;
};

const std::vector<std::string> ProgramLines = {
    "interval = 30", "SETTICK 1000, ticker",       "DO:LOOP", "END",    "SUB ticker",
    "n = n + 1",     "IF n MOD interval = 1 THEN", "PRINT n", "END IF", "END SUB"};

TEST_F(TickProgramTest, SendsTheWholeDialogueWithItsDelaysAndLogsTheReplies) {
    App.ClockTrim = L"-5";
    App.TimeInterval = L"30";
    const std::int64_t begin = SimNowNanoseconds();
    UploadTickProgram();

    // What the controller received, each piece after the delay (in line delays) of the one
    // before it.
    struct Expected {
        std::string bytes;
        int lineDelaysAfter;
    };
    std::vector<Expected> expected = {
        {"\x03", 2}, {"OPTION CLOCKTRIM -5\r", 1}, {"NEW\r", 15}, {"AUTOSAVE\r", 15}};
    for (const std::string& line : ProgramLines)
        expected.push_back({line + "\r", 1});
    expected.push_back({"\x1a", 10});
    const auto& received = micromite->record.received;
    ASSERT_EQ(received.size(), expected.size());
    std::int64_t due = begin;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(received[i].bytes, expected[i].bytes) << i;
        // A status query costs the simulated device a microsecond.
        EXPECT_GE(received[i].atNanoseconds, due) << i;
        EXPECT_LE(received[i].atNanoseconds, due + 20000) << i;
        EXPECT_EQ(received[i].bytes.find('\n'), std::string::npos);
        due = received[i].atNanoseconds + expected[i].lineDelaysAfter * 150 * Milliseconds;
    }
    EXPECT_LT(SimNowNanoseconds() - begin - 53 * 150 * Milliseconds, Milliseconds);

    // Every reply logged as it came, but AUTOSAVE's; the program lines' echoes without their
    // line ends.
    const std::vector<std::wstring> log = {L"Program stage 1 started",
                                           L"Connected to Master at 38400",
                                           L"",
                                           L"> ",
                                           L"OPTION CLOCKTRIM -5",
                                           L"> ",
                                           L"NEW",
                                           L"> ",
                                           L"interval = 30",
                                           L"SETTICK 1000, ticker",
                                           L"DO:LOOP",
                                           L"END",
                                           L"SUB ticker",
                                           L"n = n + 1",
                                           L"IF n MOD interval = 1 THEN",
                                           L"PRINT n",
                                           L"END IF",
                                           L"END SUB",
                                           L"Saved 128 bytes",
                                           L"> ",
                                           L"Program uM completed"};
    EXPECT_EQ(LogLines(), log);

    EXPECT_EQ(micromite->trim, -5);
    std::string stored;
    for (const std::string& line : ProgramLines)
        stored += line + "\r\n";
    EXPECT_EQ(micromite->program, stored);
    EXPECT_FALSE(IsPortOpen(LinkPortSlot));
    EXPECT_EQ(App.UploadedInterval, 30);
}

// The line delay has no upper bound: each wait is its count of line delays, held to the longest
// pause there is (15 of these line delays would overflow 32 bits and end at once).
TEST_F(TickProgramTest, LongLineDelaysAreWaitedInFullUpToTheLongestPause) {
    App.LineDelay = INT32_MAX / 10;
    UploadTickProgram();
    const int delaysAfter[] = {2, 1, 15, 15, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 10};
    const auto& received = micromite->record.received;
    ASSERT_EQ(received.size(), std::size(delaysAfter));
    for (std::size_t i = 0; i + 1 < received.size(); ++i) {
        const std::int64_t wanted =
            std::min<std::int64_t>(std::int64_t{delaysAfter[i]} * App.LineDelay, INT32_MAX);
        const std::int64_t gap = received[i + 1].atNanoseconds - received[i].atNanoseconds;
        EXPECT_GE(gap, wanted * Milliseconds) << i;
        EXPECT_LT(gap, wanted * Milliseconds + Milliseconds) << i;
    }
    EXPECT_EQ(micromite->program.empty(), false);
}

TEST_F(TickProgramTest, EmptyRepliesStillGiveTheirLogLines) {
    SimSetComPeer(L"COM7", SimComPeer{});
    UploadTickProgram();
    // Ctrl-C, CLOCKTRIM (unconfirmed, as nothing came back) and NEW, the ten program lines and
    // Ctrl-Z; AUTOSAVE is not logged.
    std::vector<std::wstring> log = {L"Program stage 1 started", L"Connected to Master at 38400",
                                     L"", L"",
                                     L"The Micromite did not confirm CLOCKTRIM 0: the runs that "
                                     L"follow are credited to no CLOCKTRIM value."};
    log.insert(log.end(), 12, L"");
    log.push_back(L"Program uM completed");
    EXPECT_EQ(LogLines(), log);
    EXPECT_EQ(App.UploadedClockTrim, L"");
}

TEST_F(TickProgramTest, AFailedConnectSendsNothing) {
    App.ComPort = L"com9";
    UploadTickProgram();
    EXPECT_EQ(LogLines(),
              (std::vector<std::wstring>{L"Program stage 1 started", L"Master not found!"}));
    ASSERT_EQ(SimMessageBoxes().size(), 1u);
    EXPECT_EQ(SimMessageBoxes()[0].text, L"Master not found! com9:38400");
    EXPECT_TRUE(micromite->record.received.empty());
    EXPECT_FALSE(IsPortOpen(LinkPortSlot));
    EXPECT_EQ(App.UploadedInterval, 0);
}

TEST(TickProgramEcho, AtMostTwoLineEndsComeOff) {
    const struct {
        std::wstring reply, logged;
    } cases[] = {
        {L"END\r\n", L"END"}, {L"END\r\n\r\n", L"END\r\n"}, {L"END\n\r", L"END"},
        {L"END\r", L"END"},   {L"END\n\n\n", L"END\n"},     {L"\r\n", L""},
        {L"", L""},           {L"a\r\nb", L"a\r\nb"},       {L"END \r\n", L"END "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithoutLineEnds(c.reply), c.logged) << c.reply.size();
}

} // namespace
