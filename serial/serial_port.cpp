#include "serial/serial_port.h"

#include <vector>

namespace {

struct PortSlot {
    DeviceHandle device = 0;
    bool lost = false;
};

// Room for 16 slots at first; it grows when a higher slot is opened.
std::vector<PortSlot> Slots(16);

constexpr std::size_t LongestPortName = 59;

// A read returns at once with what is there: callers ask only for bytes reported waiting, and a
// driver that overstates that count must not hold the program until more come.
const ComTimeouts PortTimeouts = {ComReadAtOnce, 0, 0, 100, 10};

PortSlot* OpenSlot(int slot) {
    if (slot < 0 || static_cast<std::size_t>(slot) >= Slots.size() || Slots[slot].device == 0)
        return nullptr;
    return &Slots[slot];
}

std::uint8_t StopBitsCode(float stopBits) {
    if (stopBits == 1.0f)
        return 0;
    if (stopBits == 2.0f)
        return 2;
    return 1; // one and a half, also for any value that is neither 1 nor 2
}

void AddHandshake(ComLineChanges& changes, int handshakeCode, int inputQueueSize) {
    // The link has no flow control: nothing an earlier program left on may hold its bytes back.
    changes.clearOtherFlowControl = handshakeCode == HandshakeNone;
    switch (handshakeCode) {
    case HandshakeNone:
    case HandshakeRtsOn:
    case HandshakeRtsCts:
        changes.writeCtsFlow = true;
        changes.ctsFlow = handshakeCode == HandshakeRtsCts;
        changes.writeRtsControl = true;
        changes.rtsControl = handshakeCode == HandshakeNone    ? ComLineChanges::RtsDisable
                             : handshakeCode == HandshakeRtsOn ? ComLineChanges::RtsEnable
                                                               : ComLineChanges::RtsHandshake;
        break;
    case HandshakeXonXoff:
        changes.writeXonXoff = true;
        changes.xonLimit = static_cast<std::uint16_t>(inputQueueSize / 10);
        changes.xoffLimit = static_cast<std::uint16_t>(7 * changes.xonLimit);
        break;
    default:
        break; // flow control stays as the device has it
    }
}

} // namespace

DeviceHandle OpenPort(int slot, const std::wstring& name, std::uint32_t speed,
                      std::uint8_t parityCode, std::uint8_t dataBits, float stopBits,
                      int handshakeCode, int inputQueueSize, int outputQueueSize) {
    if (name.empty() || slot < 0)
        return 0;
    const DeviceHandle device = OpenComDevice(SerialDevicePath(name.substr(0, LongestPortName)));
    if (device == 0)
        return 0;
    if (inputQueueSize > 0 && outputQueueSize > 0)
        SetComQueueSizes(device, static_cast<std::uint32_t>(inputQueueSize),
                         static_cast<std::uint32_t>(outputQueueSize));

    ComLineChanges changes;
    changes.baudRate = speed;
    changes.byteSize = dataBits;
    changes.parity = parityCode;
    changes.parityCheck = true;
    changes.stopBits = StopBitsCode(stopBits);
    AddHandshake(changes, handshakeCode, inputQueueSize);
    if (!ChangeComLineState(device, changes)) {
        CloseComDevice(device);
        return 0;
    }
    SetComTimeouts(device, PortTimeouts);

    if (static_cast<std::size_t>(slot) >= Slots.size())
        Slots.resize(static_cast<std::size_t>(slot) + 1);
    ClosePort(slot);
    Slots[slot] = PortSlot{device, false};
    return device;
}

void ClosePort(int slot) {
    PortSlot* open = OpenSlot(slot);
    if (!open)
        return;
    CloseComDevice(open->device);
    *open = PortSlot{};
}

bool IsPortOpen(int slot) {
    return OpenSlot(slot) != nullptr;
}

std::uint32_t PendingInput(int slot) {
    PortSlot* open = OpenSlot(slot);
    if (!open)
        return 0;
    std::uint32_t waiting = 0;
    if (!QueryComInput(open->device, waiting)) {
        open->lost = true;
        return 0;
    }
    return waiting;
}

bool PortLost(int slot) {
    const PortSlot* open = OpenSlot(slot);
    return open && open->lost;
}

std::size_t ReadPort(int slot, char* buffer, std::size_t count) {
    const PortSlot* open = OpenSlot(slot);
    return open && count > 0 ? ReadComDevice(open->device, buffer, count) : 0;
}

std::size_t WritePort(int slot, const char* bytes, std::size_t count) {
    const PortSlot* open = OpenSlot(slot);
    return open && count > 0 ? WriteComDevice(open->device, bytes, count) : 0;
}

void CloseAllPorts() {
    for (std::size_t slot = 0; slot < Slots.size(); ++slot)
        ClosePort(static_cast<int>(slot));
}
