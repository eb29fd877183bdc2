// SerialPort: the program's only access to COM ports. Open ports live in numbered slots; every
// operation names its port by slot. Slot 0 is the probe port, slot 2 the link port.
#pragma once

#include "platform/serial.h"

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int ProbePortSlot = 0;
constexpr int LinkPortSlot = 2;

// Handshake codes.
constexpr int HandshakeNone = 0;    // no flow control, RTS held off
constexpr int HandshakeRtsOn = 1;   // no flow control, RTS held on
constexpr int HandshakeRtsCts = 2;  // RTS/CTS hardware flow control
constexpr int HandshakeXonXoff = 3; // XON/XOFF in both directions

// Opens the named port into the slot with the given line settings and queue sizes (queues are
// asked for only when both sizes are above 0). Gives the device handle, or 0 when the port is
// absent, held by another holder, or refuses the settings; a device already in the slot is then
// left open. On success a device already in the slot is closed first.
DeviceHandle OpenPort(int slot, const std::wstring& name, std::uint32_t speed,
                      std::uint8_t parityCode, std::uint8_t dataBits, float stopBits,
                      int handshakeCode, int inputQueueSize, int outputQueueSize);

void ClosePort(int slot);
bool IsPortOpen(int slot);

// Received bytes waiting; 0 for an empty slot or a device that can no longer be queried.
std::uint32_t PendingInput(int slot);

// True once a status query of the slot's device has failed (it was unplugged): the port stays
// open until it is closed, but nothing will come from it.
bool PortLost(int slot);

// Reads count bytes into buffer, which must hold them; callers ask only for bytes PendingInput
// reported. Gives the number read, 0 on failure or for an empty slot.
std::size_t ReadPort(int slot, char* buffer, std::size_t count);

// Writes count bytes; gives the number written, 0 on failure or for an empty slot.
std::size_t WritePort(int slot, const char* bytes, std::size_t count);

// Closes every open slot, in slot order.
void CloseAllPorts();
