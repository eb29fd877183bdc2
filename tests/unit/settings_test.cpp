#include "settings/settings.h"

#include "files/folder_of_path.h"
#include "platform/window.h"
#include "sim/sim.h"
#include "state/app_state.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const std::wstring ProgramFolder = L"C:\\Tockmeter\\";
const std::wstring SettingsPath = ProgramFolder + L"Tockmeter.inf";

const std::string DefaultFile = "\xEF\xBB\xBF\r\n"
                                "[Windows]\r\n"
                                "; Main Window\r\n"
                                "MainX = 200\r\n"
                                "MainY = 200\r\n"
                                "MainW = 468\r\n"
                                "MainH = 287\r\n"
                                "\r\n"
                                "[micromite]\r\n"
                                "uM comport = com7\r\n"
                                "uM SerialSpeed = 38400\r\n"
                                "LineDelay = 150\r\n"
                                "CLOCKTRIM = 0\r\n"
                                "Max port no = 32\r\n"
                                "Time interval = 10\r\n";

// A save leaves nothing else beside the program.
const std::vector<std::wstring> ProgramAndSettings = {L"Tockmeter.inf", L"tockmeter.exe"};

std::vector<std::wstring> FileNamesBesideTheProgram() {
    std::vector<std::wstring> names;
    for (const auto& file : SimFilesIn(L"C:\\Tockmeter"))
        names.push_back(file.first);
    return names;
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SimReset();
        App = AppState{};
        FindProgramDir();
    }

    static std::string SavedFile() {
        std::string bytes;
        EXPECT_TRUE(SimGetFile(SettingsPath, bytes));
        return bytes;
    }

    static void LoadFrom(const std::string& file) {
        SimPutFile(SettingsPath, file);
        LoadSettings();
    }

    // Saving reads the window's place and size back, as at the program's exit; this window stands
    // where the loaded settings put it.
    static void SaveFromWindowAsLoaded() {
        OpenMainWindow(L"Tockmeter!", App.MainX, App.MainY, App.MainW, App.MainH);
        SaveSettings();
    }
};

TEST_F(SettingsTest, ProgramDirIsTheProgramFolderWithItsSeparator) {
    EXPECT_EQ(App.ProgramDir, ProgramFolder);
    const struct {
        const wchar_t* path;
        const wchar_t* folder;
    } cases[] = {
        {L"C:\\a\\b\\tockmeter.exe", L"C:\\a\\b\\"},
        {L"/home/user/tockmeter.exe", L"/home/user/"},
        {L"C:\\mixed/sep\\x.exe", L"C:\\mixed/sep\\"},
        {L"tockmeter.exe", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FolderOfPath(c.path), c.folder);
}

TEST_F(SettingsTest, FirstStartTakesTheDefaultsAndSavesTheDefaultFile) {
    LoadSettings();
    EXPECT_EQ(App.MainX, 200);
    EXPECT_EQ(App.MainY, 200);
    EXPECT_EQ(App.MainW, 468);
    EXPECT_EQ(App.MainH, 287);
    EXPECT_EQ(App.ComPort, L"com7");
    EXPECT_EQ(App.SerialSpeed, L"38400");
    EXPECT_EQ(App.LineDelay, 150);
    EXPECT_EQ(App.ClockTrim, L"0");
    EXPECT_EQ(App.MaxPortNo, 32);
    EXPECT_EQ(App.TimeInterval, L"10");
    EXPECT_EQ(App.TimerPeriod, 9700);
    EXPECT_FALSE(SimFileExists(SettingsPath)); // loading never writes

    SaveFromWindowAsLoaded();
    EXPECT_EQ(SavedFile(), DefaultFile);
    EXPECT_EQ(SimOpenFileCount(), 0);
}

TEST_F(SettingsTest, LoadingLeavesTheFileAsItWas) {
    const std::string file = "[windows]\nmainx=1\n[Other]\nkey=value\n";
    LoadFrom(file);
    EXPECT_EQ(SavedFile(), file);
}

TEST_F(SettingsTest, LineDelayHasAFloorOf100) {
    const struct {
        const char* line; // the LineDelay line of the micromite group, or none
        std::int32_t expected;
    } cases[] = {
        {"LineDelay = 50\r\n", 100},
        {"LineDelay = 100\r\n", 100},
        {"LineDelay =\r\n", 100},
        {"LineDelay = -7\r\n", 100},
        {"", 150},
        {"LineDelay = 100000\r\n", 100000},
        {"LineDelay = 99999999999\r\n", 2147483647},
    };
    for (const auto& c : cases) {
        LoadFrom(std::string("[micromite]\r\n") + c.line);
        EXPECT_EQ(App.LineDelay, c.expected) << c.line;
    }
    LoadFrom("[micromite]\r\nLineDelay = 50\r\n");
    SaveFromWindowAsLoaded();
    EXPECT_NE(SavedFile().find("LineDelay = 100\r\n"), std::string::npos);
}

TEST_F(SettingsTest, TimerPeriodIsTheIntervalLess300Milliseconds) {
    const struct {
        const wchar_t* interval;
        std::int32_t expected;
    } cases[] = {
        {L"10", 9700}, {L"5", 4700},    {L"300", 299700}, {L"1", 700},       {L"abc", -300},
        {L"0", -300},  {L"$10", 15700}, {L"-1", -1300},
        // Held to the field, never wrapped into a short period.
        {L"4294968", INT32_MAX}, {L"227633267", INT32_MAX}, {L"-99999999999999999", INT32_MIN},
    };
    for (const auto& c : cases) {
        App.TimeInterval = c.interval;
        DeriveTimerPeriod();
        EXPECT_EQ(App.TimerPeriod, c.expected) << c.interval;
    }
}

TEST_F(SettingsTest, ReadsGroupsInAnyOrderAndCaseAndDropsForeignLinesAtTheNextSave) {
    LoadFrom("; written by hand\n"
             "[MICROMITE]\n"
             "  UM COMPORT =  COM3  \n"
             "uM SerialSpeed=300\n"
             "clocktrim = -5\n"
             "MAX PORT NO = 0\n"
             "time interval = 30\n"
             "colour = blue\n"
             "[Extra]\n"
             "a = b\n"
             "[windows]\n"
             "mainx = -10\n"
             "MainY = 0\n"
             "MAINW = 640\n"
             "mainh = 480\n");
    EXPECT_EQ(App.ComPort, L"COM3");
    EXPECT_EQ(App.SerialSpeed, L"300");
    EXPECT_EQ(App.ClockTrim, L"-5");
    EXPECT_EQ(App.MaxPortNo, 0);
    EXPECT_EQ(App.TimeInterval, L"30");
    EXPECT_EQ(App.TimerPeriod, 29700);
    EXPECT_EQ(App.LineDelay, 150);
    EXPECT_EQ(App.MainX, -10);
    EXPECT_EQ(App.MainY, 0);

    SaveFromWindowAsLoaded();
    EXPECT_EQ(SavedFile(), "\xEF\xBB\xBF\r\n"
                           "[Windows]\r\n"
                           "; Main Window\r\n"
                           "MainX = -10\r\n"
                           "MainY = 0\r\n"
                           "MainW = 640\r\n"
                           "MainH = 480\r\n"
                           "\r\n"
                           "[micromite]\r\n"
                           "uM comport = COM3\r\n"
                           "uM SerialSpeed = 300\r\n"
                           "LineDelay = 150\r\n"
                           "CLOCKTRIM = -5\r\n"
                           "Max port no = 0\r\n"
                           "Time interval = 30\r\n");
}

TEST_F(SettingsTest, AMissingGroupTakesItsDefaultsAndTheOtherReadsNormally) {
    LoadFrom("[micromite]\nLineDelay = 200\n");
    EXPECT_EQ(App.MainW, 468);
    EXPECT_EQ(App.LineDelay, 200);
    LoadFrom("[Windows]\nMainW = 500\n");
    EXPECT_EQ(App.MainW, 500);
    EXPECT_EQ(App.ComPort, L"com7");
}

TEST_F(SettingsTest, NumbersWithoutDigitsReadAsZero) {
    LoadFrom("[Windows]\nMainX = left\n[micromite]\nMax port no = many\n");
    EXPECT_EQ(App.MainX, 0);
    EXPECT_EQ(App.MaxPortNo, 0);
}

// Whatever a file holds, the program starts with defined values and its next save is its own
// form of them.
TEST_F(SettingsTest, FilesOfAnyContentGiveDefinedValues) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919) % 256);
    const struct {
        const char* what;
        std::string file;
    } cases[] = {
        {"binary garbage", garbage},
        {"bad UTF-8 after the byte-order mark",
         "\xEF\xBB\xBF[\xC3micromite]\r\nLineDelay = \xFF\xFE"},
        {"a line of 10 MB without a line end",
         "[micromite]\r\nuM comport = " + std::string(10 << 20, 'x')},
        {"zero bytes", std::string("[micromite]\0\r\nLineDelay = 5\0 00\r\n", 30)},
    };
    for (const auto& c : cases) {
        SetUp();
        LoadFrom(c.file);
        EXPECT_GE(App.LineDelay, 100) << c.what;
        const AppState loaded = App;
        SaveFromWindowAsLoaded();
        App = AppState{};
        FindProgramDir();
        LoadSettings();
        EXPECT_TRUE(App.ComPort == loaded.ComPort) << c.what;
        EXPECT_EQ(App.SerialSpeed, loaded.SerialSpeed) << c.what;
        EXPECT_EQ(App.LineDelay, loaded.LineDelay) << c.what;
        EXPECT_EQ(App.ClockTrim, loaded.ClockTrim) << c.what;
        EXPECT_EQ(App.MaxPortNo, loaded.MaxPortNo) << c.what;
        EXPECT_EQ(App.TimeInterval, loaded.TimeInterval) << c.what;
        EXPECT_EQ(App.MainX, loaded.MainX) << c.what;
        EXPECT_EQ(App.MainY, loaded.MainY) << c.what;
        EXPECT_EQ(App.MainW, loaded.MainW) << c.what;
        EXPECT_EQ(App.MainH, loaded.MainH) << c.what;
    }
}

TEST_F(SettingsTest, NumbersBeyond32BitsSaturate) {
    LoadFrom("[Windows]\nMainX = 99999999999\nMainY = -99999999999\n");
    EXPECT_EQ(App.MainX, INT32_MAX);
    EXPECT_EQ(App.MainY, INT32_MIN);
}

TEST_F(SettingsTest, AProgramFolderBeyond260CharactersIsUsedWhole) {
    const std::wstring folder = L"C:\\" + std::wstring(300, L'd') + L"\\";
    SimSetProgramFilePath(folder + L"tockmeter.exe");
    FindProgramDir();
    EXPECT_EQ(App.ProgramDir, folder);
    SaveFromWindowAsLoaded();
    std::string saved;
    EXPECT_TRUE(SimGetFile(folder + L"Tockmeter.inf", saved));
    EXPECT_EQ(saved, DefaultFile);
}

// A folder where nothing can be made (under Program Files, say): the file is saved in place when
// it may be written, else it keeps the previous settings.
TEST_F(SettingsTest, AFolderThatCannotBeWrittenSavesInPlaceOrKeepsAReadOnlyFile) {
    for (const bool readOnlyFile : {false, true}) {
        SCOPED_TRACE(readOnlyFile);
        SetUp();
        SimPutFile(SettingsPath, DefaultFile);
        SimSetFileReadOnly(SettingsPath, readOnlyFile);
        SimSetFolderReadOnly(L"C:\\Tockmeter", true);
        App.StoredComPort = L"COM9";
        SaveFromWindowAsLoaded();
        std::string changed = DefaultFile;
        changed.replace(changed.find("com7"), 4, "COM9");
        EXPECT_EQ(SavedFile(), readOnlyFile ? DefaultFile : changed);
        EXPECT_EQ(FileNamesBesideTheProgram(), ProgramAndSettings);
        EXPECT_EQ(SimOpenFileCount(), 0);
    }
}

TEST_F(SettingsTest, AFailingDiskKeepsThePreviousFile) {
    SimPutFile(SettingsPath, DefaultFile);
    SimFailWritesFrom(1);
    App.StoredComPort = L"COM9";
    SaveFromWindowAsLoaded();
    EXPECT_EQ(SavedFile(), DefaultFile);
    EXPECT_EQ(FileNamesBesideTheProgram(), ProgramAndSettings);
}

TEST_F(SettingsTest, ASaveReplacesThePreviousFileWhole) {
    SimPutFile(SettingsPath, std::string(100000, 'x'));
    LoadSettings();
    SaveFromWindowAsLoaded();
    EXPECT_EQ(SavedFile(), DefaultFile);
}

} // namespace
