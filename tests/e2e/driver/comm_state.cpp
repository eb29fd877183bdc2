// tockmeter_e2e_comm_state: plays the earlier program that leaves its line settings in a COM
// port's driver, and reads those settings back afterwards. It needs no window.
//
// Usage: tockmeter_e2e_comm_state COMMAND PORT [STOP_CHARACTER]
//
//   get PORT          prints the port's flow control as GetCommState gives it
//   leave-flow PORT STOP_CHARACTER
//                     turns on every flow control besides CTS/RTS: XON/XOFF both ways (with
//                     the given stop character, a number), DSR flow and sensitivity, the DTR
//                     handshake and abort-on-error; then prints the state as `get` does
//
// The state is one line of JSON: {"outX", "inX", "xonChar", "xoffChar", "dsrFlow",
// "dsrSensitivity", "dtrControl", "abortOnError"}. Exit codes: 0 done; 1 bad command line;
// 2 the port did not open; 3 the state could not be read or written.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "json_text.h"

namespace {

constexpr unsigned char XonCharacter = 0x11;

[[noreturn]] void Fail(int code, const std::wstring& reason) {
    const std::string text = JsonString(reason) + "\n";
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::exit(code);
}

DCB StateOf(HANDLE port) {
    DCB state;
    ZeroMemory(&state, sizeof state);
    state.DCBlength = sizeof state;
    if (!GetCommState(port, &state))
        Fail(3, L"GetCommState failed: " + std::to_wstring(GetLastError()));
    return state;
}

void PrintState(const DCB& state) {
    const std::string output =
        JsonObject({{"outX", JsonBool(state.fOutX)},
                    {"inX", JsonBool(state.fInX)},
                    {"xonChar", JsonNumber(static_cast<unsigned char>(state.XonChar))},
                    {"xoffChar", JsonNumber(static_cast<unsigned char>(state.XoffChar))},
                    {"dsrFlow", JsonBool(state.fOutxDsrFlow)},
                    {"dsrSensitivity", JsonBool(state.fDsrSensitivity)},
                    {"dtrControl", JsonNumber(state.fDtrControl)},
                    {"abortOnError", JsonBool(state.fAbortOnError)}}) +
        "\n";
    std::fwrite(output.data(), 1, output.size(), stdout);
}

void LeaveFlowControl(HANDLE port, unsigned char stopCharacter) {
    DCB state = StateOf(port);
    state.fOutX = 1;
    state.fInX = 1;
    state.XonChar = static_cast<char>(XonCharacter);
    state.XoffChar = static_cast<char>(stopCharacter);
    state.fOutxDsrFlow = 1;
    state.fDsrSensitivity = 1;
    state.fDtrControl = DTR_CONTROL_HANDSHAKE;
    state.fAbortOnError = 1;
    if (!SetCommState(port, &state))
        Fail(3, L"SetCommState failed: " + std::to_wstring(GetLastError()));
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const bool get = argc == 3 && std::wcscmp(argv[1], L"get") == 0;
    const bool leave = argc == 4 && std::wcscmp(argv[1], L"leave-flow") == 0;
    if (!get && !leave)
        Fail(1, L"usage: tockmeter_e2e_comm_state get PORT | leave-flow PORT STOP_CHARACTER");
    const std::wstring path = std::wstring(L"\\\\.\\") + argv[2];
    const HANDLE port = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        Fail(2, L"cannot open " + path + L": " + std::to_wstring(GetLastError()));
    if (leave)
        LeaveFlowControl(port, static_cast<unsigned char>(std::wcstoul(argv[3], nullptr, 10)));
    PrintState(StateOf(port));
    CloseHandle(port);
    return 0;
}
