// Serial devices: the names of the ports the port list offers, and COM devices opened, set up,
// read and written. A part of the seam to the operating system (platform/platform.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Names of the serial ports the port list may offer, in the order it shows them. Windows and the
// simulation: COM1 up to COM<highestNumber> (held to 1..256; none below 1). Linux, where the
// number is not used: the serial devices present in /dev (ttyUSB*, ttyACM*, ttyAMA*, ttyS*,
// rfcomm*, in that order, each kind in the order of its numbers; a ttyS* port only where the
// kernel found a UART), then each name in the TOCKMETER_PORTS environment variable (separated
// by colons; a name may be a full path), every port once; a path is shown by its file name
// unless a port of that name is listed already.
std::vector<std::wstring> SerialPortNames(int highestNumber);

// The device path that opens the port of that name. Windows and the simulation: "\\.\" and the
// name, always (also before a name that already has it). Linux: the path of a port named in
// TOCKMETER_PORTS that the list shows by that name, else the name itself when it is a path
// (starts with "/"), else "/dev/" and the name.
std::wstring SerialDevicePath(const std::wstring& name);

// A name of the port that stays the same whichever socket its adapter is plugged into and in
// whatever order the system found it, so that the user can tell adapters apart; empty when there
// is none. Linux: the name of the entry of /dev/serial/by-id that leads to the port's device.
// Windows: always empty.
std::wstring SerialPortStableName(const std::wstring& name);

// The name the settings keep for a port, so that the same adapter is found again whatever name
// the system gives it after a replug or a restart. Linux: the path of the port's entry in
// /dev/serial/by-id where it has one, else the name itself. Windows: the name itself.
std::wstring SerialPortKeptName(const std::wstring& name);

// The port a name the settings kept stands for now, by the name SerialPortNames gives it. Linux:
// for a path in /dev/serial/by-id, the port its link leads to now; empty when the link is gone
// (the adapter is unplugged) or leads to no port listed. Any other name, and every name on
// Windows, stands for itself.
std::wstring SerialPortOfKeptName(const std::wstring& kept);

// Why the latest OpenComDevice of this thread failed, worded for the user, when it is something
// the user can mend: on Linux, a device that exists but that the user may not open (which group
// the user must join, and how). Empty otherwise, and after an OpenComDevice that succeeded;
// always empty on Windows.
std::wstring LastComOpenRefusal();

// An open COM device; 0 is no device.
using DeviceHandle = std::intptr_t;

// Opens a COM device by its full device path for reading and writing, for exclusive use, only if
// it exists, for synchronous transfers. Returns 0 when it is absent, held by another opener or
// cannot be opened.
DeviceHandle OpenComDevice(const std::wstring& devicePath);

// Asks the driver for input and output queues of these sizes; a driver may keep its own.
void SetComQueueSizes(DeviceHandle device, std::uint32_t inputBytes, std::uint32_t outputBytes);

// Fields of the device's line state to change. Flow-control fields are written only when their
// write flag is set; every field not written stays as the device reported it.
struct ComLineChanges {
    std::uint32_t baudRate = 0;
    std::uint8_t byteSize = 8;
    std::uint8_t parity = 0;   // handed to the device unchanged (0: none)
    bool parityCheck = true;   // whether the device checks parity
    std::uint8_t stopBits = 0; // 0: one, 1: one and a half, 2: two
    bool writeCtsFlow = false;
    bool ctsFlow = false; // output waits for CTS
    bool writeRtsControl = false;
    enum RtsControl { RtsDisable = 0, RtsEnable = 1, RtsHandshake = 2 } rtsControl = RtsDisable;
    bool writeXonXoff = false; // XON/XOFF flow control in both directions, with these values
    std::uint8_t xonChar = 0x11;
    std::uint8_t xoffChar = 0x13;
    std::uint16_t xonLimit = 0;
    std::uint16_t xoffLimit = 0;
    // Drivers keep their line state between opens: this turns off whatever flow control an
    // earlier holder may have left (DSR output flow, DSR sensitivity, XON/XOFF both ways, DTR
    // handshake, which leaves DTR held on, and abort-on-error). Applied before writeXonXoff.
    bool clearOtherFlowControl = false;
};

// Reads the device's line state, changes the given fields and writes it back. False when the
// state cannot be read or the changed state is refused.
bool ChangeComLineState(DeviceHandle device, const ComLineChanges& changes);

// Time limits in milliseconds, as the device driver applies them to ReadComDevice and
// WriteComDevice; all read limits 0 means a read waits until every byte asked for has come, a
// read interval of ComReadAtOnce with both read totals 0 that it returns at once with what is
// there.
struct ComTimeouts {
    std::uint32_t readInterval, readTotalMultiplier, readTotalConstant;
    std::uint32_t writeTotalMultiplier, writeTotalConstant;
};
constexpr std::uint32_t ComReadAtOnce = 0xFFFFFFFFu;
void SetComTimeouts(DeviceHandle device, const ComTimeouts& timeouts);

// One status query that never waits: the number of received bytes waiting in the input queue.
// It also clears any line error (framing, overrun, parity) without reporting it. False when the
// device can no longer be queried (for instance after it was unplugged).
bool QueryComInput(DeviceHandle device, std::uint32_t& waitingBytes);

// Reads count bytes; under the time limits it may wait for them. Returns the number read, 0 on
// failure.
std::size_t ReadComDevice(DeviceHandle device, char* buffer, std::size_t count);

// Writes count bytes. Returns the number written, 0 on failure.
std::size_t WriteComDevice(DeviceHandle device, const char* bytes, std::size_t count);

// Releases the device; 0 is ignored.
void CloseComDevice(DeviceHandle device);
