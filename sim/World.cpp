#include "sim/World.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sim {
namespace {

// Stream numbers of the world's random sources.
constexpr uint64_t kLeakStream = 1;
constexpr uint64_t kSensorStream = 2;  // + station
constexpr uint64_t kHissStream = 8;    // + station
constexpr uint64_t kClipStream = 12;   // + station

uint64_t SplitMix(uint64_t x) noexcept {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double Sinc(double x) {
    if (std::fabs(x) < 1e-12) return 1.0;
    const double px = std::numbers::pi * x;
    return std::sin(px) / px;
}

// Band-pass low..high (fractions of the rate), centred at (taps - 1) / 2 + shift.
std::vector<float> BandPassTaps(double low, double high, double shift, double level) {
    const int taps = SignalWorld::kLeakTaps;
    const double centre = (taps - 1) / 2.0 + shift;
    std::vector<double> h(taps);
    double energy = 0.0;
    for (int k = 0; k < taps; ++k) {
        const double t = k - centre;
        const double w = 0.42 + 0.5 * std::cos(2 * std::numbers::pi * t / taps) +
                         0.08 * std::cos(4 * std::numbers::pi * t / taps);  // Blackman about the centre
        h[static_cast<size_t>(k)] = w * (2 * high * Sinc(2 * high * t) - 2 * low * Sinc(2 * low * t));
        energy += h[static_cast<size_t>(k)] * h[static_cast<size_t>(k)];
    }
    // Unit-variance noise in gives `level` RMS out.
    const double scale = energy > 0 ? level / std::sqrt(energy) : 0.0;
    std::vector<float> out(taps);
    for (int k = 0; k < taps; ++k) out[static_cast<size_t>(k)] = static_cast<float>(h[static_cast<size_t>(k)] * scale);
    return out;
}

}  // namespace

SignalWorld::SignalWorld(const Scenario& world) : m_world(world) {
    for (int i = 0; i < kStationCount; ++i) {
        const Station s = static_cast<Station>(i);
        if (s == Station::Base) continue;  // the Base's own sensor is not on the pipe
        const double arrival = world.ArrivalSeconds(s) * kWorldRate;
        const double whole = std::floor(arrival);
        m_delay[static_cast<size_t>(i)] = static_cast<int64_t>(whole);
        m_taps[static_cast<size_t>(i)] = BandPassTaps(world.leakLow / kWorldRate, world.leakHigh / kWorldRate,
                                                      arrival - whole, world.leakLevel);
    }
}

uint16_t SignalWorld::Uniform16(uint64_t stream, int64_t n) const noexcept {
    return static_cast<uint16_t>(SplitMix(m_world.seed ^ (stream << 56) ^ static_cast<uint64_t>(n)) >> 48);
}

double SignalWorld::Gaussian(uint64_t stream, int64_t n) const noexcept {
    // Four 16-bit uniforms summed (Irwin-Hall), centred and scaled to unit variance.
    const uint64_t h = SplitMix(SplitMix(m_world.seed + stream * 0x632BE59BD9B4E019ull) ^ static_cast<uint64_t>(n));
    const double sum = static_cast<double>((h & 0xFFFF) + ((h >> 16) & 0xFFFF) + ((h >> 32) & 0xFFFF) + (h >> 48));
    return (sum / 65536.0 - 2.0) * std::numbers::sqrt3;
}

void SignalWorld::RenderLeak(Station s, int64_t first, std::span<float> out) {
    const std::vector<float>& h = m_taps[static_cast<size_t>(s)];
    const size_t taps = h.size();
    const int64_t origin = first - m_delay[static_cast<size_t>(s)] - static_cast<int64_t>(taps) + 1;
    m_noise.resize(out.size() + taps - 1);
    for (size_t j = 0; j < m_noise.size(); ++j)
        m_noise[j] = static_cast<float>(Gaussian(kLeakStream, origin + static_cast<int64_t>(j)));
    for (size_t i = 0; i < out.size(); ++i) {
        float acc = 0.0f;
        const float* x = &m_noise[i + taps - 1];
        for (size_t k = 0; k < taps; ++k) acc += h[k] * x[-static_cast<ptrdiff_t>(k)];
        out[i] = acc;
    }
}

void SignalWorld::Render(Station s, int64_t first, std::span<int16_t> out) {
    const StationWorld& st = m_world.Of(s);
    const uint64_t id = static_cast<uint64_t>(s);
    const bool onPipe = s != Station::Base && m_world.leakLevel > 0;
    m_leak.assign(out.size(), 0.0f);
    if (onPipe) RenderLeak(s, first, m_leak);
    const double humStep = 2 * std::numbers::pi * m_world.mains / kWorldRate;
    const double humPhase = 0.7 * static_cast<double>(id);
    for (size_t i = 0; i < out.size(); ++i) {
        const int64_t n = first + static_cast<int64_t>(i);
        const double t = static_cast<double>(n) / kWorldRate;
        double v;
        if (s != Station::Base && st.dropout.ActiveAt(t)) {
            v = kHissRms * Gaussian(kHissStream + id, n);
        } else {
            v = m_leak[i] + st.noise * Gaussian(kSensorStream + id, n) + st.dc +
                st.hum * std::sin(humStep * static_cast<double>(n % 600000) + humPhase);
        }
        if (st.clip.ActiveAt(t)) v = (Uniform16(kClipStream + id, n) & 1) ? 4000.0 : -4000.0;
        out[i] = static_cast<int16_t>(std::clamp(std::lround(v), -2048l, 2047l));
    }
}

double SignalWorld::RssiAt(Station s, int64_t n) const {
    const StationWorld& st = m_world.Of(s);
    if (s != Station::Base && st.dropout.ActiveAt(static_cast<double>(n) / kWorldRate)) return kLostRssi;
    return st.rssi;
}

}  // namespace sim
