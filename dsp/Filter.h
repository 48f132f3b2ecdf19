#pragma once
// dsp/Filter.h — CFilter, one band filter: its settings (cut-offs and an
// optional notch as fractions of the sample rate), the FIR designed from them
// and the running state that filters one sample at a time in fixed point.
// Settings, taps and state are plain values, so a filter copies safely.

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "dsp/Fir.h"

// The words the texts use, from the string table, and the language code.
struct FilterWords {
    std::u16string none = u"None";  // string 133
    std::u16string excl = u"excl";  // string 117
    std::u16string multiple = u"MULTIPLE";  // string 186, for runs of several bands
    std::u16string language;        // configured code; "FAS" draws the notch
};

class CFilter {
public:
    static constexpr int32_t kDefaultTaps = 89;
    static constexpr int32_t kRecordBodySize = 17;  // four reals and one flag
    static_assert(kRecordBodySize == 4 * sizeof(float) + 1);

    // All settings 0, notch off, 89 taps, a one-tap FIR of coefficient 0,
    // not bypassed until the first design.
    CFilter() = default;

    // Sets the band and designs (window, taps as Design).
    void SetBand(const FilterBand& band, int32_t window = fir::kRectangular, int32_t taps = 0);
    const FilterBand& Band() const noexcept { return m_band; }
    // Taps of the next design (odd, 1 ... fir::kMaxLength).
    int32_t Taps() const noexcept { return m_taps; }

    // Designs the FIR from the settings and clears the history.
    //  window : fir::Window code; taps : new length when > 0, an even count
    //  gets one more tap, at most fir::kMaxLength
    void Design(int32_t window, int32_t taps = 0);
    // True when there is nothing to filter (no cut-off, notch off): callers
    // pass samples through unchanged and never call Push.
    bool Bypass() const noexcept { return m_bypass; }

    // Clears the history only.
    void Reset() noexcept { m_state.Reset(); }
    // Pushes one sample and returns the Q19 accumulator (see fir::State).
    int32_t Push(int16_t x) noexcept { return m_state.Push(m_firTaps, x); }
    // One output sample: the input itself when bypassed, else the rounded
    // accumulator's low 16 bits.
    int16_t Execute(int16_t x) noexcept { return m_bypass ? x : fir::Output(Push(x)); }
    void ExecuteBlock(const int16_t* in, int16_t* out, int32_t n) noexcept;

    // Designed coefficients, centre first (M + 1 Q19 values).
    const fir::Taps& FirTaps() const noexcept { return m_firTaps; }

    // The sized record: int32 size 17, low, high, notch flag, notch low,
    // notch high. Read raises "CFilter chunk size error" for any other size
    // (before reading a field) or a short record, then designs with window 0.
    void Write(std::ostream& os) const;
    void Read(std::istream& is);

    // Texts, hertz = fraction * sampleRate without decimals.
    // Filter screen: "%.0f-%.0fHz", "%.0fHz+", "0-%.0fHz" or None.
    std::u16string BandText(float sampleRate, const FilterWords& words = {}) const;
    // Filter screen: "%.0f-%.0fHz" of the notch edges when both are above 0, else None.
    std::u16string NotchText(float sampleRate, const FilterWords& words = {}) const;
    // Status line and information screen: "%.0f-%.0fHz", ">%.0fHz", "<%.0fHz"
    // or None, then " excl %.0f-%.0fHz" when both notch edges are above 0.
    std::u16string Description(float sampleRate, const FilterWords& words = {}) const;

    // Start-up self-test: empty text, or one located line per failed check.
    static std::string SelfTest();

private:
    FilterBand m_band;
    int32_t m_taps = kDefaultTaps;
    fir::Taps m_firTaps;
    fir::State m_state;
    bool m_bypass = false;
};
