// Which serial ports the port list offers on Linux, and the paths that open them.
#include "platform/linux/system/serial_device_names.h"
#include "platform/serial.h"
#include "platform/text_encoding.h"
#include "system_fixtures.h"

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::wstring Wide(const std::string& text) {
    return WideFromUtf8(text);
}

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

// A kept stable name finds its adapter under whatever name the system gave it now; once the link
// is gone (the adapter unplugged), or leads to no port listed, it finds none.
TEST(SerialPortNames, AKeptStableNameFindsTheAdapterUnderItsNameNow) {
    TempFolder byId;
    PseudoTerminal first;
    PseudoTerminal second;
    PseudoTerminal unlisted;
    const std::vector<SerialPortEntry> ports = {{L"ttyUSB0", Wide(first.devicePath())},
                                                {L"ttyUSB1", Wide(second.devicePath())}};
    const std::string link = byId / "usb-FTDI_A50285BI-if00-port0";
    const struct {
        const char* what;
        const std::string* leadsTo; // null: no link
        const wchar_t* found;
    } cases[] = {
        {"plugged in second", &second.devicePath(), L"ttyUSB1"},
        {"plugged in again, first", &first.devicePath(), L"ttyUSB0"},
        {"a device the list does not show", &unlisted.devicePath(), L""},
        {"unplugged", nullptr, L""},
    };
    for (const auto& c : cases) {
        unlink(link.c_str());
        if (c.leadsTo) {
            ASSERT_EQ(symlink(c.leadsTo->c_str(), link.c_str()), 0);
        }
        EXPECT_EQ(PortLeadingFrom(link, ports), c.found) << c.what;
    }

    // A name that is no path among udev's links stands for itself.
    for (const wchar_t* name : {L"ttyUSB0", L"/tmp/micromite", L"COM7"})
        EXPECT_EQ(SerialPortOfKeptName(name), name);
    EXPECT_EQ(SerialPortOfKeptName(L"/dev/serial/by-id/usb-Tockmeter_Test_Absent-if00"), L"");
    // A port no link leads to is kept by its name.
    EXPECT_EQ(SerialPortKeptName(Wide(first.devicePath())), Wide(first.devicePath()));
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
