// The main screen's run on the virtual unit and a fake clock: the START gate,
// the rate and range START chooses, STOP, RESET, the suppression bar, the
// user-activity rule, the status line under a comma locale; and pixels of the
// graph paint in both schemes.

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPainter>

#include "CommaLocale.h"
#include "MainRunFixture.h"
#include "SamplePack.h"
#include "ScreenDriver.h"
#include "app/GraphView.h"
#include "app/RunPicture.h"
#include "hardware/Power.h"
#include "platform/Files.h"
#include "screens/FilterDialog.h"
#include "screens/ListenDialog.h"
#include "settings/Language.h"
#include "ui/PictureSet.h"
#include "ui/Resources.h"

// ---- START's rate and range, STOP, RESET ------------------------------------------

// A pipe no engine covers is refused, with the reason on the status line and
// nothing started; one the FFT engine's block cannot cover runs on the direct
// engine, and the status line says so.
TEST_F(MainRun, StartRefusesPipesNoEngineCoversAndSaysWhenTheFftEngineStandsDown) {
    Make();
    struct Row { float length; int32_t postFilter; uint8_t fft; int message; bool runs; };
    for (const Row& r : {Row{200000.0f, 1, 0, 211, false},   // 200 s at 1000 m/s: beyond any lag range
                         Row{100000.0f, 0, 0, 212, false},   // 100 s: beyond the filtered stores
                         Row{60000.0f, 1, 1, 213, true}}) {  // 60 s: no FFT block fits
        g_configuration.postFilter = r.postFilter;
        g_configuration.useFftEngine = r.fft;
        dlg->StartOnPipe(PipeOf(r.length, 1000.0f));
        EXPECT_EQ(dlg->Loop().Running(), r.runs) << r.length;
        EXPECT_EQ(dlg->ItemText(kIdStatusLine), LoadString(r.message)) << r.length;
        if (!r.runs) continue;
        EXPECT_FALSE(dlg->Run().UsesFftEngine());
        Button(kIdStop)->click();
    }
}

namespace {

// Presses buttons of the screen in front, in order, once it is there.
void PressInFront(int templateId, std::initializer_list<int> ids) {
    WhenShown(templateId, [ids = std::vector<int>(ids)](CDialogBase& front) {
        for (int id : ids)
            if (auto* b = front.Item<QAbstractButton>(id)) b->click();
    });
}

}  // namespace

// No reception: the bad-signal question first; the pipe entry cancelled
// leaves the run idle on the pipe it had.
TEST_F(MainRun, StartAsksAboutReceptionAndACancelledPipeEntryKeepsTheRun) {
    g_configuration.testMode = 1;  // YES is offered
    sim::Scenario world = sim::DefaultScenario();
    for (auto& station : world.stations) station.rssi = -140.0;  // nothing heard
    Make(world);
    dlg->show();
    const int32_t sections = dlg->Run().Pipe().GetSectionCount();
    PressInFront(194, {6});  // YES
    PressInFront(150, {2});  // BACK on the material screen
    Button(kIdStart)->click();
    EXPECT_FALSE(dlg->Loop().Running());
    EXPECT_EQ(dlg->Run().Pipe().GetSectionCount(), sections);
    EXPECT_TRUE(Visible(kIdStart));
    PressInFront(194, {7});  // NO: the material screen never opens
    Button(kIdStart)->click();
    EXPECT_FALSE(dlg->Loop().Running());
    dlg->hide();
}

TEST_F(MainRun, StartStopResumeFollowTheStateTable) {
    g_configuration.testMode = 1;  // the default world's radio levels lie under the default floor
    MakeRunning(0);
    EXPECT_TRUE(dlg->Loop().Running());
    EXPECT_EQ(RunBar(), "00101");
    EXPECT_FALSE(Button(kIdSetup)->isEnabled() || Button(kIdFile)->isEnabled());
    Ticks(30);
    EXPECT_GT(dlg->Run().SamplesCorrelated(), 0);

    Button(kIdStop)->click();
    EXPECT_FALSE(dlg->Loop().Running());
    EXPECT_EQ(RunBar(), "00011");
    EXPECT_TRUE(Button(kIdSetup)->isEnabled() && Button(kIdFile)->isEnabled());
    const uint32_t stopped = dlg->Run().Clock().ElapsedMs();
    Ticks(10);
    EXPECT_EQ(dlg->Run().Clock().ElapsedMs(), stopped);  // the stopwatch stands

    Button(kIdResume)->click();
    EXPECT_TRUE(dlg->Loop().Running());
    EXPECT_EQ(RunBar(), "00101");
    Ticks(10);
    EXPECT_GE(dlg->Run().Clock().ElapsedMs(), stopped + 1000);
}

TEST_F(MainRun, ResetAfterARunRestoresBarePrefixesAndANewCorrelation) {
    MakeRunning(25);
    dlg->grab();  // the paint fills the result labels
    CCorrelation* before = &dlg->Run();
    FilterBand third;
    third.highCut = 0.1f;
    before->PostFilterOf(2).SetBand(third, fir::kWelch, CCorrelation::kPostFilterTaps);
    const FilterBand band = before->PostFilterOf(0).Band();
    EXPECT_NE(dlg->ItemText(kIdFilterLabel), LoadString(194) + " ");
    g_defaultBands = 0;  // as after FILTERS
    Button(kIdReset)->click();
    EXPECT_NE(&dlg->Run(), before);
    EXPECT_EQ(std::tuple(dlg->Run().SamplesCorrelated(), g_defaultBands), std::tuple(0, 1));
    EXPECT_FLOAT_EQ(dlg->Run().PostFilterOf(0).Band().lowCut, band.lowCut);  // the filters' settings stay
    EXPECT_FLOAT_EQ(dlg->Run().PostFilterOf(2).Band().highCut, 0.1f);
    EXPECT_EQ(Texts(*dlg, {kIdPipeLabel, kIdFilterLabel, kIdSnrLabel, kIdElapsedLabel, kIdDistanceA, kIdDistanceB}),
              QStringList({LoadString(195), LoadString(194), LoadString(197), LoadString(196)}).join(" \n") + " \n\n");
    EXPECT_EQ(RunBar(), "11000");
    // The run's pipe came back, to be confirmed at START; the auto cursor is on.
    EXPECT_EQ(std::tuple(dlg->MainPipe().GetSectionCount(), dlg->PipeEntryPending(), dlg->GetCheck(kIdAutoCursor)),
              std::tuple(1, true, 1));
}

// ---- bars ------------------------------------------------------------------------------

// On the suppression bar a drag across the graph marks the zone it covered.
TEST_F(MainRun, DragOnTheSuppressionBarMarksTheZoneItCovers) {
    MakeRunning(0);
    Button(kIdPeakSuppress)->click();
    Pen(QEvent::MouseButtonPress, 400, 200);
    Pen(QEvent::MouseMove, 200, 200);
    Pen(QEvent::MouseButtonRelease, 200, 200);
    const CCorrelation& run = dlg->Run();
    EXPECT_EQ(dlg->GetCheck(kIdPeakSuppress), 1);
    EXPECT_LT(run.SuppressionFirst(), 0);  // left of the graph's middle ...
    EXPECT_GT(run.SuppressionLimit(), 0);  // ... to right of it
    const int32_t first = run.SuppressionFirst(), limit = run.SuppressionLimit();
    Pen(QEvent::MouseMove, 500, 200);  // the pen is up: nothing changes
    EXPECT_EQ(std::pair(run.SuppressionFirst(), run.SuppressionLimit()), std::pair(first, limit));
    // SET LEFT and SET RIGHT are never both checked (the gallery shows SET RIGHT after SET LEFT).
    Button(kIdSetRight)->click();
    EXPECT_EQ(dlg->Mode(), GraphMode::SetRight);
    Button(kIdSetLeft)->click();
    EXPECT_EQ(dlg->GetCheck(kIdSetRight), 0);
    Button(kIdReturn)->click();
    EXPECT_EQ(dlg->Mode(), GraphMode::None);
    EXPECT_TRUE(Visible(kIdListen) && !Visible(kIdSetLeft));
}

TEST_F(MainRun, FileBarClosesTheStartGateUntilReturn) {
    g_configuration.testMode = 1;
    Make();
    const auto gate = [&] {  // START, SURVEY, RESUME enabled
        std::string on;
        for (int id : {kIdStart, kIdSurvey, kIdResume}) on += Button(id)->isEnabled() ? '1' : '0';
        return on;
    };
    Ticks(5);
    ASSERT_EQ(gate(), "111");
    Button(kIdFile)->click();
    EXPECT_TRUE(Visible(kIdSave) && Visible(kIdOpen) && Visible(kIdInfo) && Visible(kIdReturn));
    EXPECT_FALSE(Visible(kIdSnapshotMode));
    Ticks(5);
    EXPECT_EQ(gate(), "000");
    Button(kIdFile)->click();  // checked: back to the main bar
    EXPECT_EQ(gate(), "111");
    EXPECT_TRUE(Visible(kIdListen));
    g_configuration.testMode = 0;  // nothing heard outside test mode: the gate stays shut
    for (auto& station : unit->World().stations) station.rssi = -140.0;
    Ticks(200);
    EXPECT_EQ(gate(), "000");
}

// A touch on the graph moves the cursor there and switches the auto cursor
// off; the graph's edge pixels count as inside.
TEST_F(MainRun, TouchOnTheGraphMovesTheCursorAndEndsTheAutoCursor) {
    MakeRunning(20);
    dlg->grab();
    const auto touch = [&](int x, int y) { Pen(QEvent::MouseButtonPress, x, y); };
    touch(24, 91);
    EXPECT_EQ(std::tuple(dlg->GetCheck(kIdAutoCursor), dlg->Run().View().cursorOnPeak, dlg->ResultsChanged()), std::tuple(0, 0, true));
    EXPECT_EQ(dlg->Run().View().cursorLag, dlg->Run().LeftLag());
    touch(607, 315);
    EXPECT_GT(dlg->Run().View().cursorLag, 0);
    const int32_t lag = dlg->Run().View().cursorLag;
    touch(608, 200);  // beside the graph: no move
    EXPECT_EQ(dlg->Run().View().cursorLag, lag);
}

// A zoom about the peak leaves the cursor's lag on that peak, so that a
// cursor later freed from the peak starts where the graph showed it.
TEST_F(MainRun, ZoomAboutThePeakLeavesTheCursorOnIt) {
    MakeRunning(20);
    const CCorrelation& run = dlg->Run();
    ASSERT_EQ(run.View().cursorOnPeak, 1);
    const int32_t peak = run.FindPeak(run.SelectedAccumulator()).peakIndex - run.MaxLag();
    ASSERT_NE(run.View().cursorLag, peak);
    Button(kIdZoomIn)->click();
    EXPECT_EQ(run.View().cursorLag, peak);
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
    MakeRunning(30);
    Button(kIdMenu)->click();
    ASSERT_TRUE(Visible(kIdOptimiseFilters) && Button(kIdOptimiseFilters)->isEnabled());
    Button(kIdOptimiseFilters)->click();
    EXPECT_FALSE(Button(kIdOptimiseFilters)->isEnabled());
    Ticks(1);
    EXPECT_EQ(dlg->ItemText(kIdFilterLabel), LoadString(203) + LeftToRight(QStringLiteral("1")));
    Ticks(56);
    EXPECT_FALSE(dlg->Loop().Optimising());
    EXPECT_TRUE(Button(kIdOptimiseFilters)->isEnabled());
    EXPECT_TRUE(dlg->ItemText(kIdFilterLabel).startsWith(LoadString(194) + " "));
    EXPECT_FALSE(dlg->ItemText(kIdFilterLabel).contains(LoadString(203)));
    Button(kIdOptimiseFilters)->click();  // RESET drops an optimisation in progress
    Ticks(2);
    Button(kIdReturn)->click();
    Button(kIdReset)->click();
    EXPECT_FALSE(dlg->Loop().Optimising());
}

// The automatic optimisation's first check comes 30 s into every run, also
// after a run whose checks went on.
TEST_F(MainRun, EveryStartBeginsTheOptimisationScheduleAgain) {
    g_configuration.postFilter = 1;
    g_configuration.filterOptimisation = 2;
    MakeRunning(0);
    clock.Advance(30000);
    Ticks(1);
    ASSERT_EQ(dlg->Loop().SurveyCheckTimeMs(), 90000u);
    Button(kIdReset)->click();
    dlg->StartOnPipe(PipeOf(200.0f, 1250.0f));
    EXPECT_EQ(dlg->Loop().SurveyCheckTimeMs(), 30000u);
}

TEST_F(MainRun, ContrastSwitchesTheSchemeAndKeepsIt) {
    Make();
    g_configuration.colourScheme = 0;
    Button(kIdContrast)->click();
    EXPECT_EQ(std::make_pair(g_configuration.colourScheme, StoredConfiguration().colourScheme), std::make_pair(1, 1));
    Button(kIdContrast)->click();
    EXPECT_EQ(g_configuration.colourScheme, 0);
}

// ---- the filter, survey and listen screens over a run ---------------------------------

// ACCEPT applies the band to the running run, ends the material defaults and,
// filtering before correlating, restarts the averages on a counting stopwatch;
// CANCEL afterwards changes nothing.
TEST_F(MainRun, FiltersAcceptedApplyTheBandAndRestartTheAverages) {
    g_configuration.postFilter = 0;
    MakeRunning(30);
    const int64_t before = dlg->Run().SamplesCorrelated();
    ASSERT_GT(before, 0);
    PressInFront(CFilterDialog::kTemplate, {CFilterDialog::kIdQuickPlastic, CFilterDialog::kIdAccept});
    Button(kIdFilters)->click();
    CCorrelation& run = dlg->Run();
    EXPECT_FLOAT_EQ(run.PostFilterOf(0).Band().highCut * run.SampleRate(), 200.0f);
    EXPECT_FLOAT_EQ(run.RedFilter(0).Band().highCut * run.SampleRate(), 200.0f);
    EXPECT_EQ(std::tuple(g_defaultBands, run.SamplesCorrelated(), run.Clock().running), std::tuple(0, 0, true));
    EXPECT_TRUE(dlg->ItemText(kIdFilterLabel).contains(QStringLiteral("0-200Hz"))) << dlg->ItemText(kIdFilterLabel).toStdString();
    Ticks(10);
    EXPECT_GT(run.SamplesCorrelated(), 0);

    const int64_t now = run.SamplesCorrelated();
    PressInFront(CFilterDialog::kTemplate, {CFilterDialog::kIdQuickMetallic, CFilterDialog::kIdCancel});
    Button(kIdFilters)->click();
    EXPECT_FLOAT_EQ(run.PostFilterOf(0).Band().highCut * run.SampleRate(), 200.0f);
    // Not restarted; the screen's own timer may tick while the filter screen is open.
    EXPECT_GE(run.SamplesCorrelated(), now);

    // Stopped, the labels show the restart at once; they used to keep the old
    // band, SNR, elapsed time and distances until RESUME.
    Button(kIdStop)->click();
    dlg->ShowResultsNow();
    PressInFront(CFilterDialog::kTemplate, {CFilterDialog::kIdQuickMetallic, CFilterDialog::kIdAccept});
    Button(kIdFilters)->click();
    EXPECT_EQ(run.SamplesCorrelated(), 0);
    EXPECT_FALSE(dlg->ItemText(kIdFilterLabel).contains(QStringLiteral("0-200Hz")));
    EXPECT_EQ(Texts(*dlg, {kIdSnrLabel, kIdElapsedLabel, kIdDistanceA, kIdDistanceB}),
              LoadString(197) + " " + LeftToRight(QStringLiteral("---")) + "\n" + LoadString(196) + " " +
                  LeftToRight(QStringLiteral("0.0s")) + "\n\n");
}

// A touch on trace k's legend opens the filter screen on set k.
TEST_F(MainRun, LegendTouchOpensTheFilterScreenOnItsTrace) {
    g_configuration.multiFilter = 1;
    MakeRunning(20);
    dlg->grab();  // the paint lays out the legends
    // The legend touched (its y) and the trace it stands for: top pane 2, bottom pane 0.
    for (const auto& [y, trace] : {std::pair{100, 2}, std::pair{260, 0}}) {
        int shown = -1;
        WhenShown(CFilterDialog::kTemplate, [&shown](CDialogBase& screen) {
            shown = static_cast<CFilterDialog&>(screen).Editor().CurrentSet();
            screen.Item<QAbstractButton>(CFilterDialog::kIdCancel)->click();
        });
        Pen(QEvent::MouseButtonPress, 600, y);
        EXPECT_EQ(shown, trace) << y;
    }
}

// SURVEY runs over the configured range (an unknown one as short) with no
// pipe: no distances, the survey pipe label, the delay under the cursor. The
// Persian picture's range used to read backwards, its letters apart.
TEST_F(MainRun, SurveyRunsOverTheConfiguredRangeWithoutDistances) {
    g_configuration.testMode = 1;
    InstallLanguageHooks();
    PutSamplePack(root, "FAS");
    struct Row { int32_t configured; float rate, range; int32_t unit; const char16_t* description; const char16_t* code; };
    for (const Row& row : {Row{7, 10000.0f, 100.0f, 1, u"SURVEY SHORT RANGE", u"ENG"},
                           Row{2, 5000.0f, 1.0f, 0, u"SURVEY LONG RANGE", u"ENG"},
                           Row{1, 10000.0f, 250.0f, 1, u"\u202D\u202B\u067E\u06CC\u0645\u0627\u06CC\u0634 \u0628\u0631\u062F "
                                                         u"\u0645\u062A\u0648\u0633\u0637\u202C", u"FAS"}}) {
        SetLanguage(row.code);
        g_configuration.surveyRange = row.configured;
        Make();
        Ticks(5);
        Button(kIdSurvey)->click();
        const CCorrelation& run = dlg->Run();
        EXPECT_EQ(std::tuple(dlg->Loop().Running(), run.Pipe().IsSurvey(), run.Pipe().GetSectionCount(), run.SampleRate(),
                             run.Range(), run.RangeUnit()), std::tuple(true, true, 0, row.rate, row.range, row.unit));
        EXPECT_EQ(RunBar(), "00101");
        EXPECT_EQ(dlg->ItemText(kIdPipeLabel), LoadString(195) + " " + LoadString(141)) << "as the run starts";
        Ticks(30);
        dlg->grab();
        EXPECT_GT(run.SamplesCorrelated(), 0);
        EXPECT_EQ(Texts(*dlg, {kIdDistanceA, kIdDistanceB, kIdPipeLabel}), "\n\n" + LoadString(195) + " " + LoadString(141));
        EXPECT_FALSE(dlg->ItemText(kIdCursorDelayText).isEmpty());
        // The saved picture's pipe line names the range.
        RunPictureInput expected;
        expected.rightToLeft = row.code == std::u16string_view(u"FAS");
        expected.labels[1] = LoadString(123) + " ";
        expected.values[1] = QString::fromStdU16String(row.description);
        const QRect pipeLine(0, 45, 800, 15);
        EXPECT_EQ(dlg->RunPictureNow("S.corr").copy(pipeLine), MakeRunPicture(expected).copy(pipeLine)) << row.configured;
        dlg.reset();
    }
    SetLanguage(u"ENG");
}

// While the listen screen is open the loop keeps sampling but correlates
// nothing and the stopwatch stands; afterwards the run goes on.
TEST_F(MainRun, ListenLetsTheLoopOnlyServiceTheHardware) {
    Make();
    Ticks(1);  // a start tick of 0 would read as no recording
    dlg->StartOnPipe(PipeOf(200.0f, 1250.0f));
    Ticks(20);
    int64_t correlated = -1, received = -1;
    uint32_t elapsed = 0;
    WhenShown(CListenDialog::kTemplate, [&](CDialogBase& screen) {
        EXPECT_TRUE(dlg->Loop().ListenActive());
        correlated = dlg->Run().SamplesCorrelated();
        elapsed = dlg->Run().Clock().ElapsedMs();
        const uint64_t delivered = unit->SamplesDelivered();
        Ticks(20);
        EXPECT_EQ(dlg->Run().SamplesCorrelated(), correlated);
        EXPECT_EQ(dlg->Run().Clock().ElapsedMs(), elapsed);
        EXPECT_GT(unit->SamplesDelivered(), delivered);
        // The run in progress is the recording the indicator shows.
        EXPECT_FALSE(screen.GetDlgItem(CListenDialog::kIdRecording)->isHidden());
        received = 1;
        screen.Item<QAbstractButton>(CListenDialog::kIdExit)->click();
    });
    Button(kIdListen)->click();
    ASSERT_EQ(received, 1);
    EXPECT_FALSE(dlg->Loop().ListenActive());
    EXPECT_TRUE(dlg->Run().Clock().running);
    Ticks(10);
    EXPECT_GT(dlg->Run().SamplesCorrelated(), correlated);
}

// The battery shows its charge from the first frame, not the empty picture
// until the first 2-second update after the badge.
TEST_F(MainRun, TheFirstFrameShowsTheBatteryAsItIs) {
    for (const float volts : {7.6f, 6.8f}) {  // full; flat, whose picture blinks from empty
        sim::Scenario world = sim::DefaultScenario();
        world.battery = volts;
        Make(world);
        const QImage shown = dlg->Item<QLabel>(kIdBattery)->pixmap().toImage();
        EXPECT_EQ(shown, Picture(BatteryBarsPicture(GetBatteryBars(volts))).toImage()) << volts;
    }
}

// ---- keeping runs ----------------------------------------------------------------------

// A SAVE over a protected run file writes none of the four files and says so
// on the status line; the screen keeps its title. (The recording and the
// pictures were replaced, and the title became "A1.corr" as if saved.)
TEST_F(MainRun, ASaveThatWritesNothingSaysSoAndReplacesNothing) {
    const std::string data = "\\NandFlash\\Data\\";
    std::filesystem::create_directories(platform::HostPath(data));
    const char* names[] = {"A1.corr", "A1_corr.wav", "A1_corr.png", "A1_corr.jpg"};
    for (const char* name : names) platform::WriteFileAtomic(data + name, "old");
    platform::SetFileAttributes(data + "A1.corr", platform::kAttrReadOnly);
    MakeRunning(10);
    Button(kIdStop)->click();
    const QString title = dlg->RunTitle();
    EXPECT_EQ(dlg->SaveRunAs("A1"), (std::array<bool, 4>{}));
    Ticks(3);
    for (const char* name : names) EXPECT_EQ(platform::ReadWholeFile(data + name, 100), "old") << name;
    EXPECT_EQ(dlg->RunTitle(), title);
    EXPECT_EQ(dlg->ItemText(kIdStatusLine), LoadString(955));
}

// SAVE writes the run, its recording and two 800 x 600 pictures in normal
// colours even on an inverted screen; OPEN makes it a stopped replay whose
// START correlates the recording, not the unit. (The replay to its end and
// its auto stop need real time: journey_1.)
TEST_F(MainRun, SavedRunReopensAsAReplayThatStopsOnTheSamePeak) {
    std::filesystem::create_directories(platform::HostPath("\\NandFlash\\Data"));
    MakeRunning(40);
    Button(kIdStop)->click();
    dlg->ShowResultsNow();
    g_configuration.colourScheme = 1;
    dlg->Run().Info()[0] = u"MAIN ST";
    EXPECT_EQ(dlg->SaveRunAs("A1"), (std::array<bool, 4>{true, true, true, true}));
    EXPECT_EQ(dlg->RunTitle(), QStringLiteral("A1.corr"));
    for (const char* name : {"A1.corr", "A1_corr.wav"})
        EXPECT_TRUE(std::filesystem::exists(platform::HostPath(std::string("\\NandFlash\\Data\\") + name))) << name;
    for (const char* name : {"A1_corr.png", "A1_corr.jpg"}) {
        const QImage decoded(QString::fromStdString(platform::HostPath(std::string("\\NandFlash\\Data\\") + name).string()));
        ASSERT_EQ(decoded.size(), QSize(800, 600)) << name;
        const QColor corner = decoded.pixelColor(790, 595);  // the picture's own background
        for (auto [got, want] : {std::pair{corner.red(), 0xEC}, {corner.green(), 0xE9}, {corner.blue(), 0xD8}})
            EXPECT_NEAR(got, want, 6) << name;
        EXPECT_GT(decoded.pixelColor(400, 100).lightness(), 200) << name;  // top of the graph: white, not black
    }
    EXPECT_EQ(g_configuration.colourScheme, 1);  // the screen keeps its scheme

    Button(kIdReset)->click();
    dlg->OpenRunFile("A1.corr");
    EXPECT_EQ(g_replay, 1);
    EXPECT_EQ(dlg->RunTitle(), QStringLiteral("A1.corr"));
    EXPECT_EQ(dlg->Run().Info()[0], u"MAIN ST");
    ASSERT_NE(dlg->Run().Recording(), nullptr);
    EXPECT_EQ(RunBar(), "10001");
    EXPECT_FALSE(dlg->PipeEntryPending());  // START offers the opened run's pipe
    EXPECT_EQ(dlg->MainPipe().GetSectionCount(), 1);

    dlg->StartOnPipe(dlg->MainPipe());  // START in a replay: the recording, not the unit
    EXPECT_TRUE(dlg->Loop().Running());
    const uint64_t delivered = unit->SamplesDelivered();
    Ticks(20);
    EXPECT_GT(dlg->Run().SamplesCorrelated(), 0);
    EXPECT_EQ(unit->SamplesDelivered(), delivered);
    Button(kIdReset)->click();
    EXPECT_EQ(g_replay, 0);
}

// ---- status line -------------------------------------------------------------------------

// The platform version is read with a decimal point whatever the C locale says.
TEST_F(MainRun, StatusLineReadsThePlatformVersionUnderACommaLocale) {
    CommaLocale comma;
    sim::Scenario world = sim::DefaultScenario();
    // The version and whether the line asks for an upgrade: 1.11 is the oldest that needs none.
    for (const auto& [version, upgrade] : {std::pair{"1.10", true}, std::pair{"1.11", false}}) {
        world.osVersion = version;
        Make(world);
        Ticks(2);
        EXPECT_EQ(dlg->ItemText(kIdStatusLine), upgrade ? LoadString(202) : QString()) << version;
    }
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

// Three panes of a three-band run (legends 70 px wide), enlargedRow as the
// screen lays them out, each legend with a 32 x 16 picture and a band text,
// the enlarged one also with the notch lines.
GraphModel ThreeBandModel(int32_t enlargedRow) {
    GraphModel m;
    m.colours = GraphColoursFor(0);
    m.labelFont.setPixelSize(15);
    m.area = graph::GraphAreaFor(3, 70);
    QPixmap picture(32, 16);
    picture.fill(Qt::black);
    for (const graph::PixelRect& r : graph::PaneRects(m.area, 3, enlargedRow)) {
        m.panes.push_back({r, std::vector<int32_t>(static_cast<size_t>(r.Width()), 0)});
        LegendModel legend{QRect(QPoint(r.right + 4, r.top), QPoint(graph::kGraphArea.right, r.bottom)), picture,
                           "400Hz+", QPixmap(), QString()};
        if (r.Height() > 51) {
            legend.second = picture;
            legend.notch = "None";
        }
        m.legends.push_back(legend);
    }
    return m;
}

// Dark pixels in the band y0 ... y1 between x0 and x1.
int DarkPixels(const QImage& image, int x0, int x1, int y0, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += qGray(image.pixel(x, y)) < 100;
    return n;
}

// The bounding box of the dark pixels in r.
QRect DarkBox(const QImage& image, const QRect& r) {
    QRect box;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100) box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace

// Beyond the sensor ends the background turns grey and the trace still shows
// (a peak out of bracket stays visible); only suppression is grey through.
TEST(GraphPaint, SensorEndsTintRedAndBlueAndGreyTheBackgroundBeyond) {
    GraphModel m = SmallModel(0);
    m.cursorX = INT_MIN;
    m.showSensorEnds = true;
    m.redEndX = 101;
    m.blueEndX = 104;
    m.panes[0].heights[0] = m.panes[0].heights[5] = 30;  // half columns beyond both ends
    const QImage image = Paint(m);
    const QColor grey(0xDF, 0xDF, 0xDF), fill(0x00, 0x80, 0x00);
    for (int x : {100, 105}) {
        EXPECT_EQ(image.pixelColor(x, 120), grey) << x;  // above the trace
        EXPECT_EQ(image.pixelColor(x, 150), fill) << x;  // the trace
    }
    // Red end on the half column's background (white): halved plus 0x80 red.
    EXPECT_EQ(image.pixelColor(101, 100), QColor(0x7F + 0x80, 0x7F, 0x7F));
    // Blue end on a filled column (0x008000): halved plus 0x80 blue.
    EXPECT_EQ(image.pixelColor(104, 100), QColor(0, 0x40, 0x80));
}

// In an enlarged three-band row the legends of the 26-pixel strips keep to
// their strips: the picture shrinks so the band text fits below it.
TEST(GraphPaint, LegendsStayInsideTheirPanesWhenARowIsEnlarged) {
    for (int32_t row : {1, 3}) {
        const GraphModel m = ThreeBandModel(row);
        const QImage image = Paint(m);
        for (int y = m.area.top; y <= m.area.bottom; ++y)
            for (int x = m.legends[0].rect.left(); x <= graph::kGraphArea.right; ++x) {
                bool inLegend = false;
                for (const LegendModel& legend : m.legends) inLegend |= legend.rect.contains(x, y);
                if (!inLegend) {
                    ASSERT_EQ(image.pixelColor(x, y), QColor(Qt::magenta)) << row << " " << x << "," << y;
                }
            }
        for (const LegendModel& legend : m.legends) {  // the band text below the picture
            const int below = legend.rect.top() + (legend.rect.height() > 51 ? 17 : 10);
            EXPECT_GT(DarkPixels(image, legend.rect.left(), legend.rect.right() + 1, below, below + 16), 0)
                << row << " legend at " << legend.rect.top();
        }
    }
    // Legends without pictures keep their texts, from the top.
    GraphModel texts = ThreeBandModel(1);
    for (LegendModel& legend : texts.legends) legend.picture = legend.second = QPixmap();
    const QImage image = Paint(texts);
    for (const LegendModel& legend : texts.legends)
        EXPECT_GT(DarkPixels(image, legend.rect.left(), legend.rect.right() + 1, legend.rect.top(), legend.rect.top() + 16), 0);
}

// A three-band legend's lines follow its pane's height alone, so a run shows
// the same legends live and reopened: equal panes (64 px) end in the notch
// text also while the notch is off.
TEST_F(MainRun, ThreeBandLegendsShowTheNotchLineByPaneHeight) {
    g_configuration.multiFilter = 1;
    MakeRunning(5);
    EXPECT_FLOAT_EQ(dlg->Run().PostFilterOf(1).Band().lowCut * dlg->Run().SampleRate(), 200.0f);  // the default bands
    ASSERT_FALSE(dlg->Run().PostFilterOf(2).Band().notchOn);
    const QImage screen = dlg->grab().toImage();
    EXPECT_GT(DarkPixels(screen, 552, 608, 91 + 48, 91 + 64), 0);  // the top pane's last line
}

// ---- the saved picture ------------------------------------------------------------------------

// A three-band run's picture keeps the legends right of the panes, and the
// graph is scaled alike both ways: the delay text keeps its shape.
TEST(RunPicture, GraphKeepsItsLegendsAndItsShape) {
    GraphModel one = ThreeBandModel(0);
    one.area = graph::kGraphArea;
    one.legends.clear();
    one.panes = {{graph::PaneRects(one.area, 1, 0)[0], std::vector<int32_t>(584, 0)}};
    for (GraphModel screen : {one, ThreeBandModel(0)}) {
        const bool threeBands = !screen.legends.empty();
        screen.cursorX = 300;
        screen.delayText = "88.8ms";
        RunPictureInput in;
        in.graph = screen;
        const QImage picture = MakeRunPicture(in);
        if (threeBands) {
            EXPECT_GT(DarkPixels(picture, 700, 798, 110, 550), 300);  // the legends' pictures and texts
        }

        const int32_t panesBottom = screen.panes.front().rect.bottom;
        const QRect onScreen = DarkBox(Paint(screen), QRect(QPoint(24, panesBottom + 1), QPoint(520, 315)));
        const QRect inPicture = DarkBox(picture, QRect(QPoint(2, 110), QPoint(690, 550)));
        ASSERT_FALSE(onScreen.isEmpty() || inPicture.isEmpty());
        const double screenShape = double(onScreen.height()) / onScreen.width();
        const double pictureShape = double(inPicture.height()) / inPicture.width();
        EXPECT_NEAR(pictureShape / screenShape, 1.0, 0.1) << threeBands << ": " << screenShape << " " << pictureShape;
        EXPECT_GT(inPicture.width(), onScreen.width() * 13 / 10) << threeBands;
    }
}
