#include "analysis/Resample.h"

#include <cmath>

#if CORRELATOR_HAVE_SOXR
#include <soxr.h>
#endif

namespace analysis {

#if CORRELATOR_HAVE_SOXR

bool CanResample() noexcept { return true; }

namespace {

std::vector<float> Channel(const std::vector<float>& in, double inRate) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    soxr_error_t error = nullptr;
    soxr_t s = soxr_create(inRate, kAnalysisRate, 1, &error, &io, &quality, nullptr);
    if (error) throw InputError(std::string("cannot resample: ") + error);
    const double delay = soxr_delay(s);  // output samples the filter holds back
    const auto wanted = static_cast<size_t>(std::llround(static_cast<double>(in.size()) * kAnalysisRate / inRate));
    std::vector<float> out(wanted + static_cast<size_t>(std::ceil(delay)) + 64);
    size_t used = 0, made = 0, tail = 0;
    error = soxr_process(s, in.data(), in.size(), &used, out.data(), out.size(), &made);
    if (!error) error = soxr_process(s, nullptr, 0, nullptr, out.data() + made, out.size() - made, &tail);
    soxr_delete(s);
    if (error) throw InputError(std::string("cannot resample: ") + error);
    out.resize(std::min(made + tail, wanted));
    return out;
}

}  // namespace

Audio ToAnalysisRate(Audio audio) {
    if (audio.rate <= kAnalysisRate) return audio;
    for (std::vector<float>& c : audio.channels) c = Channel(c, audio.rate);
    audio.rate = kAnalysisRate;
    return audio;
}

#else

bool CanResample() noexcept { return false; }

Audio ToAnalysisRate(Audio audio) {
    if (audio.rate <= kAnalysisRate) return audio;
    throw InputError("this build cannot resample (no soxr): give recordings at 10000 Hz or less");
}

#endif

}  // namespace analysis
