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

// The gallery shows equal panes and an enlarged top row; the middle row here.
TEST(GraphPanes, AnEnlargedRowTakesWhatStripsLeave) {
    const auto enlarged = PaneRects(kGraphArea, 3, 2);
    // Strips of 26 pixels, 3 pixels apart.
    EXPECT_EQ(std::tuple(enlarged[0].Height(), enlarged[2].Height(), enlarged[1].bottom, enlarged[2].top),
              std::tuple(26, 26, enlarged[0].top - 4, 91));
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
    for (auto [snr, text] : {std::pair{99.0f, u"99:1"}, {99.01f, u">99:1"}, {9.9f, u"9:1"}, {0.0f, u"---"}, {-2.0f, u"---"}})
        EXPECT_EQ(SnrText(snr), text) << snr;
    for (auto [snr, quality] : {std::pair{3.99f, SnrQuality::Poor}, {4.0f, SnrQuality::Medium}, {9.0f, SnrQuality::Good},
                                {0.0f, SnrQuality::Hidden}})
        EXPECT_EQ(QualityForSnr(snr), quality) << snr;
}

TEST(GraphWarnings, CentreWithinAQuarterMillisecondInclusive) {
    const float travel = 0.05f;
    using W = GraphWarning;  // the fourth row: results unchanged
    for (auto [delay, changed, warning] : {std::tuple{0.00025f, true, W::CentreCorrelation}, {-0.00025f, true, W::CentreCorrelation},
                                           {0.00026f, true, W::None}, {0.0f, false, W::None},
                                           {0.051f, false, W::OutOfBracket}, {-0.051f, true, W::OutOfBracket}})
        EXPECT_EQ(WarningFor(delay, travel, changed), warning) << delay;
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
    EXPECT_EQ(d.fromA + u" " + d.fromB, u"150.0m 50.0m");
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
