#include "serial/command_exchange.h"

#include "link_fixture.h"
#include "serial/serial_port.h"
#include "window/control_ids.h"
#include "window/log_view.h"

namespace {

class CommandExchangeTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        SimAddComDevice(L"COM7");
    }

    static std::string Written() { return SimComDeviceRecord(L"COM7")->written; }
};

TEST_F(CommandExchangeTest, ConnectOpensTheConfiguredPortAndLogsIt) {
    App.SerialSpeed = L"115200";
    EXPECT_TRUE(Connect());
    EXPECT_TRUE(IsPortOpen(LinkPortSlot));
    EXPECT_EQ(SimComDeviceRecord(L"COM7")->line.baudRate, 115200u);
    EXPECT_EQ(SimComDeviceRecord(L"COM7")->inputQueueSize, 8192u);
    EXPECT_EQ(LogLineCount(), 1);
    EXPECT_EQ(LogLineText(0), L"Connected to Master at 115200");

    // Open already: nothing logged, nothing reopened, even with other settings.
    App.ComPort = L"COM8";
    App.SerialSpeed = L"9600";
    EXPECT_TRUE(Connect());
    EXPECT_EQ(LogLineCount(), 1);
    EXPECT_EQ(SimComDeviceRecord(L"COM7")->opens, 1);
    EXPECT_EQ(SimComDeviceRecord(L"COM7")->line.baudRate, 115200u);
}

TEST_F(CommandExchangeTest, AFailedConnectLogsFirstThenTellsTheUser) {
    App.ComPort = L"com9";
    App.SerialSpeed = L"38400";
    // Runs inside the message box: the log line is there already.
    SimScheduleAction(0, [] { EXPECT_EQ(LogLineText(0), L"Master not found!"); });
    EXPECT_FALSE(Connect());
    EXPECT_FALSE(IsPortOpen(LinkPortSlot));
    ASSERT_EQ(SimMessageBoxes().size(), 1u);
    EXPECT_EQ(SimMessageBoxes()[0].title, L"OOPS!");
    EXPECT_EQ(SimMessageBoxes()[0].text, L"Master not found! com9:38400");
    EXPECT_EQ(SimPendingActions(), 0);
}

TEST_F(CommandExchangeTest, SendAndCollectWaitsItsDelayAndReadsOnceAfterIt) {
    App.LineDelay = 150;
    ASSERT_TRUE(Connect());
    SimQueueComInput(L"COM7", 0, "early ");
    SimQueueComInput(L"COM7", 100 * Milliseconds, "reply");
    SimQueueComInput(L"COM7", 200 * Milliseconds, " late");

    EXPECT_EQ(SendAndCollect(L"NEW\r", 0), L"early reply"); // 0 means the line delay
    EXPECT_EQ(Written(), "NEW\r");
    EXPECT_GE(SimNowNanoseconds(), 150 * Milliseconds);
    EXPECT_LT(SimNowNanoseconds(), 151 * Milliseconds);

    EXPECT_EQ(SendAndCollect(L"", 300), L" late"); // sends nothing, still waits and collects
    EXPECT_EQ(Written(), "NEW\r");
    EXPECT_GE(SimNowNanoseconds(), 450 * Milliseconds);
}

TEST_F(CommandExchangeTest, AClosedLinkStillWaitsAndGivesNothing) {
    EXPECT_EQ(SendAndCollect(L"RUN\r", 300), L"");
    EXPECT_EQ(SimNowNanoseconds(), 300 * Milliseconds);
    EXPECT_EQ(WriteLink("x", 1), -1);
    char buffer[4];
    EXPECT_EQ(ReadLink(buffer, sizeof buffer), -1);
    EXPECT_EQ(ReadAvailableText(), L"");
    Disconnect(); // nothing to close
    EXPECT_EQ(Written(), "");
}

TEST_F(CommandExchangeTest, AReplyLongerThanTheBufferComesInPieces) {
    ASSERT_TRUE(Connect());
    SimQueueComInput(L"COM7", 0, std::string(5000, 'a') + std::string(1200, 'b'));
    EXPECT_EQ(SendAndCollect(L"", 10), std::wstring(5000, L'a'));
    EXPECT_EQ(ReadAvailableText(), std::wstring(1200, L'b'));
    EXPECT_EQ(SimComDeviceRecord(L"COM7")->readsBeyondWaiting, 0);
}

TEST_F(CommandExchangeTest, AZeroByteEndsTheTextButTheStampIsTaken) {
    ASSERT_TRUE(Connect());
    SimQueueComInput(L"COM7", 10 * Milliseconds, std::string("ab\0cd", 5));
    EXPECT_EQ(ReadAvailableText(), L""); // nothing yet: the stamp stays
    EXPECT_EQ(App.ArrivalStamp, 0);
    SimAdvanceNanoseconds(10 * Milliseconds);
    EXPECT_EQ(ReadAvailableText(), L"ab");
    EXPECT_EQ(SimComWaiting(L"COM7"), 0u); // the bytes after the zero were read and lost
    // Taken after the status query found the input, on the 10 MHz counter.
    EXPECT_EQ(App.ArrivalStamp, SimNowNanoseconds() / 100);

    SimQueueComInput(L"COM7", SimNowNanoseconds(), std::string("\0x", 2));
    const std::int64_t before = App.ArrivalStamp;
    EXPECT_EQ(ReadAvailableText(), L"");
    EXPECT_GT(App.ArrivalStamp, before);
}

TEST_F(CommandExchangeTest, ATextLongerThanTheTransmitBufferIsSentWhole) {
    ASSERT_TRUE(Connect());
    const std::wstring text = std::wstring(12000, L'x') + L"\x00E9\x20AC\r";
    SendAndCollect(text, 10);
    // Latin-1 stands for the code page here: the euro sign is not in it.
    EXPECT_EQ(Written(), std::string(12000, 'x') + "\xE9?\r");
}

TEST_F(CommandExchangeTest, DecodingStopsAtTheFirstZeroByte) {
    const struct {
        std::string bytes;
        std::size_t count;
        std::wstring text;
    } cases[] = {
        {"abc", 3, L"abc"},
        {"abc", 2, L"ab"},
        {std::string("a\0c", 3), 3, L"a"},
        {std::string("\0bc", 3), 3, L""},
        {"\r\n> ", 4, L"\r\n> "},
        {"\xE9", 1, L"\x00E9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeWireText(c.bytes.data(), c.count), c.text);
}

} // namespace
