// The graph's geometry and texts without a window: panes, pixel columns,
// zoom windows, SNR text and icon, warnings, distance labels.

#include <gtest/gtest.h>

#include "app/GraphLayout.h"
#include "pipe/Pipe.h"

using namespace graph;

TEST(GraphArea, EdgePixelsCountAsInside) {
    const PixelRect area = GraphAreaFor(1, 0);
    for (auto [x, y] : {std::pair{24, 91}, {607, 315}, {24, 315}, {607, 91}}) EXPECT_TRUE(area.Contains(x, y)) << x << "," << y;
    for (auto [x, y] : {std::pair{23, 200}, {608, 200}, {300, 90}, {300, 316}}) EXPECT_FALSE(area.Contains(x, y)) << x << "," << y;
}

TEST(GraphArea, ThreeTracesLeaveRoomForRowButtonsAndLegend) {
    const PixelRect area = GraphAreaFor(3, 70);
    EXPECT_EQ(area.left, 84);
    EXPECT_EQ(area.right, 607 - 70);
}

TEST(GraphPanes, OnePaneLeavesTheBandForThePipeBar) {
    const auto panes = PaneRects(kGraphArea, 1, 0);
    ASSERT_EQ(panes.size(), 1u);
    EXPECT_EQ(panes[0], (PixelRect{24, 91, 607, 315 - 33}));
}

TEST(GraphPanes, StackFromTheBottomAndAnEnlargedRowTakesWhatStripsLeave) {
    const auto equal = PaneRects(kGraphArea, 3, 0);
    ASSERT_EQ(equal.size(), 3u);
    EXPECT_EQ(equal[0].bottom, 282);  // pane 0, the first trace, at the bottom
    EXPECT_GT(equal[0].top, equal[1].bottom);
    EXPECT_EQ(equal[0].Height(), equal[2].Height());

    const auto enlarged = PaneRects(kGraphArea, 3, 2);
    EXPECT_EQ(enlarged[0].Height(), 26);
    EXPECT_EQ(enlarged[2].Height(), 26);
    EXPECT_EQ(enlarged[1].bottom, enlarged[0].top - 4);  // 3 pixels apart
    EXPECT_EQ(enlarged[2].top, 91);

    // Rows count from the top: row 1 is the top pane, the highest band.
    const auto top = PaneRects(kGraphArea, 3, 1);
    EXPECT_EQ(top[0].Height(), 26);
    EXPECT_GT(top[2].Height(), 100);
    EXPECT_EQ(top[2].top, 91);
}

TEST(GraphColumns, PixelAndColumnMapBothWays) {
    const PixelRect pane{24, 91, 607, 282};
    EXPECT_EQ(ColumnOfPixel(pane, 24, 584), 0);
    EXPECT_EQ(ColumnOfPixel(pane, 607, 584), 583);
    EXPECT_EQ(ColumnOfPixel(pane, 607, 500), 499);
    for (int c : {0, 1, 250, 499}) EXPECT_EQ(ColumnOfPixel(pane, PixelOfColumn(pane, c, 500), 500), c);
    EXPECT_EQ(ColumnOfPixel(pane, 30, 0), 0);  // no columns: nothing to divide by
}

// F = 100 lags, N = 50 columns.
TEST(GraphZoom, InHalvesAboutTheCursorAndStopsAtOneLagPerColumn) {
    ZoomInput z{10, {-100, 100}, 100, 50, 30};
    EXPECT_EQ(ZoomIn(z), (LagWindow{-45, 55}));
    z.window = {-20, 40};  // halved would be 35 wide, under N - 1
    EXPECT_EQ(ZoomIn(z), (LagWindow{10 - 30, 10 - 30 + 49}));
}

TEST(GraphZoom, OutFromTheFullWindowLeavesItUnchanged) {
    const ZoomInput z{37, {-100, 100}, 100, 50, 30};
    EXPECT_EQ(ZoomOut(z), (LagWindow{-100, 100}));
    const ZoomInput narrow{0, {-20, 20}, 100, 50, 25};
    EXPECT_EQ(ZoomOut(narrow), (LagWindow{-40, 40}));
}

TEST(GraphZoom, ResultsShiftIntoRangeKeepingTheirWidth) {
    const ZoomInput nearRight{95, {-100, 100}, 100, 50, 49};
    EXPECT_EQ(ZoomMax(nearRight), (LagWindow{46, 95}));  // fits as it is
    const ZoomInput atRight{99, {-100, 100}, 100, 50, 10};
    EXPECT_EQ(ZoomMax(atRight), (LagWindow{51, 100}));
    EXPECT_EQ(ShiftIntoRange({-130, -30}, 100), (LagWindow{-100, 0}));
    EXPECT_EQ(FullPipeView(atRight), (LagWindow{-100, 100}));
}

TEST(GraphSnr, TextAndQualityIconAtTheirThresholds) {
    EXPECT_EQ(SnrText(99.0f), u"99:1");
    EXPECT_EQ(SnrText(99.01f), u">99:1");
    EXPECT_EQ(SnrText(9.9f), u"9:1");
    EXPECT_EQ(SnrText(0.0f), u"---");
    EXPECT_EQ(SnrText(-2.0f), u"---");
    EXPECT_EQ(QualityForSnr(3.99f), SnrQuality::Poor);
    EXPECT_EQ(QualityForSnr(4.0f), SnrQuality::Medium);
    EXPECT_EQ(QualityForSnr(9.0f), SnrQuality::Good);
    EXPECT_EQ(QualityForSnr(0.0f), SnrQuality::Hidden);
}

TEST(GraphWarnings, CentreWithinAQuarterMillisecondInclusive) {
    const float travel = 0.05f;
    EXPECT_EQ(WarningFor(0.00025f, travel, true), GraphWarning::CentreCorrelation);
    EXPECT_EQ(WarningFor(-0.00025f, travel, true), GraphWarning::CentreCorrelation);
    EXPECT_EQ(WarningFor(0.00026f, travel, true), GraphWarning::None);
    EXPECT_EQ(WarningFor(0.0f, travel, false), GraphWarning::None);  // results unchanged
    EXPECT_EQ(WarningFor(0.051f, travel, false), GraphWarning::OutOfBracket);
    EXPECT_EQ(WarningFor(-0.051f, travel, true), GraphWarning::OutOfBracket);
}

TEST(GraphDistances, LeakPlacedOnACopyOfThePipe) {
    CPipe pipe(10000.0f);
    PipeSegment section;
    section.SetLength(200.0f, LengthUnit::Metres);
    section.SetVelocity(1000.0f);
    pipe.AddSection(section);
    pipe.SetSurveyRange(4);
    // A delay of +0.1 s puts the leak 150 m from A; the caller's pipe keeps its own delay.
    const DistanceTexts d = DistancesFor(pipe, 0.1f, 0, true);
    EXPECT_EQ(d.fromA, u"150.0m");
    EXPECT_EQ(d.fromB, u"50.0m");
    EXPECT_EQ(pipe.GetDelay(DelayUnit::Seconds), 0.0f);
    EXPECT_TRUE(DistancesFor(pipe, 0.1f, 0, false).fromA.empty());
    pipe.SetSurveyRange(1);
    EXPECT_TRUE(DistancesFor(pipe, 0.1f, 0, true).fromB.empty());
}

TEST(GraphLabels, FilterValueNamesTheVelocityOfASingleSection) {
    EXPECT_EQ(FilterLabelValue(u"100-800Hz", 1, 1, 1250.0f, u"MULTIPLE"), u"100-800Hz (1250.0m/s)");
    EXPECT_EQ(FilterLabelValue(u"100-800Hz", 1, 2, 0.0f, u"MULTIPLE"), u"100-800Hz");
    EXPECT_EQ(FilterLabelValue(u"100-800Hz", 3, 1, 1250.0f, u"MULTIPLE"), u"MULTIPLE");
}
