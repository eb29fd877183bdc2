#include "serial/port_scan.h"

#include "app_fixture.h"
#include "platform/window.h"
#include "serial/serial_port.h"

namespace {

class PortScanTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        CloseAllPorts();
        OpenMainWindow(L"Tockmeter!", 200, 200, 468, 287);
    }
};

TEST_F(PortScanTest, FindsThePortsThatOpenUpToTheHighestNumber) {
    for (const wchar_t* port : {L"COM1", L"COM3", L"COM4", L"COM6", L"COM7"})
        SimAddComDevice(port);
    SimHoldComDevice(L"COM4", true);         // held by another program
    SimRefuseComState(L"COM6", false, true); // refuses the line settings
    App.MaxPortNo = 6;
    PortScan();
    EXPECT_EQ(App.FoundPorts, (std::vector<std::wstring>{L"COM1", L"COM3"}));
    EXPECT_TRUE(SimMessageBoxes().empty());
    EXPECT_FALSE(IsPortOpen(ProbePortSlot));
    EXPECT_EQ(SimOpenComCount(), 0);
    // Probed at 38400 with small queues, nothing sent; 20 ms after every attempt.
    const SimComRecord& probed = *SimComDeviceRecord(L"COM3");
    EXPECT_EQ(probed.line.baudRate, 38400u);
    EXPECT_EQ(probed.inputQueueSize, 1024u);
    EXPECT_EQ(probed.written, "");
    EXPECT_EQ(SimComDeviceRecord(L"COM7")->opens, 0);
    EXPECT_EQ(SimNowNanoseconds(), 6 * 20 * Milliseconds);
}

TEST_F(PortScanTest, NoPortOrNoNumberToProbeTellsTheUser) {
    SimAddComDevice(L"COM1");
    for (std::int32_t highest : {0, -5}) {
        App.MaxPortNo = highest;
        PortScan();
        EXPECT_TRUE(App.FoundPorts.empty());
    }
    ASSERT_EQ(SimMessageBoxes().size(), 2u);
    EXPECT_EQ(SimMessageBoxes()[1].title, L"OOPS!");
    EXPECT_EQ(SimMessageBoxes()[1].text, L"No com ports found");
    EXPECT_EQ(SimNowNanoseconds(), 0);
}

TEST_F(PortScanTest, NoBoundBeyondTheLastComPortNumberIsProbed) {
    SimAddComDevice(L"COM256");
    SimAddComDevice(L"COM257");
    App.MaxPortNo = INT32_MAX;
    PortScan();
    EXPECT_EQ(App.FoundPorts, (std::vector<std::wstring>{L"COM256"}));
    EXPECT_EQ(SimNowNanoseconds(), 256 * 20 * Milliseconds);
    EXPECT_EQ(App.MaxPortNo, INT32_MAX);
}

// Ports the user may not open are named once, after the scan, with the platform's reason, before
// the message that none opened. A port refused for no reason the user can mend (COM4, held, and
// COM5, absent, right after refused ones) is not named.
TEST_F(PortScanTest, PortsTheUserMayNotOpenAreNamedWithTheReason) {
    const std::wstring group = L"Join the group.";
    for (const wchar_t* port : {L"COM1", L"COM2", L"COM3", L"COM4"})
        SimAddComDevice(port);
    SimRefuseComOpen(L"COM1", group);
    SimRefuseComOpen(L"COM2", L"Ask the owner.");
    SimRefuseComOpen(L"COM3", group);
    SimHoldComDevice(L"COM4", true);
    App.MaxPortNo = 5;
    PortScan();
    EXPECT_TRUE(App.FoundPorts.empty());
    ASSERT_EQ(SimMessageBoxes().size(), 2u);
    EXPECT_EQ(SimMessageBoxes()[0].title, L"Tockmeter");
    EXPECT_EQ(SimMessageBoxes()[0].text,
              L"Some serial ports are there but could not be opened.\n\nCOM1, COM3:\n" + group +
                  L"\n\nCOM2:\nAsk the owner.");
    EXPECT_EQ(SimMessageBoxes()[1].text, L"No com ports found");
    EXPECT_EQ(SimOpenComCount(), 0);
    EXPECT_EQ(SimNowNanoseconds(), 5 * 20 * Milliseconds);

    // A refusal that ends lets the port open.
    SimRefuseComOpen(L"COM1", L"");
    SimHoldComDevice(L"COM4", false);
    PortScan();
    EXPECT_EQ(App.FoundPorts, (std::vector<std::wstring>{L"COM1", L"COM4"}));
    ASSERT_EQ(SimMessageBoxes().size(), 3u);
    EXPECT_EQ(SimMessageBoxes()[2].text,
              L"Some serial ports are there but could not be opened.\n\nCOM2:\nAsk the "
              L"owner.\n\nCOM3:\n" +
                  group);
}

// The ports the system lists are probed beside COM1 up to the highest number, in the same way,
// each once and in the order of their numbers, none beyond COM256; a port of another form
// follows them. An adapter that a PC numbered COM45 is offered with the default 32.
TEST_F(PortScanTest, PortsTheSystemListsAreProbedBesideTheNumberedOnes) {
    for (const wchar_t* port : {L"COM3", L"COM33", L"COM45", L"COM300", L"CNCA0"})
        SimAddComDevice(port);
    for (const wchar_t* listed :
         {L"COM45", L"COM3", L"COM300", L"CNCA0", L"com45", L"COM33", L"COM0", L"COM45"})
        SimListComPortInSystem(listed);
    App.MaxPortNo = 32;
    PortScan();
    EXPECT_EQ(App.FoundPorts, (std::vector<std::wstring>{L"COM3", L"COM33", L"COM45", L"CNCA0"}));
    EXPECT_EQ(SimNowNanoseconds(), (32 + 3) * 20 * Milliseconds);
    for (const wchar_t* port : {L"COM45", L"CNCA0"}) {
        EXPECT_EQ(SimComDeviceRecord(port)->opens, 1) << port;
        EXPECT_EQ(SimComDeviceRecord(port)->line.baudRate, 38400u) << port;
    }
    EXPECT_EQ(SimComDeviceRecord(L"COM300")->opens, 0);
    EXPECT_EQ(SimOpenComCount(), 0);
}

TEST_F(PortScanTest, AScanStartsAfresh) {
    SimAddComDevice(L"COM2");
    App.MaxPortNo = 2;
    App.FoundPorts = {L"COM9"};
    PortScan();
    EXPECT_EQ(App.FoundPorts, (std::vector<std::wstring>{L"COM2"}));
}

} // namespace
