#include "keyboard.h"

#include <vector>

#include "target_window.h"

void BringToFront(HWND mainWindow) {
    SetForegroundWindow(mainWindow);
    if (!WaitUntil([&] { return GetForegroundWindow() == mainWindow; }))
        Fail(NoAnswer, L"the window did not come to the front");
}

void TypeKey(WORD virtualKey, std::initializer_list<WORD> modifiers) {
    std::vector<INPUT> inputs;
    auto key = [&](WORD code, DWORD flags) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = code;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(code, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    for (WORD modifier : modifiers)
        key(modifier, 0);
    key(virtualKey, 0);
    key(virtualKey, KEYEVENTF_KEYUP);
    for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier)
        key(*modifier, KEYEVENTF_KEYUP);
    if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        Fail(NoAnswer, L"the keys could not be typed");
}
