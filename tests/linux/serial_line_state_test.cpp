// ComLineChanges in termios terms, without a device: a pseudo-terminal keeps neither byte size
// nor parity, so these are read from the state the change makes.
#include "platform/linux/system/serial_line_state.h"
#include "platform/serial.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

ComLineChanges Line(std::uint8_t byteSize, std::uint8_t parity, std::uint8_t stopBits) {
    ComLineChanges line;
    line.baudRate = 38400;
    line.byteSize = byteSize;
    line.parity = parity;
    line.stopBits = stopBits;
    return line;
}

// A terminal as it comes: cooked, echoing, translating line ends, with flow control on.
termios CookedState() {
    termios state{};
    state.c_iflag = ICRNL | IXON | IXOFF | ISTRIP | BRKINT;
    state.c_oflag = OPOST | ONLCR;
    state.c_cflag = CS7 | PARENB | CRTSCTS | HUPCL;
    state.c_lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN;
    state.c_cc[VMIN] = 1;
    state.c_cc[VTIME] = 5;
    cfsetispeed(&state, B9600);
    cfsetospeed(&state, B9600);
    return state;
}

TEST(SerialLineState, FramingTakesEveryValueTermiosHasAndRefusesTheRest) {
    const struct {
        ComLineChanges line;
        bool taken;
        tcflag_t cflags; // of CSIZE, PARENB, PARODD and CSTOPB
        bool parityChecked;
    } cases[] = {
        {Line(8, 0, 0), true, CS8, false},
        {Line(7, 2, 0), true, CS7 | PARENB, true},
        {Line(6, 1, 2), true, CS6 | PARENB | PARODD | CSTOPB, true},
        {Line(5, 0, 1), true, CS5 | CSTOPB, false}, // one and a half
        {Line(4, 0, 0), false, 0, false},
        {Line(9, 0, 0), false, 0, false},
        {Line(8, 3, 0), false, 0, false}, // mark
        {Line(8, 4, 0), false, 0, false}, // space
        {Line(8, 0, 3), false, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "bits " << int(c.line.byteSize) << " parity "
                                        << int(c.line.parity) << " stop " << int(c.line.stopBits));
        termios state = CookedState();
        const termios before = state;
        ASSERT_EQ(ApplyLineChanges(state, c.line), c.taken);
        if (!c.taken) {
            EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0) << "a refusal changed it";
            continue;
        }
        EXPECT_EQ(state.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB), c.cflags);
        EXPECT_EQ((state.c_iflag & INPCK) != 0, c.parityChecked);
    }
    // Parity sent but not checked.
    termios state = CookedState();
    ComLineChanges unchecked = Line(7, 2, 0);
    unchecked.parityCheck = false;
    ASSERT_TRUE(ApplyLineChanges(state, unchecked));
    EXPECT_EQ(state.c_cflag & PARENB, static_cast<tcflag_t>(PARENB));
    EXPECT_EQ(state.c_iflag & INPCK, 0u);
}

TEST(SerialLineState, TheLineBecomesRawAndReadsNeverWaitInTheDriver) {
    termios state = CookedState();
    ASSERT_TRUE(ApplyLineChanges(state, Line(8, 0, 0)));
    EXPECT_EQ(state.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(state.c_iflag & (ICRNL | ISTRIP | BRKINT), 0u);
    EXPECT_EQ(state.c_oflag & OPOST, 0u);
    EXPECT_EQ(state.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(state.c_cc[VMIN], 0);
    EXPECT_EQ(state.c_cc[VTIME], 0);
    EXPECT_EQ(cfgetispeed(&state), static_cast<speed_t>(B38400));
    EXPECT_EQ(cfgetospeed(&state), static_cast<speed_t>(B38400));
}

TEST(SerialLineState, OnlyTheFlowControlWrittenChanges) {
    const tcflag_t software = IXON | IXOFF;
    const struct {
        const char* what;
        bool clearOther;
        bool writeCts, cts;
        bool writeXonXoff;
        tcflag_t iflags; // of IXON, IXOFF
        bool hardware;
    } cases[] = {
        {"nothing written", false, false, false, false, software, true},
        {"others cleared", true, false, false, false, 0, false},
        {"CTS off", false, true, false, false, software, false},
        {"cleared, then CTS on", true, true, true, false, 0, true},
        {"cleared, then XON/XOFF", true, false, false, true, software, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        termios state = CookedState();
        ComLineChanges line = Line(8, 0, 0);
        line.clearOtherFlowControl = c.clearOther;
        line.writeCtsFlow = c.writeCts;
        line.ctsFlow = c.cts;
        line.writeXonXoff = c.writeXonXoff;
        line.xonChar = 0x21;
        line.xoffChar = 0x22;
        ASSERT_TRUE(ApplyLineChanges(state, line));
        EXPECT_EQ(state.c_iflag & (IXON | IXOFF | IXANY), c.iflags);
        EXPECT_EQ((state.c_cflag & CRTSCTS) != 0, c.hardware);
        if (c.writeXonXoff) {
            EXPECT_EQ(state.c_cc[VSTART], 0x21);
            EXPECT_EQ(state.c_cc[VSTOP], 0x22);
        }
    }
}

TEST(SerialLineState, EverySpeedThePortListOffersHasAConstant) {
    const std::uint32_t offered[] = {4800, 9600, 19200, 38400, 57600, 115200, 230400};
    const speed_t constants[] = {B4800, B9600, B19200, B38400, B57600, B115200, B230400};
    for (std::size_t i = 0; i < sizeof offered / sizeof offered[0]; ++i) {
        speed_t constant = B0;
        EXPECT_TRUE(SpeedConstant(offered[i], constant)) << offered[i];
        EXPECT_EQ(constant, constants[i]) << offered[i];
    }
    for (std::uint32_t odd : {0u, 1u, 12345u, 38401u, 4000001u}) {
        speed_t constant = B0;
        EXPECT_FALSE(SpeedConstant(odd, constant)) << odd;
    }
}

} // namespace
