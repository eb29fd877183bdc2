#include "serial/lone_port.h"

#include <gtest/gtest.h>

namespace {

TEST(LonePortToChoose, IsTheOneAdapterOrTheSimulatedMicromite) {
    const struct {
        std::vector<std::wstring> found;
        const wchar_t* chosen;
    } cases[] = {
        {{}, L""},
        {{L"ttyUSB0"}, L"ttyUSB0"},
        {{L"ttyS0", L"ttyS4", L"ttyACM12"}, L"ttyACM12"},
        {{L"ttyAMA0", L"ttyMicromite"}, L"ttyMicromite"},
        // Two candidates: the user must say which.
        {{L"ttyUSB0", L"ttyUSB1"}, L""},
        {{L"ttyUSB0", L"ttyMicromite"}, L""},
        {{L"ttyACM0", L"ttyS0", L"ttyUSB3"}, L""},
        // On-board ports and names that only look like an adapter's.
        {{L"ttyS0"}, L""},
        {{L"ttyAMA0", L"rfcomm0"}, L""},
        {{L"ttyUSB"}, L""},
        {{L"ttyUSBx1"}, L""},
        {{L"ttyusb0"}, L""},
        {{L"/dev/ttyUSB0"}, L""},
        {{L"COM7"}, L""},
        {{L"ttyMicromite2"}, L""},
    };
    for (const auto& c : cases) {
        std::wstring found;
        for (const std::wstring& port : c.found)
            found += port + L" ";
        EXPECT_EQ(LonePortToChoose(c.found), c.chosen) << L"found: " << found;
    }
}

} // namespace
