// The band filter's start-up self-test: a band-pass with a notch, passed
// through its record, measured from its impulse response's spectrum.

#include <cmath>
#include <sstream>
#include <vector>

#include "dsp/DSPLib.h"
#include "dsp/Filter.h"
#include "platform/SelfTestText.h"

namespace {

constexpr int32_t kPoints = 1024;
constexpr int16_t kImpulse = 2047;

// Gain in dB of bins 0 ... kPoints/2 of the filter's impulse response.
std::vector<float> ResponseDb(CFilter& filter) {
    std::vector<float> x(kPoints + 2, 0.0f);
    for (int32_t i = 0; i < kPoints; ++i) {
        const int16_t out = filter.Execute(i == 0 ? kImpulse : 0);
        x[static_cast<size_t>(i)] = static_cast<float>(out) / kImpulse;
    }
    dsp::RealFftForward(x.data(), kPoints);
    std::vector<float> db(kPoints / 2 + 1);
    for (size_t k = 0; k < db.size(); ++k) db[k] = 20.0f * std::log10(std::hypot(x[2 * k], x[2 * k + 1]));
    return db;
}

bool AllAtMost(const std::vector<float>& db, int first, int last, float limit) {
    for (int k = first; k <= last; ++k)
        if (!(db[static_cast<size_t>(k)] <= limit)) return false;
    return true;
}

bool AllWithin(const std::vector<float>& db, int first, int last, float limit) {
    for (int k = first; k <= last; ++k)
        if (!(std::fabs(db[static_cast<size_t>(k)]) <= limit)) return false;
    return true;
}

}  // namespace

std::string CFilter::SelfTest() {
    std::string failures;
    CFilter designed;
    FilterBand band;
    band.lowCut = 0.1f;
    band.highCut = 0.4f;
    band.notchOn = true;
    band.notchLow = 0.2f;
    band.notchHigh = 0.3f;
    designed.SetBand(band, fir::kRectangular, kDefaultTaps);

    std::stringstream record;
    designed.Write(record);
    CFilter filter;
    try {
        filter.Read(record);
    } catch (const std::exception& e) {
        failures += platform::CheckFailure("Filter", __LINE__, std::string(e.what()) + "\n");
    }

    const std::vector<float> db = ResponseDb(filter);
    if (!AllAtMost(db, 0, 97, -17.0f))
        failures += platform::CheckFailure("Filter", __LINE__, "Low Stopband: Attenuation does not reach 17dB\n");
    if (!AllWithin(db, 108, 199, 1.0f))
        failures += platform::CheckFailure("Filter", __LINE__, "Low Passband: Gain does not stay within 1dB\n");
    if (!AllAtMost(db, 210, 302, -17.0f))
        failures += platform::CheckFailure("Filter", __LINE__, "Mid Stopband: Attenuation does not reach 17dB\n");
    if (!AllWithin(db, 313, 404, 1.0f))
        failures += platform::CheckFailure("Filter", __LINE__, "High Passband: Gain does not stay within 1dB\n");
    if (!AllAtMost(db, 415, 512, -17.0f))
        failures += platform::CheckFailure("Filter", __LINE__, "High Stopband: Attenuation does not reach 17dB\n");
    return failures;
}
