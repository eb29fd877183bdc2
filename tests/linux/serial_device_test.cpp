// Serial devices over termios, with a pseudo-terminal standing in for the adapter: the test holds
// the far end, where the Micromite would be.
#include "platform/clock.h"
#include "platform/serial.h"
#include "platform/text_encoding.h"
#include "system_fixtures.h"

#include <fcntl.h>
#include <grp.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>

namespace {

using namespace std::string_literals;

// As the program sets them for its ports: reads give what is there at once.
const ComTimeouts ReadAtOnce = {ComReadAtOnce, 0, 0, 100, 10};

// The link as the program opens it with no handshake.
ComLineChanges LinkLine(std::uint32_t speed) {
    ComLineChanges line;
    line.baudRate = speed;
    line.writeCtsFlow = true;
    line.writeRtsControl = true;
    line.clearOtherFlowControl = true;
    return line;
}

// Every byte value, and the ones a terminal in cooked mode would act on, in runs.
std::string AnyBytes() {
    std::string bytes;
    for (int value = 0; value < 256; ++value)
        bytes += static_cast<char>(value);
    return bytes + "\r\n\n\r\x03\x04\x11\x13\x1a\x7f\x1b\x00\x00\xff"s;
}

class SerialDeviceTest : public ::testing::Test {
protected:
    void TearDown() override { CloseComDevice(device); }

    // Opens the pseudo-terminal as the program opens the link.
    bool OpenLink() {
        device = OpenComDevice(WideFromUtf8(pty.devicePath()));
        if (device == 0 || !ChangeComLineState(device, LinkLine(115200)))
            return false;
        SetComTimeouts(device, ReadAtOnce);
        return true;
    }

    // Asks the device until at least count bytes wait or patience runs out; what waits.
    std::uint32_t WaitUntilWaiting(std::uint32_t count) {
        std::uint32_t waiting = 0;
        for (int attempt = 0; attempt < 10000; ++attempt) {
            if (!QueryComInput(device, waiting) || waiting >= count)
                break;
            PauseMilliseconds(1);
        }
        return waiting;
    }

    // The device's line state as the far end sees it (the two ends of a pseudo-terminal share
    // the slave's state).
    termios LineState() const {
        termios state{};
        tcgetattr(pty.master(), &state);
        return state;
    }

    PseudoTerminal pty;
    DeviceHandle device = 0;
};

TEST_F(SerialDeviceTest, OpensRawAtTheSpeedAsked) {
    ASSERT_TRUE(OpenLink());
    ASSERT_TRUE(ChangeComLineState(device, LinkLine(230400)));
    const termios state = LineState();
    EXPECT_EQ(cfgetispeed(&state), static_cast<speed_t>(B230400));
    EXPECT_EQ(cfgetospeed(&state), static_cast<speed_t>(B230400));
    EXPECT_EQ(state.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(state.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF), 0u);
    EXPECT_EQ(state.c_oflag & OPOST, 0u);
    EXPECT_EQ(state.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(state.c_cc[VMIN], 0);
    EXPECT_EQ(state.c_cc[VTIME], 0);

    // A speed termios has no constant for is refused, and the line keeps the one it had.
    EXPECT_FALSE(ChangeComLineState(device, LinkLine(12345)));
    const termios kept = LineState();
    EXPECT_EQ(cfgetospeed(&kept), static_cast<speed_t>(B230400));
}

TEST_F(SerialDeviceTest, BytesPassBothWaysUnchanged) {
    ASSERT_TRUE(OpenLink());
    const std::string bytes = AnyBytes();

    pty.Send(bytes);
    ASSERT_EQ(WaitUntilWaiting(static_cast<std::uint32_t>(bytes.size())), bytes.size());
    std::string got(bytes.size() + 10, '\0');
    ASSERT_EQ(ReadComDevice(device, &got[0], got.size()), bytes.size());
    got.resize(bytes.size());
    EXPECT_EQ(got, bytes);

    EXPECT_EQ(WriteComDevice(device, bytes.data(), bytes.size()), bytes.size());
    EXPECT_EQ(pty.Receive(bytes.size()), bytes);
}

TEST_F(SerialDeviceTest, ReadsGiveWhatIsThereWithinTheirLimits) {
    ASSERT_TRUE(OpenLink());
    char buffer[16];
    std::uint32_t waiting = 99;
    ASSERT_TRUE(QueryComInput(device, waiting));
    EXPECT_EQ(waiting, 0u);
    EXPECT_EQ(ReadComDevice(device, buffer, sizeof buffer), 0u); // at once, with nothing

    // With a total limit a read waits for what it asks, and gives what came when the limit
    // passes first.
    SetComTimeouts(device, {0, 0, 10000, 0, 0});
    pty.Send("abcd");
    ASSERT_EQ(ReadComDevice(device, buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    SetComTimeouts(device, {0, 0, 100, 0, 0});
    pty.Send("ef");
    ASSERT_EQ(WaitUntilWaiting(2), 2u);
    ASSERT_EQ(ReadComDevice(device, buffer, sizeof buffer), 2u);
    EXPECT_EQ(std::string(buffer, 2), "ef");
}

TEST_F(SerialDeviceTest, BytesFromBeforeTheOpenAreDropped) {
    // Raw before anything is sent, so that the terminal does not echo the stale bytes back.
    termios raw = LineState();
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(pty.master(), TCSANOW, &raw), 0);
    // An earlier holder's descriptor shows when the stale bytes have reached the device.
    const int earlier = open(pty.devicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(earlier, 0);
    pty.Send("stale");
    int waiting = 0;
    for (int attempt = 0; attempt < 10000 && waiting < 5; ++attempt) {
        ioctl(earlier, FIONREAD, &waiting);
        PauseMilliseconds(1);
    }
    ASSERT_EQ(waiting, 5);

    ASSERT_TRUE(OpenLink());
    std::uint32_t afterOpen = 99;
    ASSERT_TRUE(QueryComInput(device, afterOpen));
    EXPECT_EQ(afterOpen, 0u);
    pty.Send("fresh");
    ASSERT_EQ(WaitUntilWaiting(5), 5u);
    char buffer[8];
    ASSERT_EQ(ReadComDevice(device, buffer, sizeof buffer), 5u);
    EXPECT_EQ(std::string(buffer, 5), "fresh");
    close(earlier);
}

TEST_F(SerialDeviceTest, ASecondOpenIsRefusedUntilTheFirstCloses) {
    ASSERT_TRUE(OpenLink());
    const std::wstring path = WideFromUtf8(pty.devicePath());
    EXPECT_EQ(OpenComDevice(path), 0);
    EXPECT_EQ(LastComOpenRefusal(), L""); // nothing the user can mend
    CloseComDevice(device);
    device = OpenComDevice(path);
    EXPECT_NE(device, 0);
}

TEST_F(SerialDeviceTest, AVanishedDeviceFailsEveryCall) {
    ASSERT_TRUE(OpenLink());
    std::uint32_t waiting = 0;
    ASSERT_TRUE(QueryComInput(device, waiting));
    pty.CloseMaster();
    EXPECT_FALSE(QueryComInput(device, waiting));
    char buffer[4];
    EXPECT_EQ(ReadComDevice(device, buffer, sizeof buffer), 0u);
    EXPECT_EQ(WriteComDevice(device, "x", 1), 0u);
}

TEST_F(SerialDeviceTest, AFloodOfAMegabyteArrivesWhole) {
    ASSERT_TRUE(OpenLink());
    std::string flood(1 << 20, '\0');
    std::mt19937 random(20261210);
    for (char& byte : flood)
        byte = static_cast<char>(random() & 0xFF);
    std::thread sender([&] { pty.Send(flood); });

    // As the program reads: ask what waits, read that much.
    std::string got;
    std::vector<char> buffer(1 << 16);
    int idleChecks = 0;
    std::uint32_t waiting = 0;
    while (got.size() < flood.size() && idleChecks < 10000 && QueryComInput(device, waiting)) {
        if (waiting == 0) {
            ++idleChecks;
            PauseMilliseconds(1);
            continue;
        }
        idleChecks = 0;
        const std::size_t count = std::min<std::size_t>(waiting, buffer.size());
        const std::size_t read = ReadComDevice(device, buffer.data(), count);
        got.append(buffer.data(), read);
        if (read != count) {
            ADD_FAILURE() << "fewer bytes than reported waiting";
            break; // the sender gives up on its own
        }
    }
    sender.join();
    ASSERT_EQ(got.size(), flood.size());
    EXPECT_TRUE(got == flood) << "the bytes came changed or out of order";
}

TEST(SerialDeviceOpen, WhatIsNoTerminalOrNotThereIsRefusedWithoutAReason) {
    TempFolder folder;
    WriteFileBytes(folder / "plain", "not a device");
    for (const std::string& path : {folder / "plain", folder / "missing", folder.path()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(OpenComDevice(WideFromUtf8(path)), 0);
        EXPECT_EQ(LastComOpenRefusal(), L"");
    }
}

// Root opens any device, so the refusal cannot be shown when the tests run as root (as in CI).
TEST(SerialDeviceOpen, ADeviceTheUserMayNotOpenNamesTheGroupToJoin) {
    if (RunsAsRoot())
        GTEST_SKIP() << "runs as root, which may open any device";
    PseudoTerminal pty;
    struct stat status {};
    ASSERT_EQ(stat(pty.devicePath().c_str(), &status), 0);
    ASSERT_EQ(chmod(pty.devicePath().c_str(), 0), 0);
    const std::wstring path = WideFromUtf8(pty.devicePath());
    EXPECT_EQ(OpenComDevice(path), 0);
    const std::wstring refusal = LastComOpenRefusal();

    ASSERT_EQ(chmod(pty.devicePath().c_str(), status.st_mode & 07777), 0);
    const DeviceHandle device = OpenComDevice(path);
    EXPECT_NE(device, 0);
    EXPECT_EQ(LastComOpenRefusal(), L""); // a later open that succeeds has no reason
    CloseComDevice(device);

    const struct group* owner = getgrgid(status.st_gid);
    ASSERT_NE(owner, nullptr);
    const std::wstring group = WideFromUtf8(owner->gr_name);
    EXPECT_NE(refusal.find(L"permission"), std::wstring::npos) << refusal;
    EXPECT_NE(refusal.find(L"\"" + group + L"\""), std::wstring::npos) << refusal;
    EXPECT_NE(refusal.find(L"sudo usermod -aG " + group + L" $USER"), std::wstring::npos)
        << refusal;
    EXPECT_NE(refusal.find(L"log out"), std::wstring::npos) << refusal;
}

} // namespace
