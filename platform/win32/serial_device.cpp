// COM devices on Windows: one synchronous handle per open port.
#include <windows.h>

#include "platform/serial.h"

namespace {

HANDLE HandleOf(DeviceHandle device) {
    return reinterpret_cast<HANDLE>(device);
}

DWORD RtsControlOf(ComLineChanges::RtsControl control) {
    switch (control) {
    case ComLineChanges::RtsEnable:
        return RTS_CONTROL_ENABLE;
    case ComLineChanges::RtsHandshake:
        return RTS_CONTROL_HANDSHAKE;
    case ComLineChanges::RtsDisable:
        break;
    }
    return RTS_CONTROL_DISABLE;
}

} // namespace

DeviceHandle OpenComDevice(const std::wstring& devicePath) {
    const HANDLE device = CreateFileW(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    return device == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<DeviceHandle>(device);
}

std::wstring SerialPortStableName(const std::wstring&) {
    return std::wstring(); // a COM port's number is already the name Windows keeps for it
}

// A COM port keeps its number from one plug to the next: its name is already the lasting one.
std::wstring SerialPortKeptName(const std::wstring& name) {
    return name;
}

std::wstring SerialPortOfKeptName(const std::wstring& kept) {
    return kept;
}

std::wstring LastComOpenRefusal() {
    // Windows' refusals (held by another program, no such port) are nothing the user mends here.
    return std::wstring();
}

void SetComQueueSizes(DeviceHandle device, std::uint32_t inputBytes, std::uint32_t outputBytes) {
    SetupComm(HandleOf(device), inputBytes, outputBytes);
}

bool ChangeComLineState(DeviceHandle device, const ComLineChanges& changes) {
    DCB state;
    ZeroMemory(&state, sizeof state);
    state.DCBlength = sizeof state;
    if (!GetCommState(HandleOf(device), &state))
        return false;
    state.BaudRate = changes.baudRate;
    state.ByteSize = changes.byteSize;
    state.Parity = changes.parity;
    state.fParity = changes.parityCheck ? 1 : 0;
    state.StopBits = changes.stopBits;
    if (changes.writeCtsFlow)
        state.fOutxCtsFlow = changes.ctsFlow ? 1 : 0;
    if (changes.writeRtsControl)
        state.fRtsControl = RtsControlOf(changes.rtsControl);
    if (changes.clearOtherFlowControl) {
        state.fOutxDsrFlow = 0;
        state.fDsrSensitivity = 0;
        state.fOutX = 0;
        state.fInX = 0;
        state.fAbortOnError = 0;
        if (state.fDtrControl == DTR_CONTROL_HANDSHAKE)
            state.fDtrControl = DTR_CONTROL_ENABLE;
    }
    if (changes.writeXonXoff) {
        state.fOutX = 1;
        state.fInX = 1;
        state.XonChar = static_cast<char>(changes.xonChar);
        state.XoffChar = static_cast<char>(changes.xoffChar);
        state.XonLim = changes.xonLimit;
        state.XoffLim = changes.xoffLimit;
    }
    return SetCommState(HandleOf(device), &state) != 0;
}

void SetComTimeouts(DeviceHandle device, const ComTimeouts& timeouts) {
    COMMTIMEOUTS limits;
    limits.ReadIntervalTimeout = timeouts.readInterval;
    limits.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplier;
    limits.ReadTotalTimeoutConstant = timeouts.readTotalConstant;
    limits.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplier;
    limits.WriteTotalTimeoutConstant = timeouts.writeTotalConstant;
    SetCommTimeouts(HandleOf(device), &limits);
}

bool QueryComInput(DeviceHandle device, std::uint32_t& waitingBytes) {
    DWORD errors = 0;
    COMSTAT status;
    if (!ClearCommError(HandleOf(device), &errors, &status))
        return false;
    waitingBytes = status.cbInQue;
    return true;
}

std::size_t ReadComDevice(DeviceHandle device, char* buffer, std::size_t count) {
    DWORD got = 0;
    if (!ReadFile(HandleOf(device), buffer, static_cast<DWORD>(count), &got, nullptr))
        return 0;
    return got;
}

std::size_t WriteComDevice(DeviceHandle device, const char* bytes, std::size_t count) {
    DWORD written = 0;
    if (!WriteFile(HandleOf(device), bytes, static_cast<DWORD>(count), &written, nullptr))
        return 0;
    return written;
}

void CloseComDevice(DeviceHandle device) {
    if (device != 0)
        CloseHandle(HandleOf(device));
}
