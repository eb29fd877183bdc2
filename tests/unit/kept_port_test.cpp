// The settings keep the user's own port, under a name that finds the same adapter after a replug;
// a port the program chose for the user is used but kept only once the user makes it theirs.
#include "app/lifecycle.h"

#include "app_fixture.h"
#include "window/control_ids.h"
#include "window/main_controls.h"

#include <string>
#include <vector>

namespace {

const std::wstring SettingsPath = L"C:\\Tockmeter\\Tockmeter.inf";

struct Adapter {
    const wchar_t* name;
    const wchar_t* stableName; // empty: none
};

constexpr int NoAction = 0;

TEST(KeptPortTest, TheSettingsKeepTheUsersPortUnderItsLastingName) {
    const struct {
        const char* what;
        std::vector<Adapter> plugged;
        std::string stored;
        int action; // the Prog button pressed, or the first port chosen in the list
        const wchar_t* shown;
        const wchar_t* uploadedTo; // empty: none took the upload
        std::string kept;
    } cases[] = {
        {"a replug swapped the names: the stored adapter is found under its new one",
         {{L"ttyUSB0", L"usb-Silicon_Labs_0001-if00-port0"},
          {L"ttyUSB1", L"usb-FTDI_A50285BI-if00-port0"}},
         "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0", UploadButtonId, L"ttyUSB1",
         L"ttyUSB1", "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0"},
        {"the stored adapter unplugged: the lone other one is not chosen in its place",
         {{L"ttyUSB0", L"usb-Silicon_Labs_0001-if00-port0"}},
         "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0", UploadButtonId, L"", L"",
         "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0"},
        {"the lone adapter chosen at start-up and not used: the stored port stays",
         {{L"ttyUSB0", L"usb-FTDI_A50285BI-if00-port0"}}, "com7", NoAction, L"ttyUSB0", L"",
         "com7"},
        {"the lone adapter chosen at start-up and uploaded to: kept by its lasting name",
         {{L"ttyUSB0", L"usb-FTDI_A50285BI-if00-port0"}}, "com7", UploadButtonId, L"ttyUSB0",
         L"ttyUSB0", "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0"},
        {"a port the user chooses in the list: kept by its lasting name",
         {{L"ttyUSB0", L"usb-Silicon_Labs_0001-if00-port0"},
          {L"ttyUSB1", L"usb-FTDI_A50285BI-if00-port0"}},
         "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0", PortListId, L"ttyUSB1", L"",
         "/dev/serial/by-id/usb-Silicon_Labs_0001-if00-port0"},
        {"an adapter without a lasting name chosen in the list: kept by its name",
         {{L"ttyUSB0", L""}, {L"ttyUSB1", L"usb-FTDI_A50285BI-if00-port0"}}, "ttyUSB1",
         PortListId, L"ttyUSB1", L"", "ttyUSB0"},
        {"a COM port: kept as the file writes it",
         {{L"COM7", L""}}, "com7", UploadButtonId, L"COM7", L"COM7", "com7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimReset();
        App = AppState{};
        ResetEventQueue();
        SimPutFile(SettingsPath, "[micromite]\r\nuM comport = " + c.stored + "\r\n");
        for (const Adapter& adapter : c.plugged) {
            SimAddComDevice(adapter.name);
            SimListComPortInSystem(adapter.name);
            SimSetComStableName(adapter.name, adapter.stableName);
        }
        std::wstring shown;
        SimScheduleAction(2 * Seconds, [&] { shown = ListText(PortListId); });
        if (c.action == UploadButtonId)
            SimSchedulePressButton(3 * Seconds, UploadButtonId);
        else if (c.action == PortListId)
            SimScheduleChooseListItem(3 * Seconds, PortListId, 0);
        SimScheduleClose(25 * Seconds);
        RunTockmeter();

        EXPECT_EQ(shown, c.shown);
        for (const Adapter& adapter : c.plugged) {
            const bool uploaded =
                SimComDeviceRecord(adapter.name)->written.find("NEW\r") != std::string::npos;
            EXPECT_EQ(uploaded, adapter.name == std::wstring(c.uploadedTo)) << adapter.name;
        }
        std::string saved;
        ASSERT_TRUE(SimGetFile(SettingsPath, saved));
        EXPECT_NE(saved.find("\r\nuM comport = " + c.kept + "\r\n"), std::string::npos) << saved;
    }
}

} // namespace
