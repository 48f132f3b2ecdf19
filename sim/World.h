#pragma once
// sim/World.h — what each station's sensor delivers to the converter, sample
// by sample, at the world's 10 kHz. Sample n is the same value however it is
// asked for (block splits, order, repeats): every random stream is a hash of
// the scenario's seed, the stream and n, so runs repeat exactly and the two
// channels of a block share one leak noise source.
//
// The leak noise is one band-limited stream reaching each station through a
// fractional-delay band-pass filter centred on that station's arrival time,
// so the delay between any two stations is exact to a fraction of a sample.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "sim/Scenario.h"

namespace sim {

class SignalWorld {
public:
    // Leak taps are designed here from the pipe and leak; the per-station
    // settings (noise, hum, dc, bursts, radio) are read from `world` at each
    // call, so a test may change them between calls.
    explicit SignalWorld(const Scenario& world);

    // Samples first .. first + out.size() - 1 of a station's input, in
    // converter counts -2048..2047.
    void Render(Station s, int64_t first, std::span<int16_t> out);

    // The station's radio level at sample n, dBm; the receiver's floor
    // during a drop-out. The Base has no radio and reads the scenario value.
    double RssiAt(Station s, int64_t n) const;

    // Unit-variance noise of stream `stream` at sample n.
    double Gaussian(uint64_t stream, int64_t n) const noexcept;
    // A uniform 16-bit value of stream `stream` at index n.
    uint16_t Uniform16(uint64_t stream, int64_t n) const noexcept;

    // The receiver's hiss during a drop-out, RMS counts.
    static constexpr double kHissRms = 600.0;
    // The radio level of a lost station, dBm.
    static constexpr double kLostRssi = -128.0;
    // Taps of the leak's band-pass, odd.
    static constexpr int kLeakTaps = 127;

private:
    void RenderLeak(Station s, int64_t first, std::span<float> out);

    const Scenario& m_world;
    std::array<std::vector<float>, kStationCount> m_taps;  // per station, scaled to the leak level
    std::array<int64_t, kStationCount> m_delay{};          // whole samples of arrival
    std::vector<float> m_noise;                            // scratch
    std::vector<float> m_leak;                             // scratch
};

}  // namespace sim
