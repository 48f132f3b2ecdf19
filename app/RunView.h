#pragma once
// app/RunView.h — what the run loop asks of the screen that shows a run.
//
// The loop (app/RunLoop.h) holds no widgets: each tick it calls these
// operations, and the main screen overrides them to set its controls. Every
// operation has an empty default, so a headless user (corrtool, tests, the
// benchmark) overrides only what it watches. All calls come from inside
// RunLoop::Tick on the caller's thread; none may call Tick again.

#include <cstdint>
#include <string_view>

#include "hardware/Power.h"

// A rectangle of the 640 x 480 screen, corners inclusive as the paint names them.
struct ScreenArea {
    int32_t left, top, right, bottom;
};
// Repainted at every 2-second update of a running run: the title and the graph.
constexpr ScreenArea kGraphRefreshArea{24, 66, 607, 315};
// Repainted when an optimisation has been applied: the whole result panel.
constexpr ScreenArea kResultPanelArea{17, 78, 618, 411};

// The status line's own texts (control 1238); warnings are the paint's.
enum class StatusMessage {
    None,            // empty
    TestMode,        // "Test Mode"
    OsOutOfDate,     // "Operating system is out of date. Please upgrade it!"
    SampleLimit,     // string 214: a live run stopped at the stores' sample-count limit;
                     // written once, before AutoStop, and left until the loop's own text changes
};

// The radio icons (1254 Red, 1255 Blue) at one of their half-second updates.
struct RadioIcons {
    bool replay = false;     // both show the replay picture; the bars are not read
    int32_t barsA = 0;       // 0 ... 10 of the run's station A (left icon); 0 = no reception
    int32_t barsB = 0;       // the same for station B (right icon)
    bool blinkPhase = false; // every second update: a station with 0 bars shows the
                             // second no-reception picture, so a lost station blinks
};

class RunView {
public:
    virtual ~RunView() = default;

    // ---- every tick -------------------------------------------------------------
    // Status line 1238. Called when the text is to change: at the first tick,
    // whenever the wanted message differs from the last one written, and after
    // a held warning (RunLoop::HoldStatusLine) runs out.
    virtual void ShowStatusLine(StatusMessage) {}
    // Status line 1238 with the provider's reason why sampling stopped for
    // good (an audio device lost, its input ended); AutoStop follows. The
    // text stays until the loop's own message changes.
    virtual void ShowConverterFault(std::string_view /*text*/) {}
    // Stall icon 1333: shown on the first tick of a stall, hidden on every
    // tick that is not stalled (while running and not optimising).
    virtual void ShowStallIcon(bool /*shown*/) {}
    // "Please Wait" 1239 is hidden on every tick that is not stalled.
    virtual void HidePleaseWait() {}
    // Badge 1248: hidden when its countdown runs out (50 ticks after start-up),
    // shown on every tick of a flash.
    virtual void ShowBadge(bool /*shown*/) {}
    // The badge flash ended: close the main screen with this result (1032,
    // exit to upgrade), which ends the program.
    virtual void EndProgram(int32_t /*result*/) {}

    // ---- every 500 ms ---------------------------------------------------------
    virtual void ShowRadioIcons(const RadioIcons&) {}
    // START, SURVEY and RESUME enabled or not (runrules::StartCommandsEnabled
    // with the loop's start-allowed and radio-ok fields); called with the icons.
    virtual void EnableStartCommands(bool /*enabled*/) {}

    // ---- every 2 s --------------------------------------------------------------
    // Battery icon 1256 from the power policy's step (not while the badge shows).
    virtual void ShowBattery(const PowerStatus&) {}
    // Elapsed label 1167: the value after the "Elapsed:" prefix and its blank,
    // e.g. "12.0s" (always a decimal point).
    virtual void ShowElapsed(std::u16string_view /*value*/) {}
    // Repaint this area (the paint then records the last repaint itself, or
    // the screen calls RunLoop::MarkRepainted).
    virtual void InvalidateArea(const ScreenArea&) {}
    // The auto cursor moved the run's cursor (View().cursorLag) to the peak;
    // delaySeconds is the peak delay. The screen sets its results-changed flag
    // and keeps the delay as its cursor delay.
    virtual void CursorMovedToPeak(float /*delaySeconds*/) {}
    // A replay ran out of data (or a live run reached the sample limit, or its
    // converter failed): run the stop sequence with the auto-stop mark
    // (so STOP skips the user-activity check). The screen must clear the
    // loop's running field (RunLoop::SetRunning(false)) as STOP does.
    virtual void AutoStop() {}

    // ---- filter optimisation ----------------------------------------------------------
    // Filter label 1165 during an optimisation: "Filter:", a blank,
    // "Optimising" and the percentage directly after it (1 ... 100).
    virtual void ShowOptimising(int32_t /*percent*/) {}
    // The best band is on the first trace: refresh the filter and pipe labels.
    virtual void OptimisationApplied() {}
    // OPTIMISE FILTERS 1081: disabled while an optimisation is pending, enabled
    // again by the command's rule when it has been applied.
    virtual void EnableOptimiseCommand(bool /*enabled*/) {}
};
