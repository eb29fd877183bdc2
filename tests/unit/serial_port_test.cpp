#include "serial/serial_port.h"

#include "app_fixture.h"
#include "platform/serial.h"

namespace {

class SerialPortTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        CloseAllPorts();
        SimAddComDevice(L"COM3");
        SimAddComDevice(L"COM4");
    }
    void TearDown() override { CloseAllPorts(); }

    static DeviceHandle Open(int slot, const std::wstring& name, float stopBits = 1.0f,
                             int handshake = HandshakeNone, int queues = 8192) {
        return OpenPort(slot, name, 38400, 0, 8, stopBits, handshake, queues, queues);
    }
};

TEST_F(SerialPortTest, OpensWithTheLineSettingsQueuesAndTimeLimits) {
    ASSERT_NE(OpenPort(LinkPortSlot, L"com3", 115200, 0, 8, 1.0f, HandshakeNone, 8192, 8192), 0);
    EXPECT_TRUE(IsPortOpen(LinkPortSlot));
    const SimComRecord& record = *SimComDeviceRecord(L"COM3");
    EXPECT_EQ(record.line.baudRate, 115200u);
    EXPECT_EQ(record.line.byteSize, 8);
    EXPECT_EQ(record.line.parity, 0);
    EXPECT_TRUE(record.line.parityCheck);
    EXPECT_EQ(record.line.stopBits, 0);
    EXPECT_TRUE(record.line.writeCtsFlow);
    EXPECT_FALSE(record.line.ctsFlow);
    EXPECT_EQ(record.line.rtsControl, ComLineChanges::RtsDisable);
    EXPECT_FALSE(record.line.writeXonXoff);
    EXPECT_EQ(record.inputQueueSize, 8192u);
    // A read returns at once with what is there.
    EXPECT_EQ(record.timeouts.readInterval, 0xFFFFFFFFu);
    EXPECT_EQ(record.timeouts.readTotalMultiplier, 0u);
    EXPECT_EQ(record.timeouts.readTotalConstant, 0u);
    EXPECT_EQ(record.timeouts.writeTotalMultiplier, 100u);
    EXPECT_EQ(record.timeouts.writeTotalConstant, 10u);
}

TEST_F(SerialPortTest, MapsStopBitsAndHandshakeCodes) {
    const struct {
        float stopBits;
        int stopCode;
    } stops[] = {{1.0f, 0}, {2.0f, 2}, {1.5f, 1}, {0.0f, 1}, {3.0f, 1}};
    for (const auto& s : stops) {
        ClosePort(2);
        ASSERT_NE(Open(2, L"COM3", s.stopBits), 0);
        EXPECT_EQ(SimComDeviceRecord(L"COM3")->line.stopBits, s.stopCode) << s.stopBits;
    }
    // Each open meets a device on which an earlier program left every other kind of flow
    // control on; only "no handshake" promises a line without any.
    SimComFlow leftOn;
    leftOn.dsrFlow = leftOn.dsrSensitivity = leftOn.xonXoff = true;
    leftOn.dtrHandshake = leftOn.abortOnError = true;
    const struct {
        int code;
        bool ctsWritten, cts;
        ComLineChanges::RtsControl rts;
        bool xonXoff;
        bool othersCleared;
    } handshakes[] = {
        {HandshakeNone, true, false, ComLineChanges::RtsDisable, false, true},
        {HandshakeRtsOn, true, false, ComLineChanges::RtsEnable, false, false},
        {HandshakeRtsCts, true, true, ComLineChanges::RtsHandshake, false, false},
        {HandshakeXonXoff, false, false, ComLineChanges::RtsDisable, true, false},
        {7, false, false, ComLineChanges::RtsDisable, false, false},
    };
    for (const auto& h : handshakes) {
        ClosePort(2);
        SimSetComFlow(L"COM3", leftOn);
        ASSERT_NE(Open(2, L"COM3", 1.0f, h.code), 0);
        const ComLineChanges& line = SimComDeviceRecord(L"COM3")->line;
        EXPECT_EQ(line.writeCtsFlow, h.ctsWritten) << h.code;
        EXPECT_EQ(line.writeRtsControl, h.ctsWritten) << h.code;
        EXPECT_EQ(line.ctsFlow, h.cts) << h.code;
        EXPECT_EQ(line.rtsControl, h.rts) << h.code;
        EXPECT_EQ(line.writeXonXoff, h.xonXoff) << h.code;
        const SimComFlow& flow = SimComDeviceRecord(L"COM3")->flow;
        const bool kept = !h.othersCleared;
        EXPECT_EQ(flow.dsrFlow, kept) << h.code;
        EXPECT_EQ(flow.dsrSensitivity, kept) << h.code;
        EXPECT_EQ(flow.xonXoff, kept || h.xonXoff) << h.code;
        EXPECT_EQ(flow.dtrHandshake, kept) << h.code;
        EXPECT_EQ(flow.abortOnError, kept) << h.code;
    }
    ClosePort(2);
    ASSERT_NE(Open(2, L"COM3", 1.0f, HandshakeXonXoff, 8192), 0);
    EXPECT_EQ(SimComDeviceRecord(L"COM3")->line.xonLimit, 819);
    EXPECT_EQ(SimComDeviceRecord(L"COM3")->line.xoffLimit, 7 * 819);
}

TEST_F(SerialPortTest, AsksForQueuesOnlyWhenBothSizesAreAboveZero) {
    ASSERT_NE(OpenPort(2, L"COM3", 9600, 0, 8, 1.0f, 0, 0, 8192), 0);
    EXPECT_EQ(SimComDeviceRecord(L"COM3")->inputQueueSize, 0u);
    ASSERT_NE(OpenPort(2, L"COM4", 9600, 0, 8, 1.0f, 0, 1024, 1024), 0);
    EXPECT_EQ(SimComDeviceRecord(L"COM4")->inputQueueSize, 1024u);
}

TEST_F(SerialPortTest, TheDevicePrefixIsAlwaysAddedAndLongNamesAreCut) {
    const std::wstring longName = L"COM3" + std::wstring(55, L'x'); // 59 characters
    SimAddComDevice(longName);
    EXPECT_NE(Open(2, longName + L"yyyy"), 0);
    ClosePort(2);
    EXPECT_EQ(Open(2, L"\\\\.\\COM3"), 0); // prefixed twice: no such device
    EXPECT_EQ(Open(2, L""), 0);
    EXPECT_EQ(Open(2, L"COM9"), 0);
}

TEST_F(SerialPortTest, AFailedOpenLeavesTheSlotAsItWas) {
    const DeviceHandle first = Open(2, L"COM3");
    ASSERT_NE(first, 0);
    SimHoldComDevice(L"COM4", true);
    EXPECT_EQ(Open(2, L"COM4"), 0); // held by another program
    SimHoldComDevice(L"COM4", false);
    SimRefuseComState(L"COM4", false, true);
    EXPECT_EQ(Open(2, L"COM4"), 0); // refuses the line settings: released again
    EXPECT_EQ(SimOpenComCount(), 1);
    EXPECT_TRUE(IsPortOpen(2));
    EXPECT_EQ(WritePort(2, "x", 1), 1u);
    EXPECT_EQ(SimComDeviceRecord(L"COM3")->written, "x");
    EXPECT_EQ(Open(0, L"COM3"), 0); // this program's other slot holds it
    EXPECT_EQ(Open(2, L"COM3"), 0); // and so does this very slot: the old device stays
    EXPECT_TRUE(IsPortOpen(2));

    SimRefuseComState(L"COM4", false, false);
    EXPECT_NE(Open(2, L"COM4"), 0); // opens over the old device, which is closed
    EXPECT_EQ(SimOpenComCount(), 1);
    EXPECT_NE(Open(0, L"COM3"), 0);
}

TEST_F(SerialPortTest, EmptySlotsGiveNothingAndTouchNoDevice) {
    SimQueueComInput(L"COM3", 0, "waiting");
    char buffer[4];
    for (int slot : {0, 2, 15, 40, -1}) {
        EXPECT_FALSE(IsPortOpen(slot));
        EXPECT_EQ(PendingInput(slot), 0u);
        EXPECT_EQ(ReadPort(slot, buffer, 4), 0u);
        EXPECT_EQ(WritePort(slot, "x", 1), 0u);
        ClosePort(slot);
    }
    EXPECT_EQ(SimOpenComCount(), 0);
    for (const wchar_t* device : {L"COM3", L"COM4"}) {
        EXPECT_EQ(SimComDeviceRecord(device)->opens, 0) << device;
        EXPECT_EQ(SimComDeviceRecord(device)->written, "") << device;
    }
    EXPECT_EQ(SimComWaiting(L"COM3"), 7u); // nothing was read
    ASSERT_NE(Open(40, L"COM3"), 0);       // the table grows
    EXPECT_TRUE(IsPortOpen(40));
    ClosePort(40);
    EXPECT_FALSE(IsPortOpen(40));
}

TEST_F(SerialPortTest, PendingInputCountsWaitingBytesAndClearsLineErrors) {
    ASSERT_NE(Open(2, L"COM3"), 0);
    SimQueueComInput(L"COM3", 0, "hello");
    SimRaiseComLineError(L"COM3");
    EXPECT_EQ(PendingInput(2), 5u);
    EXPECT_EQ(SimComDeviceRecord(L"COM3")->lineErrorsCleared, 1);
    char buffer[8];
    EXPECT_EQ(ReadPort(2, buffer, 5), 5u);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_EQ(PendingInput(2), 0u);
}

TEST_F(SerialPortTest, AnUnpluggedDeviceGivesNothingAndStaysOpenUntilClosed) {
    ASSERT_NE(Open(2, L"COM3"), 0);
    SimQueueComInput(L"COM3", 0, "abc");
    SimRemoveComDevice(L"COM3");
    EXPECT_EQ(PendingInput(2), 0u);
    EXPECT_TRUE(PortLost(2));
    EXPECT_TRUE(IsPortOpen(2));
    EXPECT_EQ(WritePort(2, "x", 1), 0u);
    CloseAllPorts();
    EXPECT_FALSE(IsPortOpen(2));
    EXPECT_FALSE(PortLost(2));
    EXPECT_EQ(SimOpenComCount(), 0);
}

} // namespace
