// ComLineChanges in termios terms.
#include "platform/linux/system/serial_line_state.h"

namespace {

struct SpeedEntry {
    std::uint32_t bitsPerSecond;
    speed_t constant;
};

const SpeedEntry Speeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool ByteSizeFlag(std::uint8_t byteSize, tcflag_t& flag) {
    switch (byteSize) {
    case 5:
        flag = CS5;
        return true;
    case 6:
        flag = CS6;
        return true;
    case 7:
        flag = CS7;
        return true;
    case 8:
        flag = CS8;
        return true;
    default:
        return false;
    }
}

constexpr std::uint8_t ParityOdd = 1;
constexpr std::uint8_t ParityEven = 2;
constexpr std::uint8_t StopBitsTwo = 2;

constexpr tcflag_t SoftwareFlow = IXON | IXOFF | IXANY;

} // namespace

bool SpeedConstant(std::uint32_t bitsPerSecond, speed_t& constant) {
    for (const SpeedEntry& speed : Speeds) {
        if (speed.bitsPerSecond == bitsPerSecond) {
            constant = speed.constant;
            return true;
        }
    }
    return false;
}

bool ApplyLineChanges(termios& state, const ComLineChanges& changes) {
    speed_t speed = B0;
    tcflag_t byteSize = CS8;
    if (!SpeedConstant(changes.baudRate, speed) || !ByteSizeFlag(changes.byteSize, byteSize) ||
        changes.parity > ParityEven || changes.stopBits > StopBitsTwo)
        return false;

    // cfmakeraw also turns XON/XOFF output off; flow control that is not written stays.
    const tcflag_t softwareFlow = state.c_iflag & SoftwareFlow;
    const tcflag_t hardwareFlow = state.c_cflag & CRTSCTS;
    cfmakeraw(&state);
    state.c_iflag = (state.c_iflag & ~SoftwareFlow) | softwareFlow;
    state.c_cflag = (state.c_cflag & ~(CRTSCTS | CSIZE | PARENB | PARODD | CSTOPB)) | hardwareFlow |
                    byteSize | CLOCAL | CREAD;
    state.c_iflag &= ~INPCK;
    if (changes.parity != 0) {
        state.c_cflag |= PARENB | (changes.parity == ParityOdd ? PARODD : 0);
        if (changes.parityCheck)
            state.c_iflag |= INPCK;
    }
    // Termios has no one and a half stop bits: two stand for them, as a UART sends two as one and
    // a half with 5-bit bytes.
    if (changes.stopBits != 0)
        state.c_cflag |= CSTOPB;

    if (changes.clearOtherFlowControl) {
        state.c_iflag &= ~SoftwareFlow;
        state.c_cflag &= ~CRTSCTS;
    }
    if (changes.writeCtsFlow) {
        if (changes.ctsFlow)
            state.c_cflag |= CRTSCTS;
        else
            state.c_cflag &= ~CRTSCTS;
    }
    if (changes.writeXonXoff) {
        state.c_iflag |= IXON | IXOFF;
        state.c_cc[VSTART] = static_cast<cc_t>(changes.xonChar);
        state.c_cc[VSTOP] = static_cast<cc_t>(changes.xoffChar);
    }
    state.c_cc[VMIN] = 0;
    state.c_cc[VTIME] = 0;
    cfsetispeed(&state, speed);
    cfsetospeed(&state, speed);
    return true;
}
