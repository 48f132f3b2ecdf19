#pragma once
// audio/Resampler.h — two interleaved float channels from the capture rate to
// the converter's 10 000 Hz, streaming, through soxr at its very-high-quality
// setting (passband flat to 0.91 of the output Nyquist, 175 dB rejection).
// Both channels pass the same filter, so the delay between them is kept; the
// filter's own latency (Latency()) delays both alike.

#include <cstddef>
#include <vector>

typedef struct soxr* soxr_t;

namespace audio {

class Resampler {
public:
    //  inRate  : capture rate, Hz, 10000 .. 384000
    //  outRate : output rate, Hz (10000 for the unit's stream)
    // Throws std::runtime_error when soxr refuses the rates.
    Resampler(double inRate, double outRate);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // Consumes all of `in` (interleaved left/right, whole frames) and appends
    // the frames that are ready to `out`; never shrinks `out`.
    void Process(const float* in, size_t frames, std::vector<float>& out);
    // Forgets the history: the next input starts a new stream.
    void Clear();
    // Output frames the filter holds back, at the output rate.
    double Latency() const;
    double Ratio() const noexcept { return m_outRate / m_inRate; }

private:
    soxr_t m_soxr = nullptr;
    double m_inRate, m_outRate;
};

}  // namespace audio
