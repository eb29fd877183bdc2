// Which serial ports the port list offers on Linux, and the paths that open them.
#include "platform/linux/system/serial_device_names.h"
#include "platform/platform.h"
#include "system_fixtures.h"

#include <sys/stat.h>

namespace {

TEST(SerialPortNames, DevicesComeKindByKindInTheOrderOfTheirNumbers) {
    const std::vector<std::string> entries = {
        "ttyS10", "console", "ttyS2",   "ttyUSB1", "rfcomm0", "tty0",  "ttyUSB0",  "ttyACM0",
        "ttyS",   "ttySx1",  "ttyAMA0", "ttyS1a",  ".",       "ttyS0", "ttyUSB10", "pts"};
    EXPECT_EQ(SerialDeviceNames(entries),
              (std::vector<std::string>{"ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyACM0", "ttyAMA0",
                                        "ttyS0", "ttyS2", "ttyS10", "rfcomm0"}));
    EXPECT_TRUE(SerialDeviceNames({}).empty());
}

TEST(SerialPortNames, TheNamedPortsFollowTheDevicesFoundOnceEach) {
    std::vector<std::wstring> found;
    {
        ScopedVariable unset("TOCKMETER_PORTS", nullptr);
        found = SerialPortNames(32);
    }
    for (const std::wstring& name : found) {
        struct stat status {};
        EXPECT_EQ(stat(Utf8FromWide(SerialDevicePath(name)).c_str(), &status), 0) << name.c_str();
    }

    std::string named = "/tmp/tockmeter-pty::ttyTockmeterTest:/tmp/tockmeter-pty:";
    if (!found.empty())
        named += Utf8FromWide(found.front()); // a device found is not named twice
    ScopedVariable ports("TOCKMETER_PORTS", named.c_str());
    std::vector<std::wstring> expected = found;
    expected.push_back(L"/tmp/tockmeter-pty");
    expected.push_back(L"ttyTockmeterTest");
    EXPECT_EQ(SerialPortNames(32), expected);
}

TEST(SerialPortNames, ANameOpensUnderDevUnlessItIsAPath) {
    EXPECT_EQ(SerialDevicePath(L"ttyUSB0"), L"/dev/ttyUSB0");
    EXPECT_EQ(SerialDevicePath(L"pts/3"), L"/dev/pts/3");
    EXPECT_EQ(SerialDevicePath(L"/dev/pts/3"), L"/dev/pts/3");
    EXPECT_EQ(SerialDevicePath(L"/tmp/micromite"), L"/tmp/micromite");
}

} // namespace
