#pragma once
// app/RunLoop.h — the run loop: all continuous work of the program, one tick
// every 100 ms on the UI thread.
//
// A tick services the sensor hardware, correlates as much as 70 ms of the
// 100 ms allow (sized from the throughput the performance counter measured on
// the last tick that did work), runs one step of a pending filter
// optimisation, keeps the status line, LED, radio and battery indicators
// current and every 2 s refreshes the elapsed time and the graph. It holds no
// widgets: what the screen shows leaves through RunView, and the screen's run
// state (running, listen active, start allowed) is kept here, so the main
// screen's timer and corrtool acquire drive the very same object. Time comes
// only from the platform clock (tick count, performance counter), so tests
// run it on a fake clock. Each tick reads the configuration record's testMode
// and filterOptimisation, and the replay flag g_replay; the engine in use is
// the run's (CCorrelation::UsesFftEngine).
//
// The main screen owns one RunLoop and the correlation; its 100 ms timer calls
// Tick(run) with the correlation of the moment. START, SURVEY and RESUME set
// running (SetRunning), START and SURVEY also RestartSurveyCheck, and all
// three MarkRepainted; STOP clears running; RESET and OPEN, which replace the
// correlation object, call RunReplaced.

#include <array>
#include <cstdint>
#include <optional>

#include "app/FilterOptimiser.h"
#include "app/RunView.h"
#include "platform/Memory.h"

class CCorrelation;
class RadioLink;
class SensorHardware;

class RunLoop {
public:
    static constexpr uint32_t kTickMs = 100;            // the main screen's timer period
    static constexpr int64_t kWorkBudgetMs = 70;        // correlation time per tick
    static constexpr int32_t kFirstItemsDone = 1;       // estimate before any measurement:
    static constexpr int64_t kFirstCounterTicks = 1000000;  //  1 item per 1 000 000 counts
    static constexpr uint32_t kRefreshMs = 2000;        // elapsed label, graph, battery
    static constexpr uint32_t kHalfSecondMs = 500;
    static constexpr int32_t kRadioPeriodTicks = 10;    // icons at ticks 5 and 10 of each 10
    static constexpr uint32_t kFirstSurveyCheckMs = 30000;
    static constexpr uint32_t kSurveyCheckStepMs = 30000;   // good SNR: look again later
    static constexpr uint32_t kSurveyOptimiseStepMs = 60000;  // after an automatic optimisation
    static constexpr float kGoodSnr = 9.0f;             // no automatic optimisation from here
    static constexpr int32_t kBadgeTicks = 50;          // the badge shows 5 s after start-up
    static constexpr int32_t kBadgeFlashTicks = 5;
    static constexpr int32_t kWarningHoldTicks = 10;    // a warning stays 1 s
    static constexpr int32_t kLedPeriod = 20;           // blink counter 0 ... 20
    static constexpr int32_t kMinOsVersion = 111;       // below: the status line asks for an upgrade
    static constexpr int32_t kUpgradeResult = 1032;

    // The loop works on this hardware and radio link (the program's, or a
    // test's) and reports to view; all three outlive it.
    RunLoop(SensorHardware& hardware, RadioLink& radio, RunView& view);

    // One tick's steps, in order: Base gain step; listen-only service (the
    // tick ends there while listening); automatic optimisation check; one
    // optimisation step (a live run still fetches its block, so the recording
    // has no gap), or fetch and correlate with the stall check while running;
    // badge; status line; status LED; radio icons at every fifth tick; memory
    // status; the 2-second update. A live run whose stores cannot take another
    // block stops (StatusMessage::SampleLimit, then RunView::AutoStop).
    //  run : the main screen's correlation; the same object from tick to tick
    //        until RunReplaced is called
    void Tick(CCorrelation& run);

    // ---- the screen's run state -------------------------------------------------
    // A run is in progress: ticks fetch samples and correlate.
    void SetRunning(bool running) noexcept { m_running = running; }
    bool Running() const noexcept { return m_running; }
    // The listen screen is open: ticks only service the hardware.
    void SetListenActive(bool active) noexcept { m_listenActive = active; }
    bool ListenActive() const noexcept { return m_listenActive; }
    // The gate RETURN and RESET open and the file bar closes.
    void SetStartAllowed(bool allowed) noexcept { m_startAllowed = allowed; }
    bool StartAllowed() const noexcept { return m_startAllowed; }
    // The battery and both stations' reception as they are now, for the
    // screen's first frame (the ticks refresh them every 2 s and 500 ms).
    void ShowIndicators(const CCorrelation& run);
    // Both stations of the run's pair had signal bars at the last radio update.
    bool RadioOk() const noexcept { return m_radioOk; }
    // START, SURVEY and RESUME enabled: start allowed and (radio ok, the
    // configuration's testMode or a replay).
    bool StartCommandsEnabled() const;

    // ---- what START, RESUME, the paint and RESET tell the loop ------------------------
    // START and SURVEY: the first automatic-optimisation check is due at 30 s
    // of elapsed run time.
    void RestartSurveyCheck() noexcept { m_surveyCheckMs = kFirstSurveyCheckMs; }
    uint32_t SurveyCheckTimeMs() const noexcept { return m_surveyCheckMs; }
    // The graph was just painted (or a run began): the next 2-second update
    // is due 2000 ms from now.
    void MarkRepainted();
    // A new correlation object replaced the old one: a pending optimisation
    // is dropped, the stall mark and the replay progress are forgotten.
    void RunReplaced();

    // ---- status line and badge ----------------------------------------------------
    // The paint showed a warning in the status line: the loop leaves the line
    // alone for this many ticks, then writes its own text again.
    void HoldStatusLine(int32_t ticks = kWarningHoldTicks) noexcept;
    // True while a warning is held; the paint shows a new warning only when false.
    bool StatusLineHeld() const noexcept { return m_statusCountdown != 0; }
    // A language was chosen or an upgrade asked for: the badge shows for
    // `ticks` ticks, then RunView::EndProgram(1032).
    void StartBadgeFlash(int32_t ticks = kBadgeFlashTicks) noexcept { m_badgeFlashCountdown = ticks; }

    // ---- filter optimisation ----------------------------------------------------------
    // OPTIMISE FILTERS, and the automatic optimisation: starts on run's first
    // trace and disables the command; the next ticks do one step each.
    void StartOptimisation(CCorrelation& run);
    bool Optimising() const noexcept { return m_optimiser.Pending(); }
    const FilterOptimiser& Optimiser() const noexcept { return m_optimiser; }

    // ---- inspection --------------------------------------------------------------------
    // Items asked of the correlation on the last correlating tick (at least 1).
    int32_t ItemsWanted() const noexcept { return m_itemsWanted; }
    int32_t ItemsDone() const noexcept { return m_itemsDone; }
    // The throughput estimate: items done on the last measured tick and the
    // performance-counter ticks they took (both > 0).
    int32_t ItemsDoneLast() const noexcept { return m_itemsDoneLast; }
    int64_t CounterTicksLast() const noexcept { return m_counterTicksLast; }
    // The first stalled tick has been seen; the next one restarts sampling.
    bool StallPending() const noexcept { return m_stalled; }
    // The half-second counter the battery animation steps by.
    uint32_t HalfSeconds() const noexcept { return m_halfSeconds; }
    // Memory status as of the last tick, for the status screen.
    const platform::MemoryStatus& Memory() const noexcept { return m_memory; }

    // Items to ask for: budget x done / ticks in 128 bits, 1 ... INT32_MAX; a
    // budget already spent (0 or less) still asks for 1 so that work goes on.
    static int32_t ItemsForBudget(int64_t budgetTicks, int32_t itemsDoneLast, int64_t counterTicksLast) noexcept;
    // Counter ticks from `from` to `to` on a counter that may wrap round its
    // 64 bits; a counter that went backwards gives 0.
    static int64_t CounterSpan(int64_t from, int64_t to) noexcept;
    // A raw store of run cannot take another converter block without passing
    // the 2^31 - 1 samples a store counts: a live run stops there.
    static bool StoresFull(const CCorrelation& run) noexcept;

private:
    void CheckAutomaticOptimisation(CCorrelation& run);
    void OptimisationStep(CCorrelation& run);
    void Correlate(CCorrelation& run, int64_t tickStart);
    int32_t CorrelateWanted(CCorrelation& run, int32_t wanted);
    bool FetchSamples(CCorrelation& run);
    void RecordOnly(CCorrelation& run);
    void StallCheck(CCorrelation& run, bool starved);
    void StatusLine();
    void StatusLed();
    void RadioIcons(const CCorrelation& run);
    // Both stations' bars now (and whether both have signal), or the replay picture.
    ::RadioIcons CurrentRadioIcons(const CCorrelation& run);
    void Refresh(CCorrelation& run, uint32_t now);
    void MoveCursorToPeak(CCorrelation& run);

    SensorHardware& m_hw;
    RadioLink& m_radio;
    RunView& m_view;

    // The screen's state.
    bool m_running = false;
    bool m_listenActive = false;
    bool m_startAllowed = true;
    bool m_radioOk = false;

    // Throughput, as the first tick finds it.
    int32_t m_itemsDoneLast = kFirstItemsDone;
    int64_t m_counterTicksLast = kFirstCounterTicks;
    int32_t m_itemsWanted = 0;
    int32_t m_itemsDone = 0;

    FilterOptimiser m_optimiser;
    uint32_t m_surveyCheckMs = kFirstSurveyCheckMs;
    uint32_t m_lastRepaintTick = 0;
    int32_t m_badgeCountdown = kBadgeTicks;
    int32_t m_badgeFlashCountdown = 0;
    int32_t m_statusCountdown = 1;
    std::optional<StatusMessage> m_shownStatus;  // nothing: unknown (a warning is shown)

    bool m_runStarted = false;   // some run has begun since start-up
    bool m_stalled = false;
    uint32_t m_halfSeconds = 0;
    uint32_t m_halfSecondTick = 0;
    int32_t m_blink = 0;          // 0 ... kLedPeriod
    int32_t m_radioCounter = 0;   // 0 ... kRadioPeriodTicks - 1
    std::array<int64_t, 2> m_lastProgress{-1, -1};  // samples correlated and received
    platform::MemoryStatus m_memory;
};
