// What the graph draws of a session's data: the empty and one-point sessions, the stamps the
// estimate leaves out drawn hollow, the thinning of many intervals, the range scaled to the
// trusted intervals, and the CLOCKTRIM panel's step line, bars and advice.
#include "graph/graph_data.h"
#include "graph/graph_picture.h"
#include "graph_fixture.h"
#include "sim/sim.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

namespace {

constexpr int Width = 640, Height = 480;
constexpr double Noon = 20797.0 * 86400.0 + 12.0 * 3600.0; // 2026-12-10 12:00:00

class GraphPictureTest : public ::testing::Test {
protected:
    void SetUp() override { SimReset(); }

    // The graph of the data on a picture of the default size, as the simulation recorded it.
    static SimPicture Drawn(const GraphData& data, int width = Width, int height = Height) {
        const Drawing picture = CreateDrawing(width, height);
        DrawGraph(picture, width, height, data);
        const std::size_t before = SimEncodedPictures().size();
        DrawingAsPng(picture);
        DeleteDrawing(picture);
        EXPECT_EQ(SimEncodedPictures().size(), before + 1);
        return SimEncodedPictures().back();
    }
};

GraphRun RunAt(int trim, double start, double end) {
    GraphRun run;
    run.trimKnown = true;
    run.trim = trim;
    run.startTime = start;
    run.endTime = end;
    return run;
}

GraphRun Rated(GraphRun run, double ppm, double bound) {
    run.rateKnown = true;
    run.ppm = ppm;
    run.boundPpm = bound;
    return run;
}

TEST_F(GraphPictureTest, AnEmptySessionSaysSoAndDrawsNothingElse) {
    const SimPicture picture = Drawn(GraphData{});
    ASSERT_EQ(picture.ops.size(), 2u);
    EXPECT_EQ(picture.ops[0].kind, SimDrawKind::FilledRect) << "white behind";
    EXPECT_EQ(picture.ops[0].rect.right, Width);
    EXPECT_EQ(picture.ops[0].rect.bottom, Height);
    EXPECT_EQ(picture.ops[1].text, NoMeasurementsYet);
}

TEST_F(GraphPictureTest, OnePointStandsAtItsPlaceInTheLeastSpans) {
    GraphData data;
    data.runs = {RunAt(0, Noon, Noon + 10.0)};
    data.intervals = {{Noon + 10.0, 250.0, 0, true}};
    const SimPicture picture = Drawn(data);
    const std::vector<DrawRect> panels = PanelFrames(picture);
    ASSERT_EQ(panels.size(), 2u);
    const std::vector<IntervalMarker> markers = IntervalMarkers(picture);
    ASSERT_EQ(markers.size(), 1u);
    // Vertically in the middle; along the least span of a minute, centred on the run's ten
    // seconds, at the run's end.
    const DrawRect& upper = panels[0];
    EXPECT_NEAR(markers[0].at.y, Centre(upper).y, 1);
    EXPECT_NEAR(markers[0].at.x, upper.left + (upper.right - 1 - upper.left) * 35.0 / 60.0, 1);
    EXPECT_EQ(LegendEntries(picture), std::vector<std::wstring>{L"0"});
    EXPECT_TRUE(RateMarkers(picture).empty()) << "no rate yet";
}

// The estimate leaves out a stamp it is told is late and one it finds far late by itself: both
// intervals that end at the stamp are hollow, every other one filled.
TEST_F(GraphPictureTest, IntervalsOfAStampTheEstimateLeavesOutAreHollow) {
    constexpr int Intervals = 20, Odd = 8;
    const struct {
        const char* what;
        bool trusted;
        double lateSeconds;
        int setAside;
        std::set<int> hollow; // the ticks the hollow intervals end at
    } cases[] = {
        {"far late", true, 0.5, 1, {Odd, Odd + 1}},
        {"untrusted", false, 0.0, 0, {Odd, Odd + 1}},
        {"none left out", true, 0.0, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MeasuredRun run;
        run.trimKnown = true;
        run.intervalSeconds = 10.0;
        run.startedAt = Noon;
        for (int k = 0; k <= Intervals; ++k) {
            const double adapter = (k * 7 % 5) * 0.2e-3;
            const bool odd = k == Odd;
            run.stamps.push_back({k, 5000.0 + k * 9.9966 + adapter + (odd ? c.lateSeconds : 0.0),
                                  !odd || c.trusted});
        }
        run.estimate = EstimateRate(run.stamps, run.intervalSeconds, UsbFrameSeconds,
                                    CoarsestAdapterGridSeconds);
        ASSERT_TRUE(run.estimate.known);
        ASSERT_EQ(run.estimate.stampsSetAside, c.setAside);

        std::vector<IntervalMarker> markers = IntervalMarkers(Drawn(SessionGraphData({run})));
        ASSERT_EQ(markers.size(), static_cast<std::size_t>(Intervals));
        std::sort(markers.begin(), markers.end(),
                  [](const IntervalMarker& a, const IntervalMarker& b) { return a.at.x < b.at.x; });
        std::set<int> hollow;
        for (int i = 0; i < Intervals; ++i)
            if (markers[i].hollow)
                hollow.insert(i + 1);
        EXPECT_EQ(hollow, c.hollow);
    }
}

TEST_F(GraphPictureTest, ManyIntervalsKeepEachColumnsExtremesAndTheRangeFollowsTheTrustedOnes) {
    GraphData data;
    const int count = 100000;
    data.runs = {RunAt(0, Noon, Noon + count * 2.5),
                 RunAt(-3, Noon + count * 2.5, Noon + count * 5.0)};
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 80.0);
    for (int i = 0; i < 2 * count; ++i) {
        const int run = i < count ? 0 : 1;
        data.intervals.push_back(
            {Noon + (i + 1) * 2.5, (run == 0 ? 345.0 : 0.0) + noise(random), run, true});
    }
    // A far-late stamp: its intervals are left out, and far beyond the others.
    data.intervals[5000].trusted = false;
    data.intervals[5000].ppm = -20000.0;
    const SimPicture picture = Drawn(data);
    const std::vector<DrawRect> panels = PanelFrames(picture);
    ASSERT_EQ(panels.size(), 2u);
    const DrawRect& upper = panels[0];
    const std::vector<IntervalMarker> markers = IntervalMarkers(picture);
    const int columns = upper.right - upper.left;
    EXPECT_LE(markers.size(), 2u * 3u * columns) << "two extremes of each series a column";
    EXPECT_GE(markers.size(), 2u * columns * 9 / 10) << "most columns show their two extremes";

    int top = Height, bottom = 0, hollow = 0;
    for (const IntervalMarker& marker : markers) {
        if (marker.hollow) {
            ++hollow;
            EXPECT_GT(marker.at.y, upper.bottom) << "drawn below the range, and clipped";
            continue;
        }
        EXPECT_TRUE(Inside(marker.at, upper));
        top = std::min(top, marker.at.y);
        bottom = std::max(bottom, marker.at.y);
    }
    EXPECT_EQ(hollow, 1);
    EXPECT_EQ(LegendEntries(picture), (std::vector<std::wstring>{L"0", L"-3", L"left out"}));
    // The range is the trusted intervals' with a twentieth more on each side.
    const int height = upper.bottom - upper.top;
    EXPECT_NEAR(top - upper.top, height / 22.0, 2.0);
    EXPECT_NEAR(upper.bottom - bottom, height / 22.0, 2.0);
}

// Wherever the time ticks fall, no label reaches out of the picture: a tick at the panel's right
// edge has its label end there.
TEST_F(GraphPictureTest, EveryTextStaysInsideThePicture) {
    for (int width : {640, 900}) {
        for (int seconds = 240; seconds < 420; ++seconds) {
            GraphData data;
            data.runs = {Rated(RunAt(0, Noon, Noon + seconds), 345.0, 20.0)};
            data.intervals = {{Noon + 10.0, 330.0, 0, true}, {Noon + seconds, 360.0, 0, true}};
            const SimPicture picture = Drawn(data, width, Height);
            for (const SimDrawOp& op : picture.ops) {
                if (op.kind != SimDrawKind::Text)
                    continue;
                const int textWidth = static_cast<int>(op.text.size()) * op.textHeight *
                                      SimCharacterWidthPercent / 100;
                const int left = op.anchor == TextAnchor::Left    ? op.points[0].x
                                 : op.anchor == TextAnchor::Right ? op.points[0].x - textWidth
                                                                  : op.points[0].x - textWidth / 2;
                EXPECT_GE(left, 0) << "width " << width << ", " << seconds << " s";
                EXPECT_LE(left + textWidth, width) << "width " << width << ", " << seconds << " s";
                EXPECT_LE(op.points[0].y + op.textHeight, Height);
            }
        }
    }
}

TEST_F(GraphPictureTest, TheTrimPanelDrawsEachRateWithTheStepLineAndTheAdvice) {
    const struct {
        const char* what;
        std::vector<GraphRun> runs;
        TrimModel model;
        bool dashed;
        const wchar_t* advice;
    } cases[] = {
        {"one value: the typical step assumed",
         {Rated(RunAt(0, Noon, Noon + 60.0), 1410.0, 3.0)},
         TrimModel{true, false, 1, 0, 0, 1410.0, TypicalTrimStepPpm},
         true,
         L"Advice -3"},
        {"two values: the step fitted",
         {Rated(RunAt(0, Noon, Noon + 60.0), 1410.0, 3.0),
          Rated(RunAt(-3, Noon + 100.0, Noon + 160.0), 30.0, 2.0)},
         TrimModel{true, true, 2, -3, 0, 1410.0, 460.0},
         false,
         L"Advice -3"},
    };
    for (const auto& c : cases) {
        GraphData data;
        data.runs = c.runs;
        data.model = c.model;
        const SimPicture picture = Drawn(data);
        const std::vector<DrawRect> panels = PanelFrames(picture);
        ASSERT_EQ(panels.size(), 2u) << c.what;
        const std::vector<DrawPoint> rates = RateMarkers(picture);
        ASSERT_EQ(rates.size(), c.runs.size()) << c.what;
        for (const DrawPoint& rate : rates)
            EXPECT_TRUE(Inside(rate, panels[1])) << c.what;
        if (rates.size() == 2) {
            EXPECT_LT(rates[1].x, rates[0].x) << c.what << ": CLOCKTRIM -3 left of 0";
            EXPECT_GT(rates[1].y, rates[0].y) << c.what << ": its rate lower";
        }
        int modelPens = 0;
        for (const SimDrawOp& op : picture.ops) {
            if (op.kind == SimDrawKind::Pen && SameColour(op.colour, GraphModelColour)) {
                ++modelPens;
                EXPECT_EQ(op.dashed, c.dashed) << c.what;
            }
        }
        EXPECT_EQ(modelPens, 1) << c.what;
        EXPECT_TRUE(HasText(picture, c.advice)) << c.what;
    }
}

} // namespace
