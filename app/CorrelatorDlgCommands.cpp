// app/CorrelatorDlgCommands.cpp — the main screen's commands: START, STOP,
// RESUME and RESET, the bars' toggles, zoom, suppression and contrast
// (FILTERS, SURVEY and LISTEN are in CorrelatorDlgFilters.cpp, the snapshot
// bar in CorrelatorDlgSnapshots.cpp). Each handler runs after the
// user-activity rule (the message map).

#include <QLabel>

#include "app/CorrelatorDlg.h"
#include "app/RunRules.h"
#include "app/RunSettings.h"
#include "hardware/CorrelationInput.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "hardware/UserActivity.h"
#include "screens/BadSignalDlg.h"
#include "screens/MaterialDialog.h"
#include "settings/Configuration.h"
#include "ui/PictureSet.h"
#include "ui/Resources.h"

namespace {

constexpr int kStrBeyondLagRange = 211, kStrBeyondFilteredStore = 212, kStrFftFallback = 213;
constexpr int32_t kStartMessageHoldTicks = 150;  // 15 s

// The string START shows when the run cannot correlate every lag its pipe
// asks for, or 0: the rate is the one START will choose (live) or the
// recording's (replay), the range as START sets it.
int StartRefusalMessage(CCorrelation& run) {
    const float travelMs = run.Pipe().GetTotalTime(DelayUnit::Milliseconds);
    const float rate =
        g_replay ? run.SampleRate() : static_cast<float>(runrules::RateForTravelTime(travelMs).rate);
    const runrules::RunRange range = runrules::RangeForStart(travelMs, g_replay != 0, run.Pipe().GetSurveyRange());
    switch (runrules::RefusalForRange(range.range, range.unit, rate, g_configuration.postFilter,
                                      g_configuration.useFftEngine != 0)) {
    case runrules::StartRefusal::BeyondLagRange: return kStrBeyondLagRange;
    case runrules::StartRefusal::BeyondFilteredStore: return kStrBeyondFilteredStore;
    case runrules::StartRefusal::None: break;
    }
    return 0;
}

}  // namespace

// ---- START, STOP, RESUME, RESET ---------------------------------------------------

// Live runs need both stations heard, or an operator who says YES.
bool CCorrelatorDlg::ReceptionCheck() {
    if (g_replay) return true;
    const CPipe& pipe = m_run->Pipe();
    if (m_radio.GetSignalBars(static_cast<int32_t>(pipe.GetStationA())) != 0 &&
        m_radio.GetSignalBars(static_cast<int32_t>(pipe.GetStationB())) != 0)
        return true;
    CBadSignalDlg question(this);
    return RunChild(question) == kResultOk;  // YES
}

void CCorrelatorDlg::OnStart() {
    if (!ReceptionCheck()) return;
    m_run->SetTraceCount(g_configuration.multiFilter ? 3 : 1);
    EnableItem(kIdSnapshotOptions, m_run->TraceCount() == 1);
    ClearEnlargement();

    // The pipe entry on the main pipe; cancelled, the run keeps its pipe.
    const CPipe kept = m_run->Pipe();
    CMaterialDialog material(this);
    material.SetPipe(m_mainPipe);
    material.SetExistingOffered(!m_pipeEntryPending && m_mainPipe.GetSectionCount() > 0);
    const int result = RunChild(material);
    if (result != kResultOk) {
        m_run->Pipe() = kept;
        return;
    }
    m_pipeEntryPending = false;
    if (material.SurveyChosen()) {
        StartSurveyRun();
        return;
    }
    CPipe pipe = material.Pipe();
    pipe.SetStations(kept.GetStationA(), kept.GetStationB());
    m_run->Pipe() = pipe;
    BeginRun();
}

void CCorrelatorDlg::StartOnPipe(const CPipe& pipe) {
    m_run->SetTraceCount(g_configuration.multiFilter ? 3 : 1);
    EnableItem(kIdSnapshotOptions, m_run->TraceCount() == 1);
    ClearEnlargement();
    m_pipeEntryPending = false;
    m_run->Pipe() = pipe;
    BeginRun();
}

// Start steps 4-13 on the run's pipe as entered.
void CCorrelatorDlg::BeginRun() {
    CCorrelation& run = *m_run;
    // A pipe the run cannot cover is refused before anything changes: the
    // operator sees why and can enter it again.
    if (const int message = StartRefusalMessage(run); message != 0) {
        SetItemText(kIdStatusLine, LoadString(message));
        m_loop.HoldStatusLine(kStartMessageHoldTicks);
        return;
    }
    if (m_hw.GetSamplingState() == SamplingStarted) m_hw.RequestRestart();
    run.SetOptions(CorrelationOptionsFromConfiguration());
    run.SetPostFilter(g_configuration.postFilter);
    EnableItem(kIdOptimiseFilters, runrules::OptimiseCommandEnabled(run.TraceCount(), g_configuration.postFilter,
                                                                    g_configuration.filterOptimisation));
    if (!g_replay) run.Reset();  // a replay restarts once its bands are designed

    const float travelMs = run.Pipe().GetTotalTime(DelayUnit::Milliseconds);
    if (!g_replay) {
        const runrules::AcquisitionRate rate = runrules::RateForTravelTime(travelMs);
        m_hw.SetOutputSampleRate(rate.rate);
        run.SetSampleRate(static_cast<float>(rate.rate));
        run.Pipe().SetSurveyRange(runrules::kSurveyNone);
    }
    run.Pipe().SetStations(StationFromCode(g_configuration.stationA), StationFromCode(g_configuration.stationB));
    if (g_defaultBands) runrules::ApplyDefaultBands(run);
    // A replay reads its recording from the first frame again, primed through
    // the filters it is replayed with (as SNAPSHOT RESTART primes them).
    if (g_replay) RestartReplay(run);
    run.Clock().Clear();
    run.Clock().Start();
    m_loop.RestartSurveyCheck();

    ShowRunningBars(run.TraceCount());

    const runrules::RunRange range = runrules::RangeForStart(travelMs, g_replay != 0, run.Pipe().GetSurveyRange());
    if (range.described) run.Pipe().SetSurveyRange(runrules::kSurveyNone);
    run.SetRange(range.range, range.unit);
    if (run.Options().useFftEngine && !run.UsesFftEngine()) {
        SetItemText(kIdStatusLine, LoadString(kStrFftFallback));
        m_loop.HoldStatusLine(kStartMessageHoldTicks);
    }
    m_resultsChanged = false;
    RefreshLabels();
    StartSampling(m_hw, run);
    InvalidatePanel();
    m_loop.MarkRepainted();
}

void CCorrelatorDlg::OnStop() { StopSequence(); }

// STOP, and the loop's auto stop (which skips the user-activity rule).
void CCorrelatorDlg::StopSequence() {
    m_autoStopPending = false;
    for (int id : {kIdRunningIcon, kIdStallIcon}) ShowItem(id, false);
    g_runningAnimationTick = 0;
    m_loop.SetRunning(false);
    EnableItem(kIdSetup, true);
    EnableItem(kIdFile, true);
    for (int id : {kIdStart, kIdStop, kIdResume}) ShowItem(id, false);
    ShowItem(g_replay ? kIdStart : kIdResume, true);
    m_run->Clock().Stop();
    m_hw.RequestRestart();
    ShowItem(kIdReset, true);
    ShowItem(kIdSurvey, false);
    UpdateResultTexts();  // the labels hold the run's final results
    InvalidateGraph();
}

// A run has begun (START or SURVEY): STOP and RESET replace START, RESUME and
// SURVEY, SETUP and FILE wait for the stop, and the loop runs.
void CCorrelatorDlg::ShowRunningBars(int traceCount) {
    ShowThreeBandButtons(traceCount > 1);
    m_loop.SetRunning(true);
    for (int id : {kIdStart, kIdResume, kIdSurvey}) ShowItem(id, false);
    for (int id : {kIdStop, kIdReset}) ShowItem(id, true);
    EnableItem(kIdSetup, false);
    EnableItem(kIdFile, false);
}

void CCorrelatorDlg::OnResume() {
    m_loop.SetRunning(true);
    EnableItem(kIdSetup, false);
    EnableItem(kIdFile, false);
    m_run->Clock().Start();
    ShowItem(kIdStop, true);
    ShowItem(kIdResume, false);
    ShowItem(kIdStart, false);
    StartSampling(m_hw, *m_run);
    InvalidatePanel();
    m_loop.MarkRepainted();
}

void CCorrelatorDlg::OnReset() {
    StopSequence();
    m_run->Clock().Clear();
    ShowTopBarIdle();
    m_loop.SetStartAllowed(true);
    OnReturn();
    ShowBareLabels();
    m_mainPipe = m_run->Pipe();
    m_pipeEntryPending = true;
    m_runTitle.clear();

    // A new correlation with the nine filters' settings of the old one.
    std::unique_ptr<CCorrelation> fresh = NewRun();
    for (int32_t k = 0; k < CCorrelation::kTraces; ++k) {
        fresh->RedFilter(k) = m_run->RedFilter(k);
        fresh->BlueFilter(k) = m_run->BlueFilter(k);
        fresh->PostFilterOf(k) = m_run->PostFilterOf(k);
    }
    fresh->Pipe().SetStations(StationFromCode(g_configuration.stationA), StationFromCode(g_configuration.stationB));
    m_run = std::move(fresh);
    m_loop.RunReplaced();

    g_defaultBands = 1;
    m_resultsChanged = false;
    m_run->View().cursorOnPeak = 1;
    SetCheck(kIdAutoCursor, 1);
    EnableStartCommands(m_loop.StartCommandsEnabled());
    EnableItem(kIdSnapshotOptions, false);
    ShowThreeBandButtons(g_configuration.multiFilter != 0);
    ClearEnlargement();
    g_replay = 0;
    m_modelStale = true;
    update();
}

// ---- bars -------------------------------------------------------------------------

void CCorrelatorDlg::OnFile() {
    if (GetCheck(kIdFile)) {
        OnReturn();
        return;
    }
    ShowBar({kIdSave, kIdOpen, kIdInfo, kIdReturn});
    SetCheck(kIdFile, 1);
    m_loop.SetStartAllowed(false);
    EnableStartCommands(m_loop.StartCommandsEnabled());
}

void CCorrelatorDlg::OnMenu() {
    if (GetCheck(kIdMenu)) {
        OnReturn();
        return;
    }
    ShowBar({kIdCompute, kIdVelocityCalc, kIdOptimiseFilters, kIdMaterialDatabase, kIdAbout, kIdReturn});
    SetCheck(kIdMenu, 1);
    EnableItem(kIdOptimiseFilters,
               !m_loop.Optimising() && runrules::OptimiseCommandEnabled(m_run->TraceCount(), g_configuration.postFilter,
                                                                        g_configuration.filterOptimisation));
}

void CCorrelatorDlg::OnReturn() {
    for (int id : {kIdFile, kIdMenu, kIdSnapshotOptions, kIdSetLeft, kIdSetRight}) SetCheck(id, 0);
    ShowMainBar();
    m_mode = GraphMode::None;
    m_loop.SetStartAllowed(true);
    EnableStartCommands(m_loop.StartCommandsEnabled());
}

void CCorrelatorDlg::OnZoom() {
    ShowBar({kIdZoomIn, kIdZoomOut, kIdFullPipeView, kIdZoomMax, kIdReturn});
    m_mode = GraphMode::ZoomBar;
}

void CCorrelatorDlg::OnPeakSuppress() {
    ShowBar({kIdSetLeft, kIdSetRight, kIdApplySuppression, kIdRemoveSuppression, kIdReturn});
    m_mode = GraphMode::SuppressionBar;
}

void CCorrelatorDlg::OnSetLeft() {
    m_mode = GraphMode::SetLeft;
    SetCheck(kIdSetLeft, 1);
    SetCheck(kIdSetRight, 0);
    InvalidateGraph();
}

void CCorrelatorDlg::OnSetRight() {
    m_mode = GraphMode::SetRight;
    SetCheck(kIdSetRight, 1);
    SetCheck(kIdSetLeft, 0);
    InvalidateGraph();
}

void CCorrelatorDlg::OnApplySuppression() {
    SetCheck(kIdPeakSuppress, 1);
    m_run->SetSuppressionOn(true);
    InvalidateGraph();
}

void CCorrelatorDlg::OnRemoveSuppression() {
    SetCheck(kIdPeakSuppress, 0);
    m_run->SetSuppressionOn(false);
    InvalidateGraph();
}

void CCorrelatorDlg::OnAutoCursor() {
    CCorrelation& run = *m_run;
    run.View().cursorOnPeak = run.View().cursorOnPeak ? 0 : 1;
    SetCheck(kIdAutoCursor, run.View().cursorOnPeak);
    run.View().cursorLag = run.FindPeak(run.SelectedAccumulator()).peakIndex - run.MaxLag();
    m_cursorDelay = run.PeakDelay(static_cast<int32_t>(DelayUnit::Seconds));
    m_resultsChanged = true;
    InvalidateGraph();
}

void CCorrelatorDlg::OnOptimiseFilters() { m_loop.StartOptimisation(*m_run); }

// Contrast: the other colour scheme, saved, every picture and the screen redrawn.
void CCorrelatorDlg::OnContrast() {
    g_configuration.colourScheme = g_configuration.colourScheme ? 0 : 1;
    g_configuration.Save();
    ReloadPictures();
    ShowPictures();  // the badges are the same in either scheme
    ShowItem(kIdBadge, false);
    m_modelStale = true;
    update();
    for (QWidget* child : findChildren<QWidget*>()) child->update();
}

void CCorrelatorDlg::OnX() { EndDialog(kResultOk); }
