// CWave's start-up self-test: a 16-slot store driven through empty reads,
// wrap-around, overrun, SetPos, Reset and a record round trip.

#include <sstream>

#include "platform/SelfTestText.h"
#include "dsp/Wave.h"

namespace {

#define WAVE_CHECK(ok, message) \
    if (!(ok)) failures += platform::CheckFailure("Wave", __LINE__, message)

// True when got[0 ... n-1] equals want; stops at the first mismatch.
bool SameData(const int16_t* got, const int16_t* want, int n) {
    for (int i = 0; i < n; ++i)
        if (got[i] != want[i]) return false;
    return true;
}

}  // namespace

std::string CWave::SelfTest() {
    std::string failures;
    int16_t source[30], out[20];
    for (int i = 0; i < 30; ++i) source[i] = static_cast<int16_t>(i);
    const int16_t runs[12] = {0, 1, 2, 3, 4, 5, 10, 11, 12, 13, 14, 15};

    CWave wave(kDefaultCapacity);
    wave.SetCapacity(15);
    WAVE_CHECK(wave.ReadSamples(20, out) == 0, "ReadSamples at start return error (0 expected)\n");

    wave.WriteSamples(6, source);
    wave.WriteSamples(6, source + 10);
    int32_t n = wave.ReadSamples(20, out);
    WAVE_CHECK(n == 12, "ReadSamples return error (12 expected)\n");
    WAVE_CHECK(SameData(out, runs, std::min(n, 12)),
               "ReadSamples returned data error (0,1,...,5,10,11,...,15 expected)\n");

    wave.WriteSamples(6, source);  // this pass wraps past the end of the buffer
    wave.WriteSamples(6, source + 10);
    n = wave.ReadSamples(20, out);
    WAVE_CHECK(n == 12, "ReadSamples wraparound return error (12 expected)\n");
    WAVE_CHECK(SameData(out, runs, std::min(n, 12)),
               "ReadSamples wraparound returned data error (0,1,...,5,10,11,...,15 expected)\n");
    WAVE_CHECK(wave.ReadSamples(20, out) == 0, "ReadSamples after fill/empty return error (0 expected)\n");

    wave.WriteSamples(30, source);  // overruns the reader
    n = wave.ReadSamples(20, out);
    WAVE_CHECK(n == 15, "ReadSamples return error (15 expected)\n");
    WAVE_CHECK(SameData(out, source + 15, std::min(n, 15)),
               "ReadSamples returned data error (15,16,...,28,29 expected)\n");

    wave.SetPos(wave.FirstSample() + wave.SamplesStored() - 8);
    WAVE_CHECK(wave.ReadSamples(20, out) == 8, "ReadSamples after SetPos return error (8 expected)\n");
    wave.Reset();
    WAVE_CHECK(wave.ReadSamples(20, out) == 0, "ReadSamples after Reset return error (0 expected)\n");

    wave.WriteSamples(5, source);
    std::stringstream record;
    wave.Write(record);
    CWave restored(1);
    try {
        restored.Read(record);
    } catch (const std::exception&) {
        // Reported by the checks below, which then fail.
    }
    WAVE_CHECK(restored.FirstSample() == 0, "FirstSample after serialisation return error (0 expected)\n");
    WAVE_CHECK(restored.SamplesStored() == 5, "SamplesStored after serialisation return error (5 expected)\n");
    WAVE_CHECK(restored.SampleTotal() == 5, "SampleTotal after serialisation return error (5 expected)\n");
    n = restored.ReadSamples(20, out);
    WAVE_CHECK(n == 5, "ReadSamples after serialisation return error (5 expected)\n");
    WAVE_CHECK(SameData(out, source, std::min(n, 5)),
               "ReadSamples returned data error (0,1,2,3,4 expected)\n");
    return failures;
}
