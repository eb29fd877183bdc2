// Simulated COM devices: present, absent, held by another program or unplugged, with an input
// queue filled in virtual time by whatever is at the other end of the line.
#include "platform/serial.h"
#include "platform/shared/listed_com_ports.h"
#include "sim/sim_state.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>

namespace {

const std::wstring DevicePrefix = L"\\\\.\\";
// A device with a stable name is kept as Linux keeps it, by its path among udev's links.
const std::wstring KeptStableNamePrefix = L"/dev/serial/by-id/";
// A driver that was not asked for a queue size keeps one of its own.
constexpr std::size_t DefaultInputQueue = 4096;

SimSerialWorld& Serial() {
    return Sim().serial;
}

std::wstring UpperName(const std::wstring& name) {
    std::wstring upper = name;
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return upper;
}

SimComDevice* FindDevice(const std::wstring& name) {
    auto found = Serial().devices.find(UpperName(name));
    return found == Serial().devices.end() ? nullptr : &found->second;
}

// Devices scheduled to be unplugged by now go, before any call looks at them.
void UnplugDevicesDue() {
    std::vector<std::wstring> due;
    for (const auto& [name, device] : Serial().devices)
        if (device.unplugAtNanoseconds <= SimNowNanoseconds())
            due.push_back(name);
    for (const std::wstring& name : due)
        SimRemoveComDevice(name);
}

// The device behind an open handle, or none when the handle is unknown or its device was
// unplugged since.
SimComDevice* DeviceOf(DeviceHandle handle) {
    UnplugDevicesDue();
    auto open = Serial().openHandles.find(handle);
    if (open == Serial().openHandles.end() || Serial().lostHandles.count(handle) != 0)
        return nullptr;
    return FindDevice(open->second);
}

bool IsOpenByProgram(const std::wstring& upperName) {
    return std::any_of(Serial().openHandles.begin(), Serial().openHandles.end(),
                       [&](const auto& open) { return open.second == upperName; });
}

// Moves what has arrived on the line by now into the input queue; what does not fit is lost,
// as in a real driver's overrun.
void ReceiveFromLine(SimComDevice& device) {
    const std::int64_t now = SimNowNanoseconds();
    std::string arrived;
    if (device.peer.send)
        device.peer.send(now, arrived);
    auto due = std::find_if(device.scriptedInput.begin(), device.scriptedInput.end(),
                            [&](const SimTimedBytes& input) { return input.atNanoseconds > now; });
    for (auto input = device.scriptedInput.begin(); input != due; ++input)
        arrived += input->bytes;
    device.scriptedInput.erase(device.scriptedInput.begin(), due);

    const std::size_t capacity =
        device.record.inputQueueSize > 0 ? device.record.inputQueueSize : DefaultInputQueue;
    const std::size_t room =
        capacity > device.inputQueue.size() ? capacity - device.inputQueue.size() : 0;
    if (arrived.size() > room)
        device.lineError = true;
    device.inputQueue.append(arrived, 0, std::min(room, arrived.size()));
}

} // namespace

void SimAddComDevice(const std::wstring& name) {
    Serial().devices[UpperName(name)];
}

void SimRemoveComDevice(const std::wstring& name) {
    const std::wstring upper = UpperName(name);
    for (const auto& open : Serial().openHandles) {
        if (open.second == upper)
            Serial().lostHandles.insert(open.first);
    }
    Serial().devices.erase(upper);
}

void SimScheduleComUnplug(const std::wstring& name, std::int64_t atNanoseconds) {
    if (SimComDevice* device = FindDevice(name))
        device->unplugAtNanoseconds = atNanoseconds;
}

void SimHoldComDevice(const std::wstring& name, bool held) {
    if (SimComDevice* device = FindDevice(name))
        device->heldElsewhere = held;
}

void SimSetComPeer(const std::wstring& name, SimComPeer peer) {
    if (SimComDevice* device = FindDevice(name))
        device->peer = std::move(peer);
}

void SimQueueComInput(const std::wstring& name, std::int64_t atNanoseconds,
                      const std::string& bytes) {
    SimComDevice* device = FindDevice(name);
    if (!device)
        return;
    auto later = std::upper_bound(
        device->scriptedInput.begin(), device->scriptedInput.end(), atNanoseconds,
        [](std::int64_t at, const SimTimedBytes& input) { return at < input.atNanoseconds; });
    device->scriptedInput.insert(later, SimTimedBytes{atNanoseconds, bytes});
}

void SimRaiseComLineError(const std::wstring& name) {
    if (SimComDevice* device = FindDevice(name))
        device->lineError = true;
}

void SimRefuseComState(const std::wstring& name, bool refuseRead, bool refuseWrite) {
    if (SimComDevice* device = FindDevice(name)) {
        device->refuseStateRead = refuseRead;
        device->refuseStateWrite = refuseWrite;
    }
}

void SimRefuseComOpen(const std::wstring& name, const std::wstring& reason) {
    if (SimComDevice* device = FindDevice(name))
        device->openRefusal = reason;
}

void SimListComPortInSystem(const std::wstring& name) {
    Serial().systemListed.push_back(name);
}

std::vector<std::wstring> SystemListedComPorts() {
    return Serial().systemListed;
}

void SimSetComStableName(const std::wstring& name, const std::wstring& stableName) {
    if (SimComDevice* device = FindDevice(name))
        device->stableName = stableName;
}

void SimSetComFlow(const std::wstring& name, const SimComFlow& flow) {
    if (SimComDevice* device = FindDevice(name))
        device->record.flow = flow;
}

void SimOverstateComInput(const std::wstring& name, std::uint32_t extraBytes) {
    if (SimComDevice* device = FindDevice(name))
        device->overstatedInput = extraBytes;
}

void SimSetComQueryCost(std::int64_t nanoseconds) {
    Serial().queryCostNanoseconds = nanoseconds > 0 ? nanoseconds : 0;
}

const SimComRecord* SimComDeviceRecord(const std::wstring& name) {
    const SimComDevice* device = FindDevice(name);
    return device ? &device->record : nullptr;
}

std::size_t SimComWaiting(const std::wstring& name) {
    SimComDevice* device = FindDevice(name);
    if (!device)
        return 0;
    ReceiveFromLine(*device);
    return device->inputQueue.size();
}

int SimOpenComCount() {
    return static_cast<int>(Serial().openHandles.size());
}

DeviceHandle OpenComDevice(const std::wstring& devicePath) {
    Serial().lastOpenRefusal.clear();
    if (devicePath.compare(0, DevicePrefix.size(), DevicePrefix) != 0)
        return 0;
    UnplugDevicesDue();
    const std::wstring upper = UpperName(devicePath.substr(DevicePrefix.size()));
    SimComDevice* device = FindDevice(upper);
    if (device && !device->openRefusal.empty()) {
        Serial().lastOpenRefusal = device->openRefusal;
        return 0;
    }
    if (!device || device->heldElsewhere || IsOpenByProgram(upper))
        return 0;
    ++device->record.opens;
    const DeviceHandle handle = Serial().nextHandle++;
    Serial().openHandles[handle] = upper;
    return handle;
}

std::wstring SerialPortStableName(const std::wstring& name) {
    const SimComDevice* device = FindDevice(name);
    return device ? device->stableName : std::wstring();
}

std::wstring SerialPortKeptName(const std::wstring& name) {
    const std::wstring stableName = SerialPortStableName(name);
    return stableName.empty() ? name : KeptStableNamePrefix + stableName;
}

std::wstring SerialPortOfKeptName(const std::wstring& kept) {
    if (kept.compare(0, KeptStableNamePrefix.size(), KeptStableNamePrefix) != 0)
        return kept;
    const std::wstring stableName = kept.substr(KeptStableNamePrefix.size());
    UnplugDevicesDue();
    for (const auto& [upperName, device] : Serial().devices) {
        if (stableName.empty() || device.stableName != stableName)
            continue;
        for (const std::wstring& listed : SerialPortNames(INT32_MAX))
            if (UpperName(listed) == upperName)
                return listed;
    }
    return std::wstring();
}

std::wstring LastComOpenRefusal() {
    return Serial().lastOpenRefusal;
}

void SetComQueueSizes(DeviceHandle handle, std::uint32_t inputBytes, std::uint32_t outputBytes) {
    if (SimComDevice* device = DeviceOf(handle)) {
        device->record.inputQueueSize = inputBytes;
        device->record.outputQueueSize = outputBytes;
    }
}

bool ChangeComLineState(DeviceHandle handle, const ComLineChanges& changes) {
    SimComDevice* device = DeviceOf(handle);
    if (!device || device->refuseStateRead || device->refuseStateWrite)
        return false;
    device->record.line = changes;
    device->record.lineWritten = true;
    if (changes.clearOtherFlowControl)
        device->record.flow = SimComFlow{};
    if (changes.writeXonXoff)
        device->record.flow.xonXoff = true;
    return true;
}

void SetComTimeouts(DeviceHandle handle, const ComTimeouts& timeouts) {
    if (SimComDevice* device = DeviceOf(handle))
        device->record.timeouts = timeouts;
}

bool QueryComInput(DeviceHandle handle, std::uint32_t& waitingBytes) {
    SimAdvanceNanoseconds(Serial().queryCostNanoseconds);
    SimComDevice* device = DeviceOf(handle);
    if (!device)
        return false;
    ReceiveFromLine(*device);
    if (device->lineError) {
        device->lineError = false;
        ++device->record.lineErrorsCleared;
    }
    waitingBytes = static_cast<std::uint32_t>(device->inputQueue.size()) + device->overstatedInput;
    return true;
}

std::size_t ReadComDevice(DeviceHandle handle, char* buffer, std::size_t count) {
    SimComDevice* device = DeviceOf(handle);
    if (!device)
        return 0;
    // A real read would wait for bytes that are not there; the simulation notes the request
    // and gives what is waiting, so that such a fault shows in a test instead of hanging it.
    if (count > device->inputQueue.size()) {
        ++device->record.readsBeyondWaiting;
        const ComTimeouts& limits = device->record.timeouts;
        if (limits.readInterval != ComReadAtOnce || limits.readTotalMultiplier != 0 ||
            limits.readTotalConstant != 0)
            ++device->record.readsLeftWaiting;
    }
    const std::size_t got = std::min(count, device->inputQueue.size());
    std::copy_n(device->inputQueue.data(), got, buffer);
    device->inputQueue.erase(0, got);
    return got;
}

std::size_t WriteComDevice(DeviceHandle handle, const char* bytes, std::size_t count) {
    SimComDevice* device = DeviceOf(handle);
    if (!device)
        return 0;
    if (device->record.flow.dsrFlow)
        return 0; // the write time limit passes without DSR
    const std::string written(bytes, count);
    device->record.written += written;
    if (device->peer.receive)
        device->peer.receive(SimNowNanoseconds(), written);
    return count;
}

void CloseComDevice(DeviceHandle handle) {
    Serial().openHandles.erase(handle);
    Serial().lostHandles.erase(handle);
}
