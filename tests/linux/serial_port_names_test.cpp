// Which serial ports the port list offers on Linux, and the paths that open them.
#include "platform/linux/system/serial_device_names.h"
#include "platform/serial.h"
#include "platform/text_encoding.h"
#include "system_fixtures.h"

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

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

    // A path is shown by its file name, unless a port of that name is listed already.
    std::string named = "/tmp/tockmeter-pty::ttyTockmeterTest:/tmp/tockmeter-pty:"
                        "/tmp/other/ttyTockmeterTest:";
    if (!found.empty())
        named += "/dev/" + Utf8FromWide(found.front()); // a device found is not named twice
    ScopedVariable ports("TOCKMETER_PORTS", named.c_str());
    std::vector<std::wstring> expected = found;
    expected.push_back(L"tockmeter-pty");
    expected.push_back(L"ttyTockmeterTest");
    expected.push_back(L"/tmp/other/ttyTockmeterTest");
    EXPECT_EQ(SerialPortNames(32), expected);

    EXPECT_EQ(SerialDevicePath(L"tockmeter-pty"), L"/tmp/tockmeter-pty");
    EXPECT_EQ(SerialDevicePath(L"ttyTockmeterTest"), L"/dev/ttyTockmeterTest");
    EXPECT_EQ(SerialDevicePath(L"/tmp/other/ttyTockmeterTest"), L"/tmp/other/ttyTockmeterTest");
}

TEST(SerialPortNames, ANameOpensUnderDevUnlessItIsAPath) {
    EXPECT_EQ(SerialDevicePath(L"ttyUSB0"), L"/dev/ttyUSB0");
    EXPECT_EQ(SerialDevicePath(L"pts/3"), L"/dev/pts/3");
    EXPECT_EQ(SerialDevicePath(L"/dev/pts/3"), L"/dev/pts/3");
    EXPECT_EQ(SerialDevicePath(L"/tmp/micromite"), L"/tmp/micromite");
}

// The stable name is the link in the folder that leads to the port's device, whatever the
// link's own path is; a device no link leads to has none.
TEST(SerialPortNames, TheStableNameIsTheLinkThatLeadsToTheDevice) {
    TempFolder byId;
    PseudoTerminal adapter;
    PseudoTerminal other;
    ASSERT_EQ(symlink(other.devicePath().c_str(), (byId / "usb-Other_Adapter-if00").c_str()), 0);
    ASSERT_EQ(symlink(adapter.devicePath().c_str(), (byId / "usb-FTDI_A50285BI-if00").c_str()), 0);
    ASSERT_EQ(symlink("/nowhere", (byId / "usb-Dangling").c_str()), 0);
    EXPECT_EQ(EntryLeadingTo(byId.path(), adapter.devicePath()), "usb-FTDI_A50285BI-if00");
    EXPECT_EQ(EntryLeadingTo(byId.path(), other.devicePath()), "usb-Other_Adapter-if00");

    PseudoTerminal unlinked;
    EXPECT_EQ(EntryLeadingTo(byId.path(), unlinked.devicePath()), "");
    EXPECT_EQ(EntryLeadingTo(byId.path(), "/nowhere"), "");
    EXPECT_EQ(EntryLeadingTo(byId / "missing", adapter.devicePath()), "");
}

TEST(SerialPortNames, OnBoardPortsWithoutAUartAreLeftOut) {
    TempFolder ttyClass;
    const struct {
        const char* name;
        const char* type; // null: no description
    } described[] = {{"ttyS0", "4\n"}, {"ttyS1", "0\n"}, {"ttyS2", "garbled"},
                     {"ttyUSB0", "0\n"}, {"ttyS4", nullptr}};
    for (const auto& device : described) {
        if (!device.type)
            continue;
        ASSERT_EQ(mkdir((ttyClass / device.name).c_str(), 0755), 0);
        std::ofstream(ttyClass / device.name + "/type") << device.type;
    }
    EXPECT_EQ(WithoutAbsentUarts({"ttyUSB0", "ttyS0", "ttyS1", "ttyS2", "ttyS4"}, ttyClass.path()),
              (std::vector<std::string>{"ttyUSB0", "ttyS0", "ttyS2", "ttyS4"}));
}

} // namespace
