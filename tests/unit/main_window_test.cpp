#include "app/main_window.h"
#include "window/frame_place.h"
#include "window/main_controls.h"

#include "app_fixture.h"
#include "platform/window.h"
#include "window/control_ids.h"

namespace {

class MainWindowTest : public AppTest {
protected:
    // The window as start-up builds it from the settings in App.
    static void Build() {
        SetUpWindowLayer();
        LoadLogFont();
        BuildMainWindow();
    }

    static const SimControl& Control(int id) {
        const SimControl* control = SimFindControl(id);
        EXPECT_NE(control, nullptr) << "control " << id;
        static const SimControl none;
        return control ? *control : none;
    }
};

TEST_F(MainWindowTest, OpensWithTheDefaultPlaceSizeAndTitle) {
    Build();
    const SimWindow& window = SimMainWindow();
    EXPECT_TRUE(window.open);
    EXPECT_EQ(window.title, L"Tockmeter!");
    EXPECT_EQ(window.frame.left, 200);
    EXPECT_EQ(window.frame.top, 200);
    EXPECT_EQ(window.client.width, 468);
    EXPECT_EQ(window.client.height, 287);
}

TEST_F(MainWindowTest, CreatesTheControlsInOrderWithTheirPlacesCaptionsAndTooltips) {
    Build();
    const struct {
        int id;
        SimControlKind kind;
        int left, top, width, height;
        const wchar_t* caption;
        const wchar_t* tooltip;
    } expected[] = {
        {18, SimControlKind::DropDownList, 10, 10, 90, 20, L"", L"Serial port"},
        {20, SimControlKind::DropDownList, 110, 10, 60, 20, L"", L"Serial baud rate"},
        {21, SimControlKind::DropDownList, 180, 10, 40, 20, L"", L"CLOCKTRIM value"},
        {28, SimControlKind::DropDownList, 230, 10, 40, 20, L"", L"Timing interval (seconds)"},
        {5, SimControlKind::PushButton, 280, 10, 60, 20, L"Prog", L"Load program onto uMite"},
        {25, SimControlKind::PushButton, 350, 10, 60, 20, L"Start", L"Start timing run"},
        {26, SimControlKind::PushButton, 420, 10, 60, 20, L"Stop", L"Stop timing run"},
        {1, SimControlKind::LogControl, 10, 35, 448, 242, L"", L""},
    };
    std::vector<int> order;
    for (const auto& e : expected) {
        order.push_back(e.id);
        const SimControl& control = Control(e.id);
        EXPECT_EQ(control.kind, e.kind) << e.id;
        const int height =
            control.kind == SimControlKind::DropDownList ? control.fieldHeight : control.height;
        EXPECT_EQ((std::vector<int>{control.left, control.top, control.width, height}),
                  (std::vector<int>{e.left, e.top, e.width, e.height}))
            << e.id;
        EXPECT_EQ(control.caption, e.caption) << e.id;
        EXPECT_EQ(control.tooltip, e.tooltip) << e.id;
    }
    EXPECT_EQ(SimMainWindow().creationOrder, order);
    order.pop_back(); // the log has no tooltip
    EXPECT_EQ(SimMainWindow().tooltipOrder, order);
    EXPECT_EQ(App.LogTop, 35);
}

TEST_F(MainWindowTest, ThePortListTooltipNamesTheAdaptersByTheirStableNames) {
    for (const wchar_t* port : {L"COM1", L"COM3", L"COM5"})
        SimAddComDevice(port);
    SimSetComStableName(L"COM3", L"usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    SimSetComStableName(L"COM5", L"usb-Silicon_Labs_CP2102_0001-if00-port0");
    Build();
    EXPECT_EQ(Control(PortListId).tooltip,
              L"Serial port\nCOM3: usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"
              L"\nCOM5: usb-Silicon_Labs_CP2102_0001-if00-port0");
}

TEST_F(MainWindowTest, DropDownListHeightsFollowVisualStyles) {
    Build();
    EXPECT_EQ(Control(PortListId).totalHeight, 50);
    SetUp();
    SimSetVisualStyles(false);
    Build();
    EXPECT_EQ(Control(PortListId).totalHeight, 350);
    EXPECT_EQ(Control(IntervalListId).fieldHeight, 20);
}

TEST_F(MainWindowTest, TheLogFontIsEightPointCourierNewAtTheDisplayResolution) {
    const struct {
        int dpi;
        int height;
    } cases[] = {{96, -11}, {120, -13}, {144, -16}, {72, -8}, {0, -11}};
    for (const auto& c : cases) {
        SetUp();
        SimSetDisplayDpi(c.dpi);
        Build();
        const SimFont* font = SimFindFont(Control(LogViewId).fontId);
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->face, L"Courier New");
        EXPECT_EQ(font->height, c.height) << c.dpi << " dpi";
        EXPECT_EQ(Control(PortListId).fontId, 0);
    }
}

TEST_F(MainWindowTest, FillsTheListsAndSelectsTheStoredTexts) {
    Build();
    const SimControl& speeds = Control(SpeedListId);
    EXPECT_EQ(speeds.items, (std::vector<std::wstring>{L"4800", L"9600", L"19200", L"38400",
                                                       L"57600", L"115200", L"230400"}));
    EXPECT_EQ(ListText(SpeedListId), L"38400");
    const SimControl& intervals = Control(IntervalListId);
    EXPECT_EQ(intervals.items,
              (std::vector<std::wstring>{L"5", L"10", L"15", L"30", L"60", L"120", L"300"}));
    EXPECT_EQ(ListText(IntervalListId), L"10");
    const SimControl& trims = Control(ClockTrimListId);
    ASSERT_EQ(trims.items.size(), 64u);
    EXPECT_EQ(trims.items.front(), L"32");
    EXPECT_EQ(trims.items[32], L"0");
    EXPECT_EQ(trims.items.back(), L"-31");
    EXPECT_EQ(trims.selected, 32);
    EXPECT_TRUE(Control(PortListId).items.empty());
    EXPECT_EQ(ListText(PortListId), L"");
    EXPECT_EQ(WaitingEventCount(), 0); // the build drained what the opening raised
}

TEST_F(MainWindowTest, AStoredTextThatIsNoItemSelectsNothingAndStaysTheSetting) {
    App.SerialSpeed = L"300";
    App.TimeInterval = L"2";
    Build();
    EXPECT_EQ(ListText(SpeedListId), L"");
    EXPECT_EQ(ListText(IntervalListId), L"");
    EXPECT_EQ(App.SerialSpeed, L"300");
    EXPECT_EQ(App.TimeInterval, L"2");
}

TEST_F(MainWindowTest, SetListTextMatchesWholeTextsInAnyCase) {
    Build();
    AddListItem(PortListId, L"COM2");
    AddListItem(PortListId, L"COM7");
    AddListItem(PortListId, L"com7");
    SetListText(PortListId, L"com7");
    EXPECT_EQ(Control(PortListId).selected, 1); // the first match
    SetListText(PortListId, L"COM");            // no whole-text match: unchanged
    EXPECT_EQ(Control(PortListId).selected, 1);
    SetListText(PortListId, L"com77");
    EXPECT_EQ(Control(PortListId).selected, 1);
    SetListText(PortListId, L"");
    EXPECT_EQ(Control(PortListId).selected, -1);
    EXPECT_EQ(WaitingEventCount(), 0);
}

TEST_F(MainWindowTest, AComposedDesktopShiftsTheFrameAndReadsItBack) {
    SimSetDesktopComposes(true);
    App.MainX = 300;
    Build();
    EXPECT_EQ(SimMainWindow().frame.left, 295);
    EXPECT_EQ(FramePosition().x, 300);
    EXPECT_EQ(FramePosition().y, 200);
}

// A place stored on a monitor that is no longer attached opens on the nearest work area with
// its size; one on an attached monitor (also partly off it, or on a second one) stays as it is.
// The settings keep the stored place until the next save.
TEST_F(MainWindowTest, APlaceOnNoAttachedMonitorOpensOnTheNearestWorkArea) {
    const WindowRect primary{0, 0, 1920, 1040};
    const WindowRect secondOnTheRight{1920, 0, 3200, 1024};
    constexpr int Width = 468 + SimFrameLeft + SimFrameRight;
    constexpr int Height = 287 + SimFrameTop + SimFrameBottom;
    const struct {
        const char* what;
        std::vector<WindowRect> monitors;
        int storedX, storedY;
        int left, top;
    } cases[] = {
        {"on the monitor", {primary}, 200, 200, 200, 200},
        {"partly off its left edge", {primary}, -300, 10, -300, 10},
        {"on a second monitor", {primary, secondOnTheRight}, 2500, 300, 2500, 300},
        {"on a second monitor since gone", {primary}, 2500, 300, 1920 - Width, 300},
        {"above and left of it", {primary}, -5000, -4000, 0, 0},
        {"below it", {primary}, 100, 3000, 100, 1040 - Height},
        {"beside the second monitor", {primary, secondOnTheRight}, 4000, 500, 3200 - Width, 500},
        {"at the far end of the range",
         {primary},
         INT32_MAX,
         INT32_MAX,
         1920 - Width,
         1040 - Height},
        {"at the near end of the range", {primary}, INT32_MIN, INT32_MIN, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        SimSetWorkAreas(c.monitors);
        App.MainX = c.storedX;
        App.MainY = c.storedY;
        Build();
        EXPECT_EQ(SimMainWindow().frame.left, c.left);
        EXPECT_EQ(SimMainWindow().frame.top, c.top);
        EXPECT_EQ(SimMainWindow().client.width, 468);
        EXPECT_EQ(SimMainWindow().client.height, 287);
        EXPECT_EQ(App.MainX, c.storedX);
        EXPECT_EQ(App.MainY, c.storedY);
    }
}

// Stored sizes and places at the ends of the int range open a window without overflowing the
// placement arithmetic (the sanitizer build catches any overflow).
TEST_F(MainWindowTest, StoredGeometryAtTheEndsOfTheRangeOpensAWindow) {
    const int extremes[] = {INT32_MIN, -1, 0, INT32_MAX};
    for (int x : extremes) {
        for (int size : extremes) {
            SCOPED_TRACE(testing::Message() << x << " " << size);
            SetUp();
            SimSetDesktopComposes(true);
            App.MainX = x;
            App.MainY = x;
            App.MainW = size;
            App.MainH = size;
            Build();
            EXPECT_TRUE(SimMainWindow().open);
            EXPECT_EQ(SimMainWindow().client.width, size);
            // Some of it (at least its corner, when it has no size) lies on the work area.
            const WindowRect frame = SimMainWindow().frame;
            const std::int64_t right =
                std::max<std::int64_t>(frame.right, std::int64_t{frame.left} + 1);
            const std::int64_t bottom =
                std::max<std::int64_t>(frame.bottom, std::int64_t{frame.top} + 1);
            EXPECT_TRUE(frame.left < 1920 && right > 0 && frame.top < 1040 && bottom > 0);
            EXPECT_EQ(FramePosition().x, frame.left + 5);
        }
    }
}

TEST_F(MainWindowTest, AMinimizedOrMaximizedWindowGivesItsRestoredPlaceAndSize) {
    Build();
    SimScheduleMove(0, 150, 120);
    SimScheduleResize(0, 500, 300);
    SimScheduleMinimize(0);
    DrainEvents();
    EXPECT_EQ(FramePosition().x, 150);
    EXPECT_EQ(FramePosition().y, 120);
    EXPECT_EQ(InnerSize().width, 500);
    EXPECT_EQ(InnerSize().height, 300);

    SimScheduleRestore(0);
    SimScheduleMaximize(0, 1280, 990);
    DrainEvents();
    EXPECT_EQ(FramePosition().x, 150);
    EXPECT_EQ(FramePosition().y, 120);
    EXPECT_EQ(InnerSize().width, 500);
    EXPECT_EQ(InnerSize().height, 300);
}

TEST_F(MainWindowTest, ThePortListOffersTheFoundPortsAndSelectsTheStoredOne) {
    for (const wchar_t* port : {L"COM2", L"COM7", L"COM40"})
        SimAddComDevice(port);
    App.ComPort = L"com7";
    Build();
    EXPECT_EQ(Control(PortListId).items, (std::vector<std::wstring>{L"COM2", L"COM7"}));
    EXPECT_EQ(ListText(PortListId), L"COM7");
    EXPECT_EQ(App.ComPort, L"com7"); // the setting keeps its own letters
    EXPECT_TRUE(SimMessageBoxes().empty());
}

TEST_F(MainWindowTest, WithNoPortTheUserIsToldAndTheWindowStillOpens) {
    Build();
    ASSERT_EQ(SimMessageBoxes().size(), 1u);
    EXPECT_EQ(SimMessageBoxes()[0].title, L"OOPS!");
    EXPECT_EQ(SimMessageBoxes()[0].text, L"No com ports found");
    EXPECT_TRUE(SimMainWindow().open);
    EXPECT_TRUE(Control(PortListId).items.empty());
}

} // namespace
