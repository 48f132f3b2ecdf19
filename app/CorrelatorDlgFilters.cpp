// app/CorrelatorDlgFilters.cpp — the main screen's commands that open the
// filter, survey and listen screens over a run: FILTERS and the touches on a
// trace legend, SURVEY (and START's survey choice), LISTEN.

#include "app/CorrelatorDlg.h"
#include "app/RunRules.h"
#include "app/RunSettings.h"
#include "app/SurveyRules.h"
#include "hardware/CorrelationInput.h"
#include "hardware/SensorHardware.h"
#include "screens/FilterDialog.h"
#include "screens/ListenDialog.h"
#include "settings/Configuration.h"

// ---- FILTERS and the legend touches -------------------------------------------------

CFilterDialog& CCorrelatorDlg::FilterScreen() {
    if (!m_filterScreen) m_filterScreen = std::make_unique<CFilterDialog>(this);
    return *m_filterScreen;
}

void CCorrelatorDlg::OnFilters() { OpenFilterScreen(-1); }

// Accepted, the screen has designed all nine filters of the run. Filtered
// stores that fed the averages with the old band are discarded: averaging
// restarts on the raw samples kept, and a running stopwatch counts again from 0.
void CCorrelatorDlg::OpenFilterScreen(int trace) {
    CFilterDialog& screen = FilterScreen();
    screen.SetCorrelation(*m_run);
    if (trace >= 0) screen.SetCurrentSet(trace);
    screen.SetMaterialDefaults(g_defaultBands != 0);
    if (RunChild(screen) != kResultOk) return;
    g_defaultBands = screen.MaterialDefaults() ? 1 : 0;
    CCorrelation& run = *m_run;
    const bool shown = m_loop.Running() || run.SamplesCorrelated() > 0;  // else the bare prefixes stay
    if (run.FilterBeforeCorrelating()) {  // the engine in use, after any fallback
        const bool counting = run.Clock().running;
        run.RestartKeepingRaw();
        if (counting) run.Clock().Start();
        m_resultsChanged = false;
        // A stopped run shows the restart now, not at the next RESUME.
        if (shown) ShowEmptyResults();
    }
    if (shown) RefreshLabels();
    InvalidatePanel();
}

// ---- SURVEY ---------------------------------------------------------------------------

void CCorrelatorDlg::OnSurvey() {
    if (!ReceptionCheck()) return;
    StartSurveyRun();
}

// A run without a pipe description over the configured survey range; the
// pipe bar turns grey and the distances stay empty because the pipe is a
// survey pipe.
void CCorrelatorDlg::StartSurveyRun() {
    CCorrelation& run = *m_run;
    if (m_hw.GetSamplingState() == SamplingStarted) m_hw.RequestRestart();
    run.SetOptions(CorrelationOptionsFromConfiguration());
    if (!g_replay) run.Reset();

    const survey::RangeSettings range = survey::PrepareRun(run, g_configuration, g_defaultBands != 0, g_replay != 0);
    // A replay restarts from its first frame in the mode and bands just set.
    if (g_replay) RestartReplay(run);
    run.Clock().Clear();
    run.Clock().Start();
    m_loop.RestartSurveyCheck();
    if (!g_replay) m_hw.SetOutputSampleRate(range.outputRate);
    EnableItem(kIdSnapshotOptions, run.TraceCount() == 1);
    EnableItem(kIdOptimiseFilters, runrules::OptimiseCommandEnabled(run.TraceCount(), g_configuration.postFilter,
                                                                    g_configuration.filterOptimisation));
    ClearEnlargement();
    m_pipeEntryPending = false;

    ShowRunningBars(run.TraceCount());
    m_resultsChanged = false;
    RefreshLabels();
    StartSampling(m_hw, run);
    InvalidatePanel();
    m_loop.MarkRepainted();
}

// ---- LISTEN ---------------------------------------------------------------------------

// While the listen screen is open the run loop only keeps the acquisition
// going (the screen draws from it); the run's stopwatch stands.
void CCorrelatorDlg::OnListen() {
    CListenDialog listen(m_hw, m_radio, this);
    listen.SetStationPair(m_run->Pipe().GetStationA(), m_run->Pipe().GetStationB());
    const bool counting = m_run->Clock().running;
    // The run in progress is the recording SAVE writes: the indicator counts from its start.
    listen.SetRecordingStart([this, counting] { return counting ? m_run->Clock().startTick : 0u; });
    if (counting) m_run->Clock().Stop();
    m_loop.SetListenActive(true);
    RunChild(listen);
    m_loop.SetListenActive(false);
    if (counting) m_run->Clock().Start();
}
