#include "audio/Resampler.h"

#include <soxr.h>

#include <cmath>
#include <stdexcept>
#include <string>

namespace audio {

Resampler::Resampler(double inRate, double outRate) : m_inRate(inRate), m_outRate(outRate) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);  // the UI thread only
    soxr_error_t error = nullptr;
    m_soxr = soxr_create(inRate, outRate, 2, &error, &io, &quality, &runtime);
    if (error || !m_soxr) throw std::runtime_error(std::string("resampler: ") + (error ? error : "not created"));
}

Resampler::~Resampler() { soxr_delete(m_soxr); }

void Resampler::Process(const float* in, size_t frames, std::vector<float>& out) {
    while (frames > 0) {
        // Room for all the output this input can make, plus the filter's slack.
        const size_t room = static_cast<size_t>(std::ceil(static_cast<double>(frames) * Ratio())) + 64;
        const size_t first = out.size();
        out.resize(first + 2 * room);
        size_t used = 0, made = 0;
        soxr_process(m_soxr, in, frames, &used, out.data() + first, room, &made);
        out.resize(first + 2 * made);
        in += 2 * used;
        frames -= used;
        if (used == 0 && made == 0) break;  // nothing moves: leave the rest
    }
}

void Resampler::Clear() { soxr_clear(m_soxr); }

double Resampler::Latency() const { return soxr_delay(m_soxr); }

}  // namespace audio
