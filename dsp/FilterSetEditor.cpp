#include "dsp/FilterSetEditor.h"

#include <algorithm>
#include <cstdlib>

#include "dsp/Correlation.h"
#include "platform/Numbers.h"
#include "platform/Text.h"
#include "pipe/Pipe.h"

namespace {

std::u16string Hz(float value) { return platform::Utf8ToUtf16(platform::FormatCString("%.0fHz", static_cast<double>(value))); }

std::u16string HzRange(float from, float to) {
    return platform::Utf8ToUtf16(platform::FormatCString("%.0f-%.0fHz", static_cast<double>(from), static_cast<double>(to)));
}

}  // namespace

void FilterSetEditor::Load(const CCorrelation& run, bool linearAxis) {
    const float rate = run.SampleRate();
    std::array<FilterSetHz, kSets> sets{};
    for (int32_t k = 0; k < kSets; ++k) {
        const FilterBand& b = run.RedFilter(k).Band();
        sets[static_cast<size_t>(k)] = {b.lowCut * rate, b.highCut * rate, b.notchLow * rate, b.notchHigh * rate};
    }
    Load(sets, run.TraceCount(), rate, linearAxis);
}

void FilterSetEditor::Load(const std::array<FilterSetHz, kSets>& sets, int32_t traceCount, float rate, bool linearAxis) {
    m_axis.rate = rate > 0 ? rate : 10000.0f;
    m_axis.linear = linearAxis;
    m_traceCount = traceCount > 1 ? kSets : 1;
    for (size_t k = 0; k < sets.size(); ++k) {
        const FilterSetHz& s = sets[k];
        m_sets[k] = {Clamp(s.low), Clamp(s.high), Clamp(s.notchLow), Clamp(s.notchHigh)};
    }
    if (m_traceCount == 1) m_current = 0;
    m_mode = TouchMode::None;
    m_prompt = NotchPrompt::None;
    m_automatic = false;
}

void FilterSetEditor::Apply(CCorrelation& run) const {
    const float rate = m_axis.rate;
    const auto fraction = [&](float hz) { return std::clamp(hz, 0.0f, rate / 2) / rate; };
    for (int32_t k = 0; k < kSets; ++k) {
        const FilterSetHz& s = m_sets[static_cast<size_t>(k)];
        FilterBand band;
        band.lowCut = fraction(s.low);
        band.highCut = fraction(s.high);
        band.notchOn = true;  // an empty notch (0, 0) leaves the response as it is
        band.notchLow = fraction(s.notchLow);
        band.notchHigh = fraction(s.notchHigh);
        run.RedFilter(k).SetBand(band, fir::kRectangular);
        run.BlueFilter(k).SetBand(band, fir::kRectangular);
        run.PostFilterOf(k).SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);
    }
}

float FilterSetEditor::Clamp(float hz) const noexcept {
    if (!(hz > 0)) return 0.0f;  // negative and NaN: not set
    return std::min(hz, m_axis.NyquistHz());
}

float FilterSetEditor::FrequencyOf(int32_t column) const { return Clamp(m_axis.FrequencyAt(static_cast<float>(column))); }

void FilterSetEditor::SelectSet(int32_t k) {
    m_current = m_traceCount > 1 ? std::clamp(k, 0, kSets - 1) : 0;
    m_mode = TouchMode::None;
    m_prompt = NotchPrompt::None;
}

int32_t FilterSetEditor::PressedSetButton() const noexcept {
    switch (m_mode) {
    case TouchMode::SetLow: return 1;
    case TouchMode::SetHigh: return 2;
    case TouchMode::FirstNotch:
    case TouchMode::SecondNotch: return 3;
    case TouchMode::None: break;
    }
    return 0;
}

void FilterSetEditor::SetDominantHz(float hz) {
    m_dominantHz = hz > 0 ? hz : 0.0f;
    if (m_automatic) ApplyAutomatic();
}

void FilterSetEditor::ApplyAutomatic() {
    FilterSetHz& s = Current();
    if (m_dominantHz > 0) {
        s.low = Clamp(m_dominantHz * kAutoLowFactor);
        s.high = Clamp(m_dominantHz * kAutoHighFactor);
    } else {
        s.low = s.high = 0;  // nothing stands out: the band stays open
    }
    s.notchLow = s.notchHigh = 0;
}

void FilterSetEditor::LeaveAutomatic() {
    if (!m_automatic) return;
    ApplyAutomatic();
    m_automatic = false;
}

void FilterSetEditor::BeginSetLow() {
    LeaveAutomatic();
    m_mode = TouchMode::SetLow;
    m_prompt = NotchPrompt::None;
    Edited();
}

void FilterSetEditor::BeginSetHigh() {
    LeaveAutomatic();
    m_mode = TouchMode::SetHigh;
    m_prompt = NotchPrompt::None;
    Edited();
}

void FilterSetEditor::BeginSetNotch() {
    LeaveAutomatic();
    m_mode = TouchMode::FirstNotch;
    Current().notchLow = Current().notchHigh = 0;
    m_prompt = NotchPrompt::FirstLimit;
    Edited();
}

void FilterSetEditor::ToggleAutomatic() {
    m_mode = TouchMode::None;
    m_prompt = NotchPrompt::None;
    if (m_automatic) {
        m_automatic = false;  // the band it found stays
        return;
    }
    m_automatic = true;
    ApplyAutomatic();
    Edited();
}

void FilterSetEditor::QuickMetallic() {
    LeaveAutomatic();
    if (m_traceCount == 1) {
        m_sets[0] = {Clamp(300.0f), 0, 0, 0};
    } else {
        m_sets[0] = {Clamp(300.0f), Clamp(500.0f), 0, 0};
        m_sets[1] = {Clamp(500.0f), Clamp(800.0f), 0, 0};
        m_sets[2] = {Clamp(800.0f), 0, 0, 0};
    }
    m_mode = TouchMode::None;
    m_prompt = NotchPrompt::None;
    Edited();
}

void FilterSetEditor::QuickPlastic() {
    LeaveAutomatic();
    if (m_traceCount == 1) {
        m_sets[0] = {0, Clamp(200.0f), 0, 0};
    } else {
        m_sets[0] = {0, Clamp(50.0f), 0, 0};
        m_sets[1] = {Clamp(50.0f), Clamp(100.0f), 0, 0};
        m_sets[2] = {Clamp(100.0f), Clamp(200.0f), 0, 0};
    }
    m_mode = TouchMode::None;
    m_prompt = NotchPrompt::None;
    Edited();
}

void FilterSetEditor::ClearAll() {
    LeaveAutomatic();
    m_sets.fill(FilterSetHz{});
    m_mode = TouchMode::None;
    m_prompt = NotchPrompt::None;
    Edited();
}

void FilterSetEditor::ApplyMaterialDefaults(const CPipe& pipe) {
    LeaveAutomatic();
    Current() = {Clamp(pipe.GetLowCutoff()), Clamp(pipe.GetHighCutoff()), 0, 0};
    m_mode = TouchMode::None;
    m_prompt = NotchPrompt::None;
    m_materialDefaults = true;
}

MarkerColumns FilterSetEditor::Markers() const {
    const FilterSetHz& s = m_sets[static_cast<size_t>(m_current)];
    MarkerColumns m;
    m.low = m_axis.MarkerColumn(s.low);
    m.high = m_axis.MarkerColumn(s.high);
    m.notchLow = m_axis.MarkerColumn(s.notchLow);
    m.notchHigh = m_axis.MarkerColumn(s.notchHigh);
    return m;
}

// Nearest marker within 20 columns, so that overlapping zones split at the
// midpoint between their markers; at the midpoint itself the marker earlier in
// the order low, notch limits, high keeps the column.
TouchMode FilterSetEditor::PickMarker(int32_t column) const {
    const MarkerColumns m = Markers();
    const struct {
        int32_t at;
        TouchMode mode;
    } order[] = {{m.low, TouchMode::SetLow},
                 {m.notchLow, TouchMode::SecondNotch},
                 {m.notchHigh, TouchMode::SecondNotch},
                 {m.high, TouchMode::SetHigh}};
    TouchMode picked = TouchMode::None;
    int32_t nearest = kZoneColumns + 1;
    for (const auto& marker : order) {
        if (marker.at < 0) continue;
        const int32_t distance = std::abs(column - marker.at);
        if (distance < nearest) {
            nearest = distance;
            picked = marker.mode;
        }
    }
    return picked;
}

bool FilterSetEditor::BetweenCutoffs(int32_t column) const {
    const MarkerColumns m = Markers();
    return (m.low < 0 || column > m.low) && (m.high < 0 || column < m.high);
}

bool FilterSetEditor::ApplyTouch(int32_t column, bool moving) {
    const MarkerColumns m = Markers();
    FilterSetHz& s = Current();
    const float f = FrequencyOf(column);
    switch (m_mode) {
    case TouchMode::SetLow:
        if (m.high >= 0 && column >= m.high) return false;
        s.low = f;
        return true;
    case TouchMode::SetHigh:
        if (m.low >= 0 && column <= m.low) return false;
        s.high = f;
        return true;
    case TouchMode::FirstNotch:
        if (!BetweenCutoffs(column)) return false;
        s.notchLow = s.notchHigh = f;
        m_prompt = NotchPrompt::SecondLimit;
        return true;
    case TouchMode::SecondNotch:
        if (!BetweenCutoffs(column)) return false;
        if (moving) {
            // The nearer limit follows the stylus; at equal distance the second.
            if (std::abs(column - m.notchLow) < std::abs(column - m.notchHigh)) s.notchLow = f;
            else s.notchHigh = f;
            return true;
        }
        if (column < m.notchLow) s.notchLow = f;
        else if (column > m.notchHigh) s.notchHigh = f;
        else return false;
        return true;
    case TouchMode::None: break;
    }
    return false;
}

bool FilterSetEditor::PenDown(int32_t column) {
    bool picked = false;
    if (m_mode == TouchMode::None) {
        const TouchMode marker = PickMarker(column);
        if (marker == TouchMode::None) return false;
        LeaveAutomatic();
        m_mode = marker;
        m_prompt = NotchPrompt::None;
        Edited();
        picked = true;
    }
    return ApplyTouch(column, false) || picked;
}

bool FilterSetEditor::PenMove(int32_t column) {
    if (m_mode == TouchMode::None) return false;
    return ApplyTouch(column, true);
}

bool FilterSetEditor::PenUp(int32_t /*column*/) {
    if (m_mode == TouchMode::None) return false;
    const MarkerColumns m = Markers();
    if (m_mode == TouchMode::FirstNotch) {
        // The second limit is placed next, once the first has been.
        if (m.notchLow >= 0) m_mode = TouchMode::SecondNotch;
        return true;
    }
    m_mode = TouchMode::None;
    m_prompt = NotchPrompt::None;
    return true;
}

FilterLabels FilterSetEditor::Labels(const FilterScreenWords& words) const {
    const FilterSetHz& s = m_sets[static_cast<size_t>(m_current)];
    const bool automatic = m_automatic && m_dominantHz > 0;
    const auto value = [&](std::u16string text) {
        return words.embedValuesLeftToRight ? u"\u202A" + text + u"\u202C" : text;
    };
    const auto cutoff = [&](const std::u16string& label, float hz) {
        if (automatic) return label + u" " + words.automatic;
        return label + u" " + (hz > 0 ? value(Hz(hz)) : words.none);
    };
    FilterLabels labels;
    labels.low = cutoff(words.low, s.low);
    labels.high = cutoff(words.high, s.high);
    if (m_prompt == NotchPrompt::FirstLimit) labels.notch = words.notchFirst;
    else if (m_prompt == NotchPrompt::SecondLimit) labels.notch = words.notchSecond;
    else if (automatic) labels.notch = words.notch + u" " + words.automatic;
    else labels.notch = words.notch + u" " + (s.notchLow > 0 && s.notchHigh > 0 ? value(HzRange(s.notchLow, s.notchHigh)) : words.none);
    return labels;
}
