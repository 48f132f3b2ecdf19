// The main screen's run on the virtual unit and a fake clock: the START gate,
// the rate and range START chooses, STOP, RESET, the suppression bar, the
// user-activity rule, the status line under a comma locale; and pixels of the
// graph paint in both schemes.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "CommaLocale.h"
#include "ScopedSettings.h"
#include "TempUnitRoot.h"
#include "app/CorrelatorDlg.h"
#include "app/GraphView.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "hardware/UserActivity.h"
#include "platform/Clock.h"
#include "platform/DeviceIo.h"
#include "settings/Configuration.h"
#include "sim/VirtualUnit.h"
#include "ui/Resources.h"

namespace {

// One section of length m at velocity m/s.
CPipe PipeOf(float length, float velocity) {
    CPipe pipe(10000.0f);
    PipeSegment section;
    section.SetLength(length, LengthUnit::Metres);
    section.SetVelocity(velocity);
    pipe.AddSection(section);
    return pipe;
}

class MainRun : public ::testing::Test {
protected:
    void SetUp() override {
        g_configuration.testMode = 0;
        g_configuration.multiFilter = 0;
        g_replay = 0;
        g_defaultBands = 1;
        ResetUserActivity();
    }
    void TearDown() override {
        dlg.reset();
        radio.reset();
        hw.reset();
        platform::SetDeviceProvider(nullptr);
        g_replay = 0;
        ResetUserActivity();
        for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
    }
    void Make(sim::Scenario world = sim::DefaultScenario()) {
        unit = sim::InstallVirtualUnit(world);
        hw = std::make_unique<SensorHardware>();
        radio = std::make_unique<RadioLink>(*hw);
        dlg = std::make_unique<CCorrelatorDlg>(*hw, *radio);
        dlg->InitForDisplay();
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            clock.Advance(RunLoop::kTickMs);
            dlg->TickNow();
        }
    }
    QAbstractButton* Button(int id) { return dlg->Item<QAbstractButton>(id); }
    bool Visible(int id) { return !dlg->GetDlgItem(id)->isHidden(); }

    ScopedSettings settings;
    TempUnitRoot root;
    platform::FakeClock clock;
    platform::ScopedClock scoped{clock};
    std::shared_ptr<sim::VirtualUnit> unit;
    std::unique_ptr<SensorHardware> hw;
    std::unique_ptr<RadioLink> radio;
    std::unique_ptr<CCorrelatorDlg> dlg;
};

}  // namespace

// ---- the START gate and the user-activity rule -------------------------------------

TEST_F(MainRun, NoReceptionWithoutTestModeOrReplayDisablesStartSurveyResume) {
    sim::Scenario world = sim::DefaultScenario();
    for (auto& station : world.stations) station.rssi = -140.0;  // nothing heard
    Make(world);
    Ticks(5);
    for (int id : {kIdStart, kIdSurvey, kIdResume}) EXPECT_FALSE(Button(id)->isEnabled()) << id;
    g_configuration.testMode = 1;
    Ticks(5);
    for (int id : {kIdStart, kIdSurvey, kIdResume}) EXPECT_TRUE(Button(id)->isEnabled()) << id;
}

TEST_F(MainRun, CommandOnADimmedDisplayOnlyWakesIt) {
    Make();
    g_configuration.dimDelay = 1;
    ReportUserActivity();
    OnDimTimer();
    ASSERT_TRUE(IsDisplayDimmed());
    Button(kIdZoom)->click();  // would show the zoom bar
    EXPECT_FALSE(IsDisplayDimmed());
    EXPECT_EQ(dlg->Mode(), GraphMode::None);
    EXPECT_FALSE(Visible(kIdZoomIn));
    Button(kIdZoom)->click();
    EXPECT_EQ(dlg->Mode(), GraphMode::ZoomBar);
    EXPECT_TRUE(Visible(kIdZoomIn));
}

// ---- START's rate and range, STOP, RESET ------------------------------------------

TEST_F(MainRun, StartChoosesRateAndRangeFromTheTravelTime) {
    Make();
    struct Row { float length, velocity; float rate, rangeMs; };
    // 2000 ms: n = 5; 4091 ms and above: n = 10; 10 ms: the 25 ms minimum range;
    // a pipe of no travel time runs at the full rate with the minimum range.
    for (const Row& r : {Row{2000.0f, 1000.0f, 2000.0f, 2200.0f}, Row{4091.0f, 1000.0f, 1000.0f, 4500.1f},
                         Row{10.0f, 1000.0f, 10000.0f, 25.0f}, Row{0.0f, 1000.0f, 10000.0f, 25.0f}}) {
        dlg->StartOnPipe(PipeOf(r.length, r.velocity));
        EXPECT_FLOAT_EQ(dlg->Run().SampleRate(), r.rate) << r.length;
        EXPECT_EQ(hw->GetOutputSampleRate(), static_cast<int32_t>(r.rate)) << r.length;
        EXPECT_NEAR(dlg->Run().Range(), r.rangeMs, 0.01f) << r.length;
        EXPECT_EQ(dlg->Run().RangeUnit(), 1);
        Button(kIdStop)->click();
    }
}

// Presses a button of the screen in front, once it is there.
void PressInFront(int templateId, int id) {
    QTimer::singleShot(20, [=] {
        auto* front = qobject_cast<CDialogBase*>(QApplication::activeModalWidget());
        if (!front || front->TemplateId() != templateId) return PressInFront(templateId, id);
        if (auto* b = front->Item<QAbstractButton>(id)) b->click();
    });
}

// No reception: the bad-signal question first; the pipe entry cancelled
// leaves the run idle on the pipe it had.
TEST_F(MainRun, StartAsksAboutReceptionAndACancelledPipeEntryKeepsTheRun) {
    g_configuration.testMode = 1;  // YES is offered
    sim::Scenario world = sim::DefaultScenario();
    for (auto& station : world.stations) station.rssi = -140.0;  // nothing heard
    Make(world);
    dlg->show();
    const int32_t sections = dlg->Run().Pipe().GetSectionCount();
    PressInFront(194, 6);  // YES
    PressInFront(150, 2);  // BACK on the material screen
    Button(kIdStart)->click();
    EXPECT_FALSE(dlg->Loop().Running());
    EXPECT_EQ(dlg->Run().Pipe().GetSectionCount(), sections);
    EXPECT_TRUE(Visible(kIdStart));
    PressInFront(194, 7);  // NO: the material screen never opens
    Button(kIdStart)->click();
    EXPECT_FALSE(dlg->Loop().Running());
    dlg->hide();
}

TEST_F(MainRun, StartStopResumeFollowTheStateTable) {
    g_configuration.testMode = 1;  // the default world's radio levels lie under the default floor
    Make();
    dlg->StartOnPipe(PipeOf(200.0f, 1250.0f));
    EXPECT_TRUE(dlg->Loop().Running());
    EXPECT_TRUE(Visible(kIdStop) && Visible(kIdReset));
    EXPECT_FALSE(Visible(kIdStart) || Visible(kIdSurvey) || Visible(kIdResume));
    EXPECT_FALSE(Button(kIdSetup)->isEnabled() || Button(kIdFile)->isEnabled());
    Ticks(30);
    EXPECT_GT(dlg->Run().SamplesCorrelated(), 0);

    Button(kIdStop)->click();
    EXPECT_FALSE(dlg->Loop().Running());
    EXPECT_TRUE(Visible(kIdResume) && Visible(kIdReset));
    EXPECT_FALSE(Visible(kIdStart) || Visible(kIdStop));
    EXPECT_TRUE(Button(kIdSetup)->isEnabled() && Button(kIdFile)->isEnabled());
    const uint32_t stopped = dlg->Run().Clock().ElapsedMs();
    Ticks(10);
    EXPECT_EQ(dlg->Run().Clock().ElapsedMs(), stopped);  // the stopwatch stands

    Button(kIdResume)->click();
    EXPECT_TRUE(dlg->Loop().Running());
    EXPECT_TRUE(Visible(kIdStop));
}

TEST_F(MainRun, ResetAfterARunRestoresBarePrefixesAndANewCorrelation) {
    Make();
    dlg->StartOnPipe(PipeOf(200.0f, 1250.0f));
    Ticks(25);
    dlg->grab();  // the paint fills the result labels
    CCorrelation* before = &dlg->Run();
    const FilterBand band = before->PostFilterOf(0).Band();
    EXPECT_NE(dlg->ItemText(kIdFilterLabel), LoadString(194) + " ");
    Button(kIdReset)->click();
    EXPECT_NE(&dlg->Run(), before);
    EXPECT_EQ(dlg->Run().SamplesCorrelated(), 0);
    EXPECT_FLOAT_EQ(dlg->Run().PostFilterOf(0).Band().lowCut, band.lowCut);  // the filters' settings stay
    EXPECT_EQ(dlg->ItemText(kIdPipeLabel), LoadString(195) + " ");
    EXPECT_EQ(dlg->ItemText(kIdFilterLabel), LoadString(194) + " ");
    EXPECT_EQ(dlg->ItemText(kIdSnrLabel), LoadString(197) + " ");
    EXPECT_EQ(dlg->ItemText(kIdElapsedLabel), LoadString(196) + " ");
    EXPECT_TRUE(dlg->ItemText(kIdDistanceA).isEmpty() && dlg->ItemText(kIdDistanceB).isEmpty());
    EXPECT_TRUE(Visible(kIdStart) && Visible(kIdSurvey));
    EXPECT_FALSE(Visible(kIdResume) || Visible(kIdReset));
    EXPECT_EQ(dlg->MainPipe().GetSectionCount(), 1);  // the run's pipe came back
    EXPECT_TRUE(dlg->PipeEntryPending());
    EXPECT_EQ(dlg->GetCheck(kIdAutoCursor), 1);
}

// Settings changed between runs reach the next run without a restart.
TEST_F(MainRun, StartTakesTheCorrelationOptionsOfTheMoment) {
    Make();
    g_configuration.useFftEngine = 1;
    dlg->StartOnPipe(PipeOf(200.0f, 1250.0f));
    EXPECT_TRUE(dlg->Run().Options().useFftEngine);
    Button(kIdStop)->click();
    g_configuration.useFftEngine = 0;
    dlg->ApplySettings();
    EXPECT_FALSE(dlg->Run().Options().useFftEngine);
}

// ---- bars ------------------------------------------------------------------------------

TEST_F(MainRun, SetLeftAndSetRightAreNeverBothChecked) {
    Make();
    Button(kIdPeakSuppress)->click();
    Button(kIdSetLeft)->click();
    EXPECT_EQ(dlg->GetCheck(kIdSetLeft), 1);
    Button(kIdSetRight)->click();
    EXPECT_EQ(dlg->GetCheck(kIdSetRight), 1);
    EXPECT_EQ(dlg->GetCheck(kIdSetLeft), 0);
    EXPECT_EQ(dlg->Mode(), GraphMode::SetRight);
    Button(kIdSetLeft)->click();
    EXPECT_EQ(dlg->GetCheck(kIdSetRight), 0);
    Button(kIdReturn)->click();
    EXPECT_EQ(dlg->Mode(), GraphMode::None);
    EXPECT_TRUE(Visible(kIdListen));
    EXPECT_FALSE(Visible(kIdSetLeft));
}

TEST_F(MainRun, FileBarClosesTheStartGateUntilReturn) {
    g_configuration.testMode = 1;
    Make();
    Ticks(5);
    ASSERT_TRUE(Button(kIdStart)->isEnabled());
    Button(kIdFile)->click();
    EXPECT_TRUE(Visible(kIdSave) && Visible(kIdOpen) && Visible(kIdInfo) && Visible(kIdReturn));
    EXPECT_FALSE(Visible(kIdSnapshotMode));
    Ticks(5);
    EXPECT_FALSE(Button(kIdStart)->isEnabled());
    Button(kIdFile)->click();  // checked: back to the main bar
    EXPECT_TRUE(Button(kIdStart)->isEnabled());
    EXPECT_TRUE(Visible(kIdListen));
}

TEST_F(MainRun, ZoomOutFromTheFullWindowLeavesItUnchanged) {
    Make();
    dlg->StartOnPipe(PipeOf(200.0f, 1250.0f));
    Ticks(20);
    const int32_t left = dlg->Run().LeftLag(), right = dlg->Run().RightLag();
    Button(kIdZoom)->click();
    Button(kIdZoomOut)->click();
    EXPECT_EQ(dlg->Run().LeftLag(), left);
    EXPECT_EQ(dlg->Run().RightLag(), right);
    Button(kIdZoomIn)->click();
    EXPECT_LT(dlg->Run().RightLag() - dlg->Run().LeftLag(), right - left);
    Button(kIdFullPipeView)->click();
    EXPECT_EQ(dlg->GetCheck(kIdZoom), 0);
}

// A touch on the graph moves the cursor there and switches the auto cursor
// off; the graph's edge pixels count as inside.
TEST_F(MainRun, TouchOnTheGraphMovesTheCursorAndEndsTheAutoCursor) {
    Make();
    dlg->StartOnPipe(PipeOf(200.0f, 1250.0f));
    Ticks(20);
    dlg->grab();
    const auto touch = [&](int x, int y) {
        QMouseEvent down(QEvent::MouseButtonPress, QPointF(x, y), QPointF(x, y), Qt::LeftButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(dlg.get(), &down);
    };
    touch(24, 91);
    EXPECT_EQ(dlg->GetCheck(kIdAutoCursor), 0);
    EXPECT_EQ(dlg->Run().View().cursorOnPeak, 0);
    EXPECT_TRUE(dlg->ResultsChanged());
    EXPECT_EQ(dlg->Run().View().cursorLag, dlg->Run().LeftLag());
    touch(607, 315);
    EXPECT_GT(dlg->Run().View().cursorLag, 0);
    const int32_t lag = dlg->Run().View().cursorLag;
    touch(608, 200);  // beside the graph: no move
    EXPECT_EQ(dlg->Run().View().cursorLag, lag);
}

// A clock reset to before 2010 opens the clock screen during initialisation.
TEST_F(MainRun, ClockBefore2010OpensTheClockScreen) {
    int opened = 0;
    CCorrelatorDlg::ClockScreen() = [&](QWidget*) { ++opened; };
    clock.SetUtcMs(1230768000000);  // 2009-01-01
    Make();
    EXPECT_EQ(opened, 1);
    clock.SetUtcMs(1262304000000);  // 2010-01-01
    dlg->InitForDisplay();
    EXPECT_EQ(opened, 1);
    CCorrelatorDlg::ClockScreen() = nullptr;
}

TEST_F(MainRun, OptimiseFiltersShowsItsProgressThenTheBandItChose) {
    g_configuration.postFilter = 1;
    g_configuration.filterOptimisation = 1;
    Make();
    dlg->StartOnPipe(PipeOf(200.0f, 1250.0f));
    Ticks(30);
    Button(kIdMenu)->click();
    ASSERT_TRUE(Visible(kIdOptimiseFilters));
    ASSERT_TRUE(Button(kIdOptimiseFilters)->isEnabled());
    Button(kIdOptimiseFilters)->click();
    EXPECT_FALSE(Button(kIdOptimiseFilters)->isEnabled());
    Ticks(1);
    EXPECT_EQ(dlg->ItemText(kIdFilterLabel), LoadString(203) + LeftToRight(QStringLiteral("1")));
    Ticks(56);
    EXPECT_FALSE(dlg->Loop().Optimising());
    EXPECT_TRUE(Button(kIdOptimiseFilters)->isEnabled());
    EXPECT_TRUE(dlg->ItemText(kIdFilterLabel).startsWith(LoadString(194) + " "));
    EXPECT_FALSE(dlg->ItemText(kIdFilterLabel).contains(LoadString(203)));
}

TEST_F(MainRun, ContrastSwitchesTheSchemeAndKeepsIt) {
    Make();
    g_configuration.colourScheme = 0;
    Button(kIdContrast)->click();
    EXPECT_EQ(g_configuration.colourScheme, 1);
    CConfiguration stored;
    stored.Load();
    EXPECT_EQ(stored.colourScheme, 1);
    Button(kIdContrast)->click();
    EXPECT_EQ(g_configuration.colourScheme, 0);
}

// ---- status line -------------------------------------------------------------------------

// The platform version is read with a decimal point whatever the C locale says.
TEST_F(MainRun, StatusLineReadsThePlatformVersionUnderACommaLocale) {
    CommaLocale comma;
    sim::Scenario world = sim::DefaultScenario();
    world.osVersion = "1.10";
    Make(world);
    Ticks(2);
    EXPECT_EQ(dlg->ItemText(kIdStatusLine), LoadString(202));
    world.osVersion = "1.17";
    dlg.reset();
    Make(world);
    Ticks(2);
    EXPECT_TRUE(dlg->ItemText(kIdStatusLine).isEmpty());
}

// ---- graph paint ----------------------------------------------------------------------------

namespace {

// One pane of six columns at x 100 ... 105: full, half, suppressed, empty, full, full.
GraphModel SmallModel(int scheme) {
    GraphModel m;
    m.colours = GraphColoursFor(scheme);
    m.area = {100, 100, 105, 100 + 60 + 33};
    PaneModel pane{{100, 100, 105, 160}, {61, 30, -1, 0, 61, 61}};
    m.panes.push_back(pane);
    m.cursorX = 104;
    return m;
}

QImage Paint(const GraphModel& m) {
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter p(&image);
    PaintGraphModel(p, m);
    return image;
}

}  // namespace

TEST(GraphPaint, FilledColumnsGreySuppressionAndHalvedCursorInBothSchemes) {
    for (int scheme : {0, 1}) {
        const GraphModel m = SmallModel(scheme);
        const QImage image = Paint(m);
        const QColor fill = scheme ? QColor(Qt::white) : QColor(0x00, 0x80, 0x00);
        const QColor grey = scheme ? QColor(0x1F, 0x1F, 0x1F) : QColor(0xDF, 0xDF, 0xDF);
        const QColor back = scheme ? QColor(Qt::black) : QColor(Qt::white);
        EXPECT_EQ(image.pixelColor(100, 101), fill) << scheme;   // full column
        EXPECT_EQ(image.pixelColor(101, 120), back) << scheme;   // above the half column
        EXPECT_EQ(image.pixelColor(101, 150), fill) << scheme;   // inside it
        EXPECT_EQ(image.pixelColor(102, 110), grey) << scheme;   // suppressed
        EXPECT_EQ(image.pixelColor(103, 159), back) << scheme;   // empty
        // The cursor's diamond tip on a filled column: halved, or brightened when inverted.
        const QColor cursor = scheme ? QColor(255, 255, 255) : QColor(0, 0x40, 0);
        EXPECT_EQ(image.pixelColor(104, 100), cursor) << scheme;
        EXPECT_EQ(image.pixelColor(104, 101 + 0), cursor) << scheme;  // the 3-wide row's centre
    }
}

TEST(GraphPaint, SensorEndsTintRedAndBlueAndGreyTheColumnsBeyond) {
    GraphModel m = SmallModel(0);
    m.cursorX = INT_MIN;
    m.showSensorEnds = true;
    m.redEndX = 101;
    m.blueEndX = 104;
    const QImage image = Paint(m);
    EXPECT_EQ(image.pixelColor(100, 150), QColor(0xDF, 0xDF, 0xDF));  // left of the Red end
    EXPECT_EQ(image.pixelColor(105, 150), QColor(0xDF, 0xDF, 0xDF));  // right of the Blue end
    // Red end on the half column's background (white): halved plus 0x80 red.
    EXPECT_EQ(image.pixelColor(101, 100), QColor(0x7F + 0x80, 0x7F, 0x7F));
    // Blue end on a filled column (0x008000): halved plus 0x80 blue.
    EXPECT_EQ(image.pixelColor(104, 100), QColor(0, 0x40, 0x80));
}

TEST(GraphPaint, PipeBarIsGreyWithoutSectionsElseInSectionColours) {
    GraphModel m = SmallModel(0);
    const QImage grey = Paint(m);
    EXPECT_EQ(grey.pixelColor(102, 160 + 10), QColor(0x96, 0x96, 0x96));
    m.showSensorEnds = true;
    m.redEndX = 100;
    m.blueEndX = 105;
    m.sections = {{102, QColor(200, 0, 0)}, {105, QColor(0, 0, 200)}};
    const QImage bar = Paint(m);
    EXPECT_EQ(bar.pixelColor(101, 172), QColor(200, 0, 0));
    EXPECT_EQ(bar.pixelColor(105, 172), QColor(0, 0, 200));
    EXPECT_EQ(bar.pixelColor(102, 160 + 5), QColor(Qt::black));  // the joint tick
}
