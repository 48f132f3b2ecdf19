#pragma once
// dsp/Spectrum.h — the filter screen's live spectrum and its frequency axis.
//
// The axis spans 480 screen columns from 0 Hz (linear) or 20 Hz
// (logarithmic) up to half the sample rate. The spectrum takes the newest
// 4096 samples of both raw stores without consuming them, weights them with
// the parabolic (Welch) window w[i] = 1 - ((i - 2048) / 2048)^2, transforms
// them with the 4096-point real FFT, zeroes every bin below 10 Hz and keeps
// the magnitudes of bins 0 ... 2048 (bin k is k * rate / 4096 Hz). The
// strongest bin of the cross product Red * Blue is the dominant frequency.

#include <cstdint>
#include <span>
#include <vector>

class CWave;

namespace spectrum {

constexpr int32_t kAxisColumns = 480;     // columns 0 ... 480 of the graph
constexpr float kLogStartHz = 20.0f;      // left end of the logarithmic axis
// Column the inverse mapping gives for frequencies it cannot place (0 Hz or
// less on the logarithmic axis): far left of any graph.
constexpr int32_t kOffAxisColumn = -1000000;

// Column <-> frequency of the graph.
struct FrequencyAxis {
    float rate = 10000.0f;  // samples per second, > 0
    bool linear = false;    // the configuration's linearFrequencyAxis

    float NyquistHz() const noexcept { return rate / 2.0f; }
    // f(x) = x * (rate / 2) / 480 (linear), else
    // 10^(log10 20 + x * (log10(rate / 2) - log10 20) / 480).
    //  column : 0 ... 480 (values outside extrapolate)
    float FrequencyAt(float column) const noexcept;
    // The inverse, rounded to the nearest column (floor(value + 0.5)); not
    // clamped to the graph. kOffAxisColumn for hz <= 0 on the logarithmic axis.
    int32_t ColumnOf(float hz) const noexcept;
    // Where a cut-off's marker is drawn: -1 for 0 Hz (no cut-off), else
    // ColumnOf clamped to 0 ... 480.
    int32_t MarkerColumn(float hz) const noexcept;
};

// One tick of the axis; labelled ticks carry their frequency as text.
struct AxisTick {
    int32_t column = 0;   // 0 ... 480
    float hz = 0;
    bool labelled = false;
};

// Ticks for an axis: on the logarithmic axis every 1-2-...-9 step of each
// decade from 20 Hz, labelled at 1, 2 and 5 of each decade (and at 20 Hz); on
// the linear axis a round step giving at most ten labels, a minor tick between
// labels. Ticks lie within columns 0 ... 480.
std::vector<AxisTick> AxisTicks(const FrequencyAxis& axis);

// The three curve heights at one bin.
struct CurvePoint {
    int32_t column = 0;   // 0 ... 479
    int16_t red = 0;      // 0 ... kCurveHeight pixels
    int16_t blue = 0;
    int16_t product = 0;
};

class LiveSpectrum {
public:
    static constexpr int32_t kPoints = 4096;
    static constexpr int32_t kBins = kPoints / 2 + 1;  // 0 ... 2048
    static constexpr float kLowestHz = 10.0f;          // bins below are zeroed
    static constexpr int32_t kCurveHeight = 70;        // pixels of each curve's maximum

    LiveSpectrum();

    // The spectrum of the newest kPoints samples of both stores; their read
    // positions are left as they were. A store holding fewer samples gives a
    // flat spectrum (every magnitude 0) and false.
    bool Compute(CWave& red, CWave& blue, const FrequencyAxis& axis);
    // The same from two blocks of kPoints samples (anything else: flat).
    void ComputeFromBlocks(std::span<const int16_t> red, std::span<const int16_t> blue,
                           const FrequencyAxis& axis);
    // Back to flat: no samples seen.
    void Clear();

    // Hz of the largest Red * Blue product from the start bin up; 0 when the
    // spectrum is flat (silence, or too few samples).
    float DominantHz() const noexcept { return m_dominantHz; }
    // Largest magnitudes from the start bin up (0 for a flat spectrum).
    float RedMaximum() const noexcept { return m_redMax; }
    float BlueMaximum() const noexcept { return m_blueMax; }
    float ProductMaximum() const noexcept { return m_productMax; }
    const std::vector<float>& RedMagnitudes() const noexcept { return m_redMag; }
    const std::vector<float>& BlueMagnitudes() const noexcept { return m_blueMag; }

    // First bin searched: floor(20 * 4096 / rate) on the logarithmic axis, 0
    // on the linear one.
    static int32_t SearchStartBin(const FrequencyAxis& axis) noexcept;
    // One point per bin from ceil(20 * 4096 / rate) (logarithmic; 0 linear)
    // while the bin's column stays within 0 ... 479; each height is
    // floor(value * 70 / maximum), 0 when the maximum is 0.
    std::vector<CurvePoint> Curves(const FrequencyAxis& axis) const;

private:
    void Transform(std::span<const int16_t> samples, std::vector<float>& magnitudes, float rate);
    void Analyse(const FrequencyAxis& axis);

    std::vector<float> m_window;               // kPoints weights
    std::vector<float> m_work;                 // kPoints + 2
    std::vector<int16_t> m_red, m_blue;        // kPoints newest samples
    std::vector<float> m_redMag, m_blueMag;    // kBins
    float m_redMax = 0, m_blueMax = 0, m_productMax = 0;
    float m_dominantHz = 0;
};

// Copies the newest n samples of a store without consuming them: its read
// position is put back. False (nothing copied) when it holds fewer than n.
bool ReadNewest(CWave& store, int32_t n, int16_t* out);

}  // namespace spectrum
