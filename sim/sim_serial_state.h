// State of the simulated COM devices, kept in the simulated world.
#pragma once

#include "platform/serial.h"
#include "sim/sim.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

struct SimTimedBytes {
    std::int64_t atNanoseconds;
    std::string bytes;
};

struct SimComDevice {
    bool present = true;
    bool heldElsewhere = false;
    bool refuseStateRead = false;
    bool refuseStateWrite = false;
    std::wstring openRefusal; // why it may not be opened, for LastComOpenRefusal
    std::wstring stableName;  // for SerialPortStableName
    bool lineError = false;
    std::int64_t unplugAtNanoseconds = INT64_MAX;
    std::uint32_t overstatedInput = 0;
    SimComPeer peer;
    std::vector<SimTimedBytes> scriptedInput; // in time order
    std::string inputQueue;
    SimComRecord record;
};

struct MicromiteModel;

struct SimSerialWorld {
    std::map<std::wstring, SimComDevice> devices; // by upper-case name
    std::map<DeviceHandle, std::wstring> openHandles;
    std::set<DeviceHandle> lostHandles; // handles whose device was removed
    DeviceHandle nextHandle = 1;
    std::wstring lastOpenRefusal; // of the latest OpenComDevice
    std::vector<std::wstring> systemListed; // for SystemListedComPorts, in the order listed
    std::int64_t queryCostNanoseconds = 1000;
    // Served controllers outlive their devices, so that tests can read an unplugged one's record.
    std::vector<std::shared_ptr<MicromiteModel>> micromites;
};
