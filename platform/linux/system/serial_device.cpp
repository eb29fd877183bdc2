// Serial devices on Linux: a terminal device opened without waiting, in raw mode, with the
// Windows time limits kept beside the descriptor and applied by the reads and writes here.
#include "platform/clock.h"
#include "platform/linux/system/serial_line_state.h"
#include "platform/serial.h"
#include "platform/text_encoding.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct SerialDevice {
    int descriptor;
    ComTimeouts timeouts; // as SetComTimeouts gave them; all 0 until then
};

SerialDevice& DeviceOf(DeviceHandle device) {
    return *reinterpret_cast<SerialDevice*>(device);
}

thread_local std::wstring LatestOpenRefusal;

// Most distributions give serial devices to this group.
const char* const UsualSerialGroup = "dialout";

std::string GroupName(gid_t group) {
    std::vector<char> buffer(16384);
    struct group entry {};
    struct group* found = nullptr;
    if (getgrgid_r(group, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->gr_name;
    return UsualSerialGroup;
}

// What the user can do about a device that is there but refused to this user: join the group
// that owns it. An empty text when the device is not there after all.
std::wstring PermissionRefusal(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return std::wstring();
    const std::wstring group = WideFromUtf8(GroupName(status.st_gid));
    return L"You have no permission to use this serial device. Its users must be in the group "
           L"\"" +
           group + L"\", which owns it. To join it, run\n    sudo usermod -aG " + group +
           L" $USER\nthen log out and log in again.";
}

void SetModemLine(int descriptor, int line, bool on) {
    // A pseudo-terminal has no modem lines; the call fails there, harmlessly.
    ioctl(descriptor, on ? TIOCMBIS : TIOCMBIC, &line);
}

// Milliseconds left until the deadline (in counter nanoseconds), at least 0; -1 for none.
int MillisecondsLeft(std::int64_t deadline) {
    if (deadline < 0)
        return -1;
    const std::int64_t left = (deadline - QueryCounter() + 999999) / 1000000;
    return static_cast<int>(std::clamp<std::int64_t>(left, 0, 1 << 30));
}

// The deadline of a time limit of the Windows kind, multiplier per byte plus a constant; -1
// when both are 0 (no limit).
std::int64_t DeadlineOf(std::uint32_t multiplier, std::uint32_t constant, std::size_t count) {
    if (multiplier == 0 && constant == 0)
        return -1;
    const std::int64_t perByte = std::min<std::int64_t>(multiplier, 1 << 30);
    const std::int64_t bytes = static_cast<std::int64_t>(std::min<std::size_t>(count, 1 << 30));
    const std::int64_t milliseconds = std::min<std::int64_t>(perByte * bytes + constant, 1 << 30);
    return QueryCounter() + milliseconds * 1000000;
}

enum class Readiness { Ready, TimedOut, Gone };

// Waits up to the given milliseconds (-1: no limit) for the device to be ready for events.
Readiness WaitFor(int descriptor, short events, int milliseconds) {
    pollfd watched{descriptor, events, 0};
    int result;
    do {
        result = poll(&watched, 1, milliseconds);
    } while (result < 0 && errno == EINTR);
    if (result < 0 || (watched.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0)
        return Readiness::Gone;
    return result == 0 ? Readiness::TimedOut : Readiness::Ready;
}

// Failures that mean the device went away or broke, as against "nothing now".
bool DeviceFailed(ssize_t result) {
    return result < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
}

} // namespace

DeviceHandle OpenComDevice(const std::wstring& devicePath) {
    LatestOpenRefusal.clear();
    const std::string path = Utf8FromWide(devicePath);
    // Without waiting: a port without carrier would hold a plain open.
    const int descriptor = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == EACCES || errno == EPERM)
            LatestOpenRefusal = PermissionRefusal(path);
        return 0;
    }
    // Only a terminal is a serial device. The lock keeps out another Tockmeter, also one run by
    // root; TIOCEXCL keeps out other programs (except root's) once it is open.
    if (!isatty(descriptor) || flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        close(descriptor);
        return 0;
    }
    ioctl(descriptor, TIOCEXCL);
    // Bytes from before the open (an earlier session's) do not count.
    tcflush(descriptor, TCIOFLUSH);
    return reinterpret_cast<DeviceHandle>(new SerialDevice{descriptor, ComTimeouts{}});
}

std::wstring LastComOpenRefusal() {
    return LatestOpenRefusal;
}

void SetComQueueSizes(DeviceHandle, std::uint32_t, std::uint32_t) {
    // The kernel keeps queues of its own size.
}

bool ChangeComLineState(DeviceHandle device, const ComLineChanges& changes) {
    const int descriptor = DeviceOf(device).descriptor;
    termios state{};
    if (tcgetattr(descriptor, &state) != 0 || !ApplyLineChanges(state, changes) ||
        tcsetattr(descriptor, TCSANOW, &state) != 0)
        return false;
    // tcsetattr succeeds when any part of the change took; a speed the driver cannot make shows
    // only in the state read back.
    termios taken{};
    if (tcgetattr(descriptor, &taken) != 0 || cfgetispeed(&taken) != cfgetispeed(&state) ||
        cfgetospeed(&taken) != cfgetospeed(&state))
        return false;
    if (changes.writeRtsControl)
        SetModemLine(descriptor, TIOCM_RTS, changes.rtsControl != ComLineChanges::RtsDisable);
    // Many USB adapters pass nothing on until DTR is raised.
    SetModemLine(descriptor, TIOCM_DTR, true);
    return true;
}

void SetComTimeouts(DeviceHandle device, const ComTimeouts& timeouts) {
    DeviceOf(device).timeouts = timeouts;
}

bool QueryComInput(DeviceHandle device, std::uint32_t& waitingBytes) {
    const int descriptor = DeviceOf(device).descriptor;
    // An unplugged adapter (or a pseudo-terminal whose other end closed) hangs up.
    if (WaitFor(descriptor, POLLIN, 0) == Readiness::Gone)
        return false;
    int waiting = 0;
    if (ioctl(descriptor, FIONREAD, &waiting) != 0)
        return false;
    waitingBytes = static_cast<std::uint32_t>(std::max(waiting, 0));
    return true;
}

std::size_t ReadComDevice(DeviceHandle device, char* buffer, std::size_t count) {
    const SerialDevice& open = DeviceOf(device);
    const ComTimeouts& limits = open.timeouts;
    const bool noTotals = limits.readTotalMultiplier == 0 && limits.readTotalConstant == 0;
    const bool atOnce = limits.readInterval == ComReadAtOnce && noTotals;
    // With totals, ComReadAtOnce returns with the first bytes that come.
    const bool anyBytes = limits.readInterval == ComReadAtOnce;
    const std::int64_t deadline =
        DeadlineOf(limits.readTotalMultiplier, limits.readTotalConstant, count);
    const int interval =
        anyBytes || limits.readInterval == 0
            ? -1
            : static_cast<int>(std::min<std::uint32_t>(limits.readInterval, 1u << 30));
    std::size_t got = 0;
    while (got < count) {
        const ssize_t result = read(open.descriptor, buffer + got, count - got);
        if (result > 0) {
            got += static_cast<std::size_t>(result);
            if (anyBytes)
                break;
            continue;
        }
        if (DeviceFailed(result))
            break;
        if (atOnce)
            break;
        // Wait for more: up to the total, and once bytes came, up to the interval between two.
        int wait = MillisecondsLeft(deadline);
        if (got > 0 && interval >= 0)
            wait = wait < 0 ? interval : std::min(wait, interval);
        if (wait == 0 || WaitFor(open.descriptor, POLLIN, wait) != Readiness::Ready)
            break;
    }
    return got;
}

std::size_t WriteComDevice(DeviceHandle device, const char* bytes, std::size_t count) {
    const SerialDevice& open = DeviceOf(device);
    const std::int64_t deadline =
        DeadlineOf(open.timeouts.writeTotalMultiplier, open.timeouts.writeTotalConstant, count);
    std::size_t written = 0;
    while (written < count) {
        const ssize_t result = write(open.descriptor, bytes + written, count - written);
        if (result > 0) {
            written += static_cast<std::size_t>(result);
            continue;
        }
        if (DeviceFailed(result))
            return 0;
        // The output queue is full: wait for room, up to the total; what went stands.
        const int wait = MillisecondsLeft(deadline);
        if (wait == 0)
            break;
        const Readiness room = WaitFor(open.descriptor, POLLOUT, wait);
        if (room == Readiness::Gone)
            return 0;
        if (room == Readiness::TimedOut)
            break;
    }
    return written;
}

void CloseComDevice(DeviceHandle device) {
    if (device == 0)
        return;
    SerialDevice* open = &DeviceOf(device);
    ioctl(open->descriptor, TIOCNXCL);
    close(open->descriptor);
    delete open;
}
