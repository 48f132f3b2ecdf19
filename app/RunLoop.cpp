#include "app/RunLoop.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

#include "app/RunRules.h"
#include "dsp/Correlation.h"
#include "hardware/CorrelationInput.h"
#include "hardware/DriverRecords.h"
#include "hardware/Power.h"
#include "hardware/RadioLink.h"
#include "hardware/SensorHardware.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "settings/Configuration.h"
#include "settings/EventLog.h"

namespace {

constexpr int32_t kAutomaticOptimisation = 2;  // filterOptimisation

bool WantsRestart(SamplingState s) { return s == SamplingIdle || s == SamplingStalled || s == SamplingFinished; }

// "12.3s" for 12 345 ms, with a decimal point in any locale.
std::u16string ElapsedText(uint32_t ms) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, static_cast<double>(ms) / 1000.0,
                                   std::chars_format::fixed, 1).ptr;
    std::u16string value(text, end);
    value += u's';
    return value;
}

}  // namespace

RunLoop::RunLoop(SensorHardware& hardware, RadioLink& radio, RunView& view)
    : m_hw(hardware), m_radio(radio), m_view(view), m_lastRepaintTick(platform::GetTickCount()),
      m_halfSecondTick(m_lastRepaintTick) {}

bool RunLoop::StartCommandsEnabled() const {
    return runrules::StartCommandsEnabled(m_startAllowed, m_radioOk, g_configuration.testMode != 0, g_replay != 0);
}

void RunLoop::MarkRepainted() { m_lastRepaintTick = platform::GetTickCount(); }

void RunLoop::RunReplaced() {
    m_optimiser.Cancel();
    m_stalled = false;
    m_lastProgress = {-1, -1};
}

void RunLoop::HoldStatusLine(int32_t ticks) noexcept {
    m_statusCountdown = std::max(ticks, 0);
    m_shownStatus.reset();
}

void RunLoop::StartOptimisation(CCorrelation& run) {
    m_optimiser.Start(run);
    m_view.EnableOptimiseCommand(false);
}

int32_t RunLoop::ItemsForBudget(int64_t budgetTicks, int32_t itemsDoneLast, int64_t counterTicksLast) noexcept {
    if (budgetTicks <= 0 || itemsDoneLast <= 0 || counterTicksLast <= 0) return 1;
    const __int128 items = static_cast<__int128>(budgetTicks) * itemsDoneLast / counterTicksLast;
    return static_cast<int32_t>(std::clamp<__int128>(items, 1, std::numeric_limits<int32_t>::max()));
}

int64_t RunLoop::CounterSpan(int64_t from, int64_t to) noexcept {
    const uint64_t span = static_cast<uint64_t>(to) - static_cast<uint64_t>(from);
    return span > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) ? 0 : static_cast<int64_t>(span);
}

void RunLoop::Tick(CCorrelation& run) {
    const int64_t tickStart = platform::QueryPerformanceCounter();
    const uint32_t now = platform::GetTickCount();

    if (m_hw.LocalGainRunning()) m_hw.StepLocalGain();  // stops for good after a failed write

    if (m_listenActive) {
        if (!g_replay) {
            ProcessSampleBlock(m_hw, run);
            if (WantsRestart(m_hw.GetSamplingState())) StartSampling(m_hw, run);
        }
        return;
    }

    CheckAutomaticOptimisation(run);
    if (m_optimiser.Pending()) {
        OptimisationStep(run);
        // The bands are judged on the accumulator as it stood, so nothing is
        // correlated; but a live run goes on recording, or the converter's
        // queue would overrun and the recording lose the optimisation's seconds.
        if (m_running && !g_replay) RecordOnly(run);
    } else if (m_running) {
        Correlate(run, tickStart);
    }

    if (m_badgeCountdown != 0 && --m_badgeCountdown == 0) m_view.ShowBadge(false);
    if (m_badgeFlashCountdown != 0) {
        m_view.ShowBadge(true);
        if (--m_badgeFlashCountdown == 0) m_view.EndProgram(kUpgradeResult);
    }
    StatusLine();
    StatusLed();
    RadioIcons(run);
    m_memory = platform::GlobalMemoryStatus();
    if (now - m_lastRepaintTick >= kRefreshMs) Refresh(run, now);
}

void RunLoop::CheckAutomaticOptimisation(CCorrelation& run) {
    if (g_configuration.filterOptimisation != kAutomaticOptimisation || !m_running || g_replay ||
        run.PostFilter() != 1 || m_optimiser.Pending() || run.Clock().ElapsedMs() < m_surveyCheckMs)
        return;
    // The first check always optimises; later ones only when the SNR is poor.
    if (m_surveyCheckMs != kFirstSurveyCheckMs && run.Snr() >= kGoodSnr) {
        m_surveyCheckMs += kSurveyCheckStepMs;
        return;
    }
    StartOptimisation(run);
    m_surveyCheckMs += kSurveyOptimiseStepMs;
}

void RunLoop::OptimisationStep(CCorrelation& run) {
    switch (m_optimiser.Step(run)) {
    case FilterOptimiser::Outcome::Stepped:
        m_view.ShowOptimising(m_optimiser.Percent());
        break;
    case FilterOptimiser::Outcome::Applied:
        // The replay's counters stood still on purpose: the next 2-second
        // update must not take that for the end of its data.
        m_lastProgress = {-1, -1};
        m_view.OptimisationApplied();
        if (run.View().cursorOnPeak) MoveCursorToPeak(run);
        m_view.InvalidateArea(kResultPanelArea);
        m_view.EnableOptimiseCommand(runrules::OptimiseCommandEnabled(run.TraceCount(), run.PostFilter(),
                                                                      g_configuration.filterOptimisation));
        break;
    case FilterOptimiser::Outcome::Idle:
        break;
    }
}

void RunLoop::Correlate(CCorrelation& run, int64_t tickStart) {
    m_runStarted = true;
    platform::DebugOutput("GetSamples\r\n");
    if (!FetchSamples(run)) return;

    const int64_t frequency = std::max<int64_t>(1, platform::QueryPerformanceFrequency());
    const int64_t before = platform::QueryPerformanceCounter();
    // frequency x 70 / 1000 without overflow for any frequency.
    const int64_t budget = frequency / 1000 * kWorkBudgetMs + frequency % 1000 * kWorkBudgetMs / 1000 -
                           CounterSpan(tickStart, before);
    m_itemsWanted = ItemsForBudget(budget, m_itemsDoneLast, m_counterTicksLast);
    m_itemsDone = CorrelateWanted(run, m_itemsWanted);
    const int64_t spent = CounterSpan(before, platform::QueryPerformanceCounter());
    // A tick that did nothing, or that the counter could not time, keeps the estimate.
    if (m_itemsDone != 0 && spent != 0) {
        m_itemsDoneLast = m_itemsDone;
        m_counterTicksLast = spent;
    }
    platform::DebugPrintf("Correlated %d/%d items in %lld/%lld ticks of %lldHz clock\r\n", m_itemsDone,
                          m_itemsWanted, static_cast<long long>(spent), static_cast<long long>(budget),
                          static_cast<long long>(frequency));
    // The direct engine takes what it is given; the FFT engine works in whole
    // blocks, so only a tick with no block at all counts as starved.
    StallCheck(run, run.UsesFftEngine() ? m_itemsDone == 0 : m_itemsDone < m_itemsWanted);
}

int32_t RunLoop::CorrelateWanted(CCorrelation& run, int32_t wanted) {
    // The direct engine takes up to what it is asked in one call; the FFT
    // engine absorbs one whole block per call, so blocks are repeated until
    // the tick's share is done or no whole block is left (a replay's tick
    // brings 10000 frames, more than one block).
    int64_t done = 0;
    for (;;) {
        const int32_t n = run.Correlate(static_cast<int32_t>(wanted - done));
        done += n;
        if (n == 0 || done >= wanted || !run.UsesFftEngine()) break;
    }
    return static_cast<int32_t>(std::min<int64_t>(done, std::numeric_limits<int32_t>::max()));
}

bool RunLoop::FetchSamples(CCorrelation& run) {
    if (!g_replay && StoresFull(run)) {
        // The stores count samples in 32 bits: a run that cannot take another
        // block stops here and keeps what it has correlated.
        LogEvent(",SampleLimit");
        m_running = false;
        m_view.ShowStatusLine(StatusMessage::SampleLimit);
        m_view.AutoStop();
        return false;
    }
    ProcessSampleBlock(m_hw, run);
    return true;
}

bool RunLoop::StoresFull(const CCorrelation& run) noexcept {
    const int32_t total = std::max(run.RedRaw().SampleTotal(), run.BlueRaw().SampleTotal());
    return total > CWave::kMaxTotal - hw::kPairsPerBlock;
}

void RunLoop::RecordOnly(CCorrelation& run) {
    if (!FetchSamples(run)) return;
    StallCheck(run, true);  // nothing is correlated: a converter that stopped is restarted as ever
}

void RunLoop::StallCheck(CCorrelation& run, bool starved) {
    if (starved && !g_replay && WantsRestart(m_hw.GetSamplingState())) {
        // A converter that can deliver no more stops the run; what was
        // correlated stays, to be looked at and saved.
        if (const std::string fault = m_hw.ConverterFault(); !fault.empty()) {
            LogEvent(",ConverterFault");
            m_view.ShowConverterFault(fault);
            m_running = false;
            m_view.AutoStop();
            return;
        }
        if (!m_stalled) {
            m_view.ShowStallIcon(true);
            m_stalled = true;
        } else {
            LogEvent(",StartSampling");
            StartSampling(m_hw, run);
            m_stalled = false;
        }
        return;
    }
    m_view.HidePleaseWait();
    m_view.ShowStallIcon(false);
}

void RunLoop::StatusLine() {
    if (m_statusCountdown != 0 && --m_statusCountdown != 0) return;
    StatusMessage wanted = StatusMessage::None;
    if (g_configuration.testMode) wanted = StatusMessage::TestMode;
    else if (m_hw.GetOsVersion() < kMinOsVersion) wanted = StatusMessage::OsOutOfDate;
    if (m_shownStatus == wanted) return;
    m_view.ShowStatusLine(wanted);
    m_shownStatus = wanted;
}

void RunLoop::StatusLed() {
    constexpr int32_t kCharging = 0, kRed = 2, kOff = 0;
    if (m_hw.GetPowerSource() != kCharging) {
        m_hw.SetStatusLeds(kOff);
        return;
    }
    m_blink = m_blink >= kLedPeriod ? 0 : m_blink + 1;
    m_hw.SetStatusLeds(m_blink < kLedPeriod / 2 ? kRed : kOff);  // 1 s red, 1 s dark
}

void RunLoop::RadioIcons(const CCorrelation& run) {
    if (++m_radioCounter != kRadioPeriodTicks / 2 && m_radioCounter != kRadioPeriodTicks) return;
    ::RadioIcons icons = CurrentRadioIcons(run);
    icons.blinkPhase = m_radioCounter == kRadioPeriodTicks;
    if (icons.blinkPhase) m_radioCounter = 0;
    m_view.ShowRadioIcons(icons);
    m_view.EnableStartCommands(StartCommandsEnabled());
}

void RunLoop::ShowIndicators(const CCorrelation& run) {
    m_view.ShowBattery(PowerPolicyStep(m_hw, m_halfSeconds));
    m_view.ShowRadioIcons(CurrentRadioIcons(run));
}

::RadioIcons RunLoop::CurrentRadioIcons(const CCorrelation& run) {
    ::RadioIcons icons;
    if (g_replay) {
        icons.replay = true;
    } else {
        icons.barsA = m_radio.GetSignalBars(static_cast<int32_t>(run.Pipe().GetStationA()));
        icons.barsB = m_radio.GetSignalBars(static_cast<int32_t>(run.Pipe().GetStationB()));
        m_radioOk = icons.barsA != 0 && icons.barsB != 0;
    }
    return icons;
}

void RunLoop::Refresh(CCorrelation& run, uint32_t now) {
    if (now - m_halfSecondTick >= kHalfSecondMs) {
        m_halfSecondTick = now;
        ++m_halfSeconds;
    }
    if (m_badgeCountdown == 0) m_view.ShowBattery(PowerPolicyStep(m_hw, m_halfSeconds));
    const std::array<int64_t, 2> progress{run.SamplesCorrelated(), run.RedSamplesReceived()};
    if (m_runStarted) {
        m_view.ShowElapsed(ElapsedText(run.Clock().ElapsedMs()));
        if (m_running && !m_optimiser.Pending()) {
            m_view.InvalidateArea(kGraphRefreshArea);
            if (run.View().cursorOnPeak) MoveCursorToPeak(run);
            // A replay whose data ran out stops itself. Only a running replay:
            // a stopped one would otherwise be stopped (and optimised) again
            // every 2 s, and an optimisation pauses the counters on purpose.
            if (g_replay && progress == m_lastProgress) {
                m_running = false;
                m_view.AutoStop();
                if (g_configuration.filterOptimisation == kAutomaticOptimisation && run.PostFilter() == 1)
                    StartOptimisation(run);
            }
        }
    }
    m_lastProgress = progress;
    m_lastRepaintTick = now;
}

void RunLoop::MoveCursorToPeak(CCorrelation& run) {
    const PeakResult peak = run.FindPeak(run.SelectedAccumulator());
    if (peak.height <= 0) return;  // a flat or empty accumulator has no peak
    const int32_t lag = peak.peakIndex - run.MaxLag();
    run.View().cursorLag = lag;
    m_view.CursorMovedToPeak(
        ConvertDelay(static_cast<float>(lag), DelayUnit::Samples, DelayUnit::Seconds, run.SampleRate()));
}
