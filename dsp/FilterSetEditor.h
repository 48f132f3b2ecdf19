#pragma once
// dsp/FilterSetEditor.h — what the filter screen edits, without a window: up
// to three filter sets (one per trace) in hertz, the marker columns on the
// spectrum's frequency axis, the touch modes that move them, the presets, and
// the label texts. The screen (screens/FilterDialog.h) only turns buttons and
// pen events into these calls and paints what it reads back.
//
// Frequencies are Hz, 0 meaning "not set" (no high-pass, no low-pass, no
// notch). Every value stored is clamped to 0 ... rate / 2, so a preset made
// for the full rate shows and designs as the highest frequency a decimated
// run can carry.

#include <array>
#include <cstdint>
#include <string>

#include "dsp/Spectrum.h"

class CCorrelation;
class CPipe;

// One set's limits, Hz; 0 = not set.
struct FilterSetHz {
    float low = 0;        // high-pass edge
    float high = 0;       // low-pass edge
    float notchLow = 0;   // first notch limit
    float notchHigh = 0;  // second notch limit
    bool operator==(const FilterSetHz&) const = default;
};

// What a touch on the graph does; the numbers are those of the screen's modes.
enum class TouchMode : int32_t {
    None = 0,
    SetLow = 1,
    SetHigh = 2,
    FirstNotch = 3,   // both limits follow the stylus
    SecondNotch = 4,  // one limit at a time
};

// Marker columns of the current set, 0 ... 480; -1 = no marker.
struct MarkerColumns {
    int32_t low = -1;
    int32_t high = -1;
    int32_t notchLow = -1;
    int32_t notchHigh = -1;
};

// The label words, from the string table.
struct FilterScreenWords {
    std::u16string low = u"LOW CUTOFF:";                  // 130
    std::u16string high = u"HIGH CUTOFF:";                // 131
    std::u16string notch = u"NOTCH:";                     // 132
    std::u16string none = u"None";                        // 133
    std::u16string automatic = u"Auto";                   // 136
    std::u16string notchFirst = u"NOTCH: SET LIMIT 1";    // 137
    std::u16string notchSecond = u"NOTCH: SET LIMIT 2";   // 138
    // Right-to-left languages: each value ("300Hz", "950-1050Hz") is embedded
    // left to right (U+202A ... U+202C) so its digits and unit keep their order.
    bool embedValuesLeftToRight = false;
};

struct FilterLabels {
    std::u16string low, high, notch;
};

class FilterSetEditor {
public:
    static constexpr int32_t kSets = 3;
    static constexpr int32_t kZoneColumns = 20;  // a marker owns the columns within 20 of it
    static constexpr float kAutoLowFactor = 0.25f;
    static constexpr float kAutoHighFactor = 4.0f;

    // The sets of run's filters in Hz (Red filter k's band x the run's rate),
    // its trace count and rate; the axis is logarithmic unless linearAxis.
    // Mode none, automatic off; the current set is kept.
    void Load(const CCorrelation& run, bool linearAxis);
    // The same from values (tests, a caller without a run).
    void Load(const std::array<FilterSetHz, kSets>& sets, int32_t traceCount, float rate, bool linearAxis);

    // ACCEPT: for each set k, Red filter k, Blue filter k and post-filter k
    // get limit / rate with the notch switched on; Red and Blue are designed
    // with the rectangular window at their length, the post-filter with the
    // Welch window and 177 taps. Limits above rate / 2 are designed as rate / 2.
    void Apply(CCorrelation& run) const;

    // ---- state --------------------------------------------------------------
    const FilterSetHz& Set(int32_t k) const { return m_sets.at(static_cast<size_t>(k)); }
    const std::array<FilterSetHz, kSets>& Sets() const noexcept { return m_sets; }
    int32_t TraceCount() const noexcept { return m_traceCount; }
    const spectrum::FrequencyAxis& Axis() const noexcept { return m_axis; }
    // 0 ... 2; the set the limits and markers refer to.
    int32_t CurrentSet() const noexcept { return m_current; }
    void SelectSet(int32_t k);
    TouchMode Mode() const noexcept { return m_mode; }
    bool Automatic() const noexcept { return m_automatic; }
    // The material defaults are what the bands hold: set by MATERIAL
    // DEFAULTS, cleared by every other change of a band. The caller seeds it
    // with its own flag and reads it back after ACCEPT.
    bool MaterialDefaults() const noexcept { return m_materialDefaults; }
    void SetMaterialDefaults(bool on) noexcept { m_materialDefaults = on; }
    // The SET button shown pressed: 1 low (mode 1), 2 high (mode 2), 3 notch
    // (modes 3 and 4), 0 none.
    int32_t PressedSetButton() const noexcept;

    // ---- spectrum -----------------------------------------------------------
    // The dominant frequency of the latest spectrum, Hz (0: none). While the
    // automatic switch is on, the current set follows it.
    void SetDominantHz(float hz);
    float DominantHz() const noexcept { return m_dominantHz; }

    // ---- commands (each returns with labels and markers to be redrawn) ------
    // SET LOW CUTOFF, SET HIGH CUTOFF, SET NOTCH CUTOUT: modes 1, 2, 3. The
    // notch command also clears the current set's notch.
    void BeginSetLow();
    void BeginSetHigh();
    void BeginSetNotch();
    // AUTOMATIC SETTINGS: switches automatic on (current set = dominant / 4
    // ... dominant x 4, at most rate / 2, no notch; open when there is no
    // dominant frequency) or, pressed again, off with the values it left.
    void ToggleAutomatic();
    // QUICK SET METALLIC: one trace 300 Hz upward; three traces 300-500,
    // 500-800, 800 Hz upward. Notches cleared.
    void QuickMetallic();
    // QUICK SET PLASTIC: one trace up to 200 Hz; three traces 0-50, 50-100,
    // 100-200 Hz. Notches cleared.
    void QuickPlastic();
    // CLEAR ALL FILTERS: every value of every set 0.
    void ClearAll();
    // MATERIAL DEFAULTS: current set = the pipe's recommended band, notch cleared.
    void ApplyMaterialDefaults(const CPipe& pipe);

    // ---- touches, in graph columns (0 ... 480; the caller drops touches
    // outside the graph). True when a value or the mode changed.
    bool PenDown(int32_t column);
    bool PenMove(int32_t column);
    bool PenUp(int32_t column);

    // ---- what the screen shows ----------------------------------------------
    MarkerColumns Markers() const;
    FilterLabels Labels(const FilterScreenWords& words = {}) const;

private:
    enum class NotchPrompt { None, FirstLimit, SecondLimit };

    FilterSetHz& Current() { return m_sets.at(static_cast<size_t>(m_current)); }
    float Clamp(float hz) const noexcept;
    float FrequencyOf(int32_t column) const;
    // Runs before every preset and SET command: with automatic on, the
    // automatic band is applied once more and the switch goes off, so the
    // command starts from the band it showed.
    void LeaveAutomatic();
    void ApplyAutomatic();
    // A band changed by hand or by a preset: the material defaults no longer hold.
    void Edited() noexcept { m_materialDefaults = false; }
    TouchMode PickMarker(int32_t column) const;
    bool ApplyTouch(int32_t column, bool moving);
    bool BetweenCutoffs(int32_t column) const;

    std::array<FilterSetHz, kSets> m_sets{};
    int32_t m_traceCount = 1;
    spectrum::FrequencyAxis m_axis;
    int32_t m_current = 0;
    TouchMode m_mode = TouchMode::None;
    NotchPrompt m_prompt = NotchPrompt::None;
    bool m_automatic = false;
    bool m_materialDefaults = false;
    float m_dominantHz = 0;
};
