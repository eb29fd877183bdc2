#include "serial/port_scan.h"

#include "app_fixture.h"
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

TEST_F(PortScanTest, AScanStartsAfresh) {
    SimAddComDevice(L"COM2");
    App.MaxPortNo = 2;
    App.FoundPorts = {L"COM9"};
    PortScan();
    EXPECT_EQ(App.FoundPorts, (std::vector<std::wstring>{L"COM2"}));
}

} // namespace
