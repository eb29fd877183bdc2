// The graph window in the whole program, in virtual time: a new point after each tick line, its
// place and size kept in a group of their own, Save Graph As, and its close request kept
// through a handler's drain.
#include "app/lifecycle.h"
#include "calibration/measured_run.h"
#include "graph/graph_picture.h"
#include "graph_fixture.h"
#include "platform/menu_commands.h"
#include "timing_fixture.h"

#include <cstring>

namespace {

using GraphWindowTest = MicromiteRunTest;

constexpr std::int64_t StopAt = StartAt + 65 * Seconds;

// The picture's width and height as the PNG's header chunk holds them.
bool PngSize(const std::string& png, std::uint32_t& width, std::uint32_t& height) {
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0 ||
        png.compare(12, 4, "IHDR") != 0)
        return false;
    const auto bigEndian = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4; ++i)
            value = value << 8 | static_cast<std::uint8_t>(png[at + i]);
        return value;
    };
    width = bigEndian(16);
    height = bigEndian(20);
    return true;
}

std::string SettingsFile() {
    std::string bytes;
    EXPECT_TRUE(SimGetFile(SettingsPath, bytes));
    return bytes;
}

TEST_F(GraphWindowTest, EachTickLineGetsItsPointOnceItIsLogged) {
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    SimScheduleCtrlKey(StartAt + 2 * Seconds, L'G');
    SimSchedulePressButton(StopAt, StopButtonId);
    SimScheduleClose(StopAt + 5 * Seconds);
    // At every picture the graph gets: the tick lines the log shows, and the intervals drawn.
    struct Look {
        std::size_t logged, drawn;
        bool band;
    };
    std::vector<Look> looks;
    SimOnGraphPicture([&] {
        const SimPicture& shown = SimGraph().shown;
        bool band = false;
        for (const SimDrawOp& op : shown.ops)
            band = band || (op.kind == SimDrawKind::FilledRect && op.rect.right - op.rect.left > 20 &&
                            op.rect.right - op.rect.left < shown.width);
        looks.push_back({TickLinesOfLastRun().size(), IntervalMarkers(shown).size(), band});
    });
    RunTockmeter();

    const std::size_t ticks = TickLinesOfLastRun().size();
    ASSERT_GE(ticks, 6u);
    ASSERT_EQ(looks.size(), ticks + 2) << "on showing, after each tick line, and at the stop";
    for (std::size_t i = 0; i < looks.size(); ++i)
        EXPECT_EQ(looks[i].drawn, looks[i].logged) << "picture " << i;
    EXPECT_EQ(looks.back().logged, ticks);
    EXPECT_FALSE(looks.front().band) << "no estimate after one interval";
    EXPECT_TRUE(looks.back().band) << "the run's estimate and bound";
    EXPECT_EQ(LegendEntries(SimGraph().shown), std::vector<std::wstring>{L"0"});
    EXPECT_EQ(RateMarkers(SimGraph().shown).size(), 1u) << "the run's rate at its CLOCKTRIM";

    EXPECT_EQ(SimGraph().title, L"Tockmeter graph");
    EXPECT_EQ(SimGraph().client.width, 640);
    EXPECT_EQ(SimGraph().client.height, 480);
    EXPECT_FALSE(SimGraph().open) << "closed with the program";
}

// The existing settings keep their bytes; the graph's group follows them once the graph was
// shown, and the graph opens there the next time.
TEST_F(GraphWindowTest, ThePlaceAndSizeAreKeptInAGroupOfTheirOwn) {
    SimScheduleClose(1 * Seconds);
    RunTockmeter();
    const std::string withoutGraph = SettingsFile();

    SimScheduleMenuCommand(SimNowNanoseconds() + 1 * Seconds, ShowGraphCommandId);
    SimScheduleGraphResize(SimNowNanoseconds() + 2 * Seconds, 800, 500);
    SimScheduleGraphMove(SimNowNanoseconds() + 3 * Seconds, 300, 100);
    SimScheduleGraphClose(SimNowNanoseconds() + 4 * Seconds);
    SimScheduleClose(SimNowNanoseconds() + 5 * Seconds);
    App = AppState{};
    RunTockmeter();
    EXPECT_EQ(SimGraph().shown.width, 800) << "redrawn at its new size";
    EXPECT_EQ(SimGraph().shown.height, 500);
    EXPECT_EQ(SettingsFile(), withoutGraph + "\r\n[Graph]\r\nGraphX = 300\r\nGraphY = 100\r\n"
                                             "GraphW = 800\r\nGraphH = 500\r\n");

    SimScheduleCtrlKey(SimNowNanoseconds() + 1 * Seconds, L'G');
    SimScheduleClose(SimNowNanoseconds() + 2 * Seconds);
    App = AppState{};
    RunTockmeter();
    EXPECT_EQ(SimGraph().opens, 2);
    EXPECT_EQ(SimGraph().frame.left, 300);
    EXPECT_EQ(SimGraph().frame.top, 100);
    EXPECT_EQ(SimGraph().client.width, 800);
    EXPECT_EQ(SimGraph().client.height, 500);
}

// A graph stored beside a monitor that is gone opens on the screen in its stored size.
TEST_F(GraphWindowTest, APlaceOnNoMonitorOpensOnTheNearestWorkArea) {
    SimPutFile(SettingsPath, "[Graph]\r\nGraphX = 5000\r\nGraphY = 300\r\nGraphW = 700\r\n"
                             "GraphH = 400\r\n");
    SimScheduleCtrlKey(1 * Seconds, L'G');
    SimScheduleClose(2 * Seconds);
    RunTockmeter();
    EXPECT_EQ(SimGraph().client.width, 700);
    EXPECT_EQ(SimGraph().client.height, 400);
    EXPECT_EQ(SimGraph().frame.right, 1920) << "at the right edge of the work area";
    EXPECT_EQ(SimGraph().frame.top, 300);
}

TEST_F(GraphWindowTest, SaveGraphAsWritesThePictureAtTheWindowsSize) {
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimSchedulePressButton(StartAt, StartButtonId);
    SimSchedulePressButton(StartAt + 35 * Seconds, StopButtonId);
    const std::int64_t after = StartAt + 40 * Seconds;
    SimScheduleMenuCommand(after, ShowGraphCommandId);
    SimScheduleGraphResize(after + 1 * Seconds, 700, 400);
    SimMakeFolder(L"D:\\Records");
    std::vector<std::wstring> answers = {L"D:\\Records\\shown.png", L"D:\\Records\\closed.png"};
    SimAnswerSaveDialogs([&](const SaveFileQuestion&) {
        const std::wstring answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    });
    SimScheduleMenuCommand(after + 2 * Seconds, SaveGraphCommandId);
    std::vector<SimDrawOp> shown;
    SimScheduleAction(after + 3 * Seconds, [&] { shown = SimGraph().shown.ops; });
    SimScheduleGraphClose(after + 4 * Seconds);
    SimScheduleMenuCommand(after + 5 * Seconds, SaveGraphCommandId);
    SimScheduleClose(after + 6 * Seconds);
    RunTockmeter();

    ASSERT_EQ(SimSaveQuestions().size(), 2u);
    EXPECT_EQ(SimSaveQuestions()[0].title, L"Save Graph As");
    EXPECT_EQ(SimSaveQuestions()[0].typeName, L"PNG images");
    EXPECT_EQ(SimSaveQuestions()[0].extension, L"png");
    EXPECT_EQ(SimSaveQuestions()[0].proposedName, L"Tockmeter 2026-12-10 12-00.png");
    const struct {
        const wchar_t* path;
        std::uint32_t width, height;
    } files[] = {{L"D:\\Records\\shown.png", 700, 400}, {L"D:\\Records\\closed.png", 700, 400}};
    for (const auto& file : files) {
        std::string png;
        ASSERT_TRUE(SimGetFile(file.path, png));
        std::uint32_t width = 0, height = 0;
        ASSERT_TRUE(PngSize(png, width, height));
        EXPECT_EQ(width, file.width);
        EXPECT_EQ(height, file.height);
    }
    // The saved picture is the one the window showed.
    ASSERT_EQ(SimEncodedPictures().size(), 2u);
    const std::vector<SimDrawOp>& saved = SimEncodedPictures()[0].ops;
    ASSERT_EQ(saved.size(), shown.size());
    EXPECT_EQ(Texts(SimEncodedPictures()[0]), Texts(SimGraph().shown));
    EXPECT_EQ(IntervalMarkers(SimEncodedPictures()[0]).size(), IntervalMarkers(SimGraph().shown).size());
    EXPECT_GT(IntervalMarkers(SimEncodedPictures()[1]).size(), 2u);
}

TEST_F(GraphWindowTest, TheCommandsAreOfferedInTheirMenus) {
    SimScheduleClose(1 * Seconds);
    RunTockmeter();
    const struct {
        int id;
        int flags;
        wchar_t ctrlKey;
    } expected[] = {
        {ShowGraphCommandId, InWindowMenu | InLogMenu, L'G'},
        {SaveGraphCommandId, InWindowMenu | InLogMenu | InGraphMenu, 0},
    };
    for (const auto& command : expected) {
        const auto& offered = SimMainWindow().menuCommands;
        const auto found = std::find_if(offered.begin(), offered.end(),
                                        [&](const SimMenuCommand& c) { return c.id == command.id; });
        ASSERT_NE(found, offered.end()) << command.id;
        EXPECT_EQ(found->flags & (InWindowMenu | InLogMenu | InGraphMenu), command.flags)
            << command.id;
        EXPECT_EQ(found->ctrlKey, command.ctrlKey) << command.id;
    }
}

TEST_F(GraphWindowTest, NoGraphIsSavedBeforeAnyRun) {
    SimAnswerSaveDialogs([](const SaveFileQuestion&) { return L"C:\\Tockmeter\\g.png"; });
    SimScheduleMenuCommand(1 * Seconds, SaveGraphCommandId);
    SimScheduleMenuCommand(2 * Seconds, ShowGraphCommandId);
    SimScheduleClose(3 * Seconds);
    RunTockmeter();
    EXPECT_TRUE(SimSaveQuestions().empty());
    EXPECT_FALSE(SimFileExists(L"C:\\Tockmeter\\g.png"));
    ASSERT_EQ(SimMessageBoxes().size(), 1u);
    EXPECT_EQ(SimMessageBoxes()[0].text.rfind(L"There is no graph to save yet", 0), 0u);
    EXPECT_EQ(Texts(SimGraph().shown), std::vector<std::wstring>{NoMeasurementsYet});
    EXPECT_EQ(RateMarkers(SimGraph().shown).size(), 0u);
}

// The upload drains the window's messages as it logs; the graph's close box pressed meanwhile
// closes it once the upload is done.
TEST_F(GraphWindowTest, ClosingTheGraphDuringAnUploadIsCarriedOutAfterIt) {
    SimScheduleMenuCommand(UploadAt - 500 * Milliseconds, ShowGraphCommandId);
    SimSchedulePressButton(UploadAt, UploadButtonId);
    SimScheduleGraphClose(UploadAt + 3 * Seconds);
    bool openAfterUpload = true;
    SimScheduleAction(StartAt, [&] { openAfterUpload = SimGraph().open; });
    SimScheduleClose(StartAt + 1 * Seconds);
    RunTockmeter();
    ASSERT_GE(LogLines().size(), 2u);
    EXPECT_FALSE(openAfterUpload);
    EXPECT_EQ(SimGraph().opens, 1);
}

} // namespace
